// AF_UNIX stream sockets in place of named pipes; a full backlog plays the busy pipe.
#include "platform/local_pipe.h"

#include "platform/folders.h"
#include "platform/log_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>

namespace oxl::plat
{

namespace
{

std::optional<std::filesystem::path> pipeRoot()
{
    if (const auto dir = environment("OXL_PIPE_DIR"))
        return std::filesystem::path(*dir);
    return runtimeFolder();
}

bool addressOf(const std::filesystem::path& file, sockaddr_un& addr)
{
    const std::string s = file.string();
    if (s.size() >= sizeof addr.sun_path)
        return false;
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
    return true;
}

} // namespace

std::optional<std::filesystem::path> localPipeSocketPath(const std::string& pipePath)
{
    if (pipePath.size() < 3 || pipePath[0] != '\\' || pipePath[1] != '\\')
        return std::nullopt;
    const auto hostEnd = pipePath.find('\\', 2);
    if (hostEnd == std::string::npos || pipePath.compare(2, hostEnd - 2, ".") != 0)
        return std::nullopt;
    std::string rest = pipePath.substr(hostEnd + 1);
    std::transform(rest.begin(), rest.end(), rest.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (rest.rfind("pipe\\", 0) != 0 || rest.size() == 5)
        return std::nullopt;
    std::string name = rest.substr(5);
    std::replace(name.begin(), name.end(), '\\', '_');
    std::replace(name.begin(), name.end(), '/', '_');
    const auto root = pipeRoot();
    if (!root)
        return std::nullopt;
    auto file = *root / name;
    if (file.string().size() >= sizeof(sockaddr_un::sun_path))
        return std::nullopt;
    return file;
}

net::Socket openLocalPipe(const std::string& pipePath, std::chrono::milliseconds busyWait,
                          PipeOpenResult& result)
{
    net::ignoreSigpipe();
    auto file = localPipeSocketPath(pipePath);
    sockaddr_un addr;
    if (!file || !addressOf(*file, addr))
    {
        result = PipeOpenResult::remoteHost;
        return net::Socket();
    }
    const auto deadline = std::chrono::steady_clock::now() + busyWait;
    for (;;)
    {
        net::Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!s.valid())
        {
            result = PipeOpenResult::notFound;
            return s;
        }
        if (::connect(s.fd(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        {
            result = PipeOpenResult::ok;
            return s;
        }
        const int err = errno;
        if (err != EAGAIN || std::chrono::steady_clock::now() >= deadline)
        {
            result = err == EAGAIN ? PipeOpenResult::busy : PipeOpenResult::notFound;
            return net::Socket();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

LocalPipeListener& LocalPipeListener::operator=(LocalPipeListener&& other) noexcept
{
    if (this != &other)
    {
        close();
        socket_ = std::move(other.socket_);
        file_ = std::move(other.file_);
        other.file_.clear();
    }
    return *this;
}

LocalPipeListener::~LocalPipeListener()
{
    close();
}

bool LocalPipeListener::open(const std::string& pipePath, int backlog)
{
    close();
    auto file = localPipeSocketPath(pipePath);
    sockaddr_un addr;
    if (!file || !addressOf(*file, addr))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(file->parent_path(), ec);
    std::filesystem::remove(*file, ec);
    net::Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.valid() || ::bind(s.fd(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(s.fd(), backlog) != 0)
    {
        net::setLastError(errno);
        return false;
    }
    socket_ = std::move(s);
    file_ = *file;
    return true;
}

void LocalPipeListener::close()
{
    socket_.close();
    if (!file_.empty())
    {
        std::error_code ec;
        std::filesystem::remove(file_, ec);
        file_.clear();
    }
}

} // namespace oxl::plat
