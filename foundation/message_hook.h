// The way the foundation reaches the main window's message line without depending on the window.
#pragma once

#include <string>

namespace oxl
{

/// The message line as the layers below the window see it.
class MessageLinePort
{
  public:
    MessageLinePort() = default;
    virtual ~MessageLinePort() = default;
    MessageLinePort(const MessageLinePort&) = delete;
    MessageLinePort& operator=(const MessageLinePort&) = delete;

    /// Shows a text on the message line; the flag asks for the text to be logged as well.
    virtual void show(const std::string& text, bool log) = 0;
};

/// Before the window opens, and in tests without one: no message line; a text is only logged (with
/// gf_logIfRunning) when asked to.
class LogOnlyMessageLine : public MessageLinePort
{
  public:
    void show(const std::string& text, bool log) override;
};

/// Installs the message line (the window installs its own when it opens; not owned, it must outlive its
/// use); null restores the one that only logs.
void gf_installMessageLinePort(MessageLinePort* port);
/// Passes a text to the installed message line.
void gf_foundationShowMessage(const std::string& text, bool log);

} // namespace oxl
