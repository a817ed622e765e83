#pragma once
// A virtual X display of a test's own: Xvfb on the first free display number, local connections
// only, stopped when the object goes.

#include <string>
#include <sys/types.h>

namespace oxl::test
{

/// Starts Xvfb (1280 x 800, 24 bits) and waits until it takes connections.
class XvfbDisplay
{
  public:
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;
    /// True when the server runs.
    bool running() const { return !name_.empty(); }
    /// The DISPLAY value, e.g. ":3"; empty when the server did not start.
    const std::string& name() const { return name_; }
    /// Why the server did not start.
    const std::string& error() const { return error_; }

  private:
    pid_t pid_ = -1;
    std::string name_;
    std::string error_;
};

} // namespace oxl::test
