#include "tests/support/standin_process.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace oxl::test
{

ToolProcess::ToolProcess(const std::string& binDir, const std::string& tool,
                         const std::vector<std::string>& args)
{
    const std::string path = binDir + "/" + tool;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) == 0)
        pid_ = pid;
}

ToolProcess::~ToolProcess()
{
    stop();
}

int ToolProcess::stop()
{
    if (pid_ <= 0)
        return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace oxl::test
