// A child process with pipes to its standard input and output (stand-ins started by tests).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace oxl::plat
{

// A started program; the destructor kills it if it still runs.
class ChildProcess
{
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Starts program with arguments and extra environment entries ("NAME=value"); false on failure.
    bool start(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env = {});
    // Writes one line (a line end is added) to the child's standard input.
    bool writeLine(const std::string& line);
    // The next line of the child's standard output, or nullopt after timeoutMs or at its end.
    std::optional<std::string> readLine(int timeoutMs);
    // Waits up to timeoutMs for the child to end; its exit status, or nullopt while it runs.
    std::optional<int> wait(int timeoutMs);
    // Asks the child to end (SIGTERM), as closing its window would; false when it does not run.
    bool terminate();
    // Ends the child (SIGKILL) and reaps it.
    void kill();
    // The child's resident memory [bytes]; nullopt when it does not run or the system does not say.
    std::optional<std::uint64_t> residentBytes() const;
    // True while the child was started and not reaped.
    bool running() const { return pid_ > 0; }

  private:
    int pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string pending_;
};

} // namespace oxl::plat
