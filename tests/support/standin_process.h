// Runs a stand-in tool (from the build's bin folder) as a separate process for end-to-end tests.
#pragma once

#include <string>
#include <vector>

namespace oxl::test
{

/// A tool process started with arguments; stopped with SIGTERM and reaped at the end.
class ToolProcess
{
  public:
    /// Starts binDir/<tool> with the arguments.
    ToolProcess(const std::string& binDir, const std::string& tool, const std::vector<std::string>& args);
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    /// True when the process was started.
    bool started() const { return pid_ > 0; }
    /// Asks the process to end and waits for it; its exit status (-1 when it did not exit normally).
    int stop();

  private:
    int pid_ = -1;
};

} // namespace oxl::test
