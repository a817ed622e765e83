// posix_spawn with two pipes; line reads wait with poll.
#include "platform/child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace oxl::plat
{

ChildProcess::~ChildProcess()
{
    kill();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env)
{
    std::signal(SIGPIPE, SIG_IGN);
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return false;
    if (pipe2(fromChild, O_CLOEXEC) != 0)
    {
        ::close(toChild[0]);
        ::close(toChild[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);

    std::vector<std::string> argStore{program};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e)
        envStore.emplace_back(*e);
    envStore.insert(envStore.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (rc != 0)
    {
        ::close(toChild[1]);
        ::close(fromChild[0]);
        return false;
    }
    pid_ = pid;
    in_ = toChild[1];
    out_ = fromChild[0];
    return true;
}

bool ChildProcess::writeLine(const std::string& line)
{
    std::string data = line + "\n";
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0)
    {
        ssize_t n = ::write(in_, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> ChildProcess::readLine(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;)
    {
        if (auto nl = pending_.find('\n'); nl != std::string::npos)
        {
            std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (out_ < 0 || left.count() <= 0)
            return std::nullopt;
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buf[4096];
        ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0)
            return std::nullopt;
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

std::optional<int> ChildProcess::wait(int timeoutMs)
{
    if (pid_ <= 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;)
    {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_)
        {
            pid_ = -1;
            ::close(std::exchange(in_, -1));
            ::close(std::exchange(out_, -1));
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool ChildProcess::terminate()
{
    return pid_ > 0 && ::kill(pid_, SIGTERM) == 0;
}

void ChildProcess::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    wait(5000);
}

std::optional<std::uint64_t> ChildProcess::residentBytes() const
{
    if (pid_ <= 0)
        return std::nullopt;
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string key;
    while (status >> key)
    {
        if (key == "VmRSS:")
        {
            std::uint64_t kib = 0;
            if (status >> kib)
                return kib * 1024;
            return std::nullopt;
        }
        status.ignore(4096, '\n');
    }
    return std::nullopt;
}

} // namespace oxl::plat
