#include "tests/support/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace oxl::test
{

namespace
{

constexpr int kPollMs = 50; // bound of every wait, so the destructor is never held up
constexpr std::size_t kMaxHeaderBytes = 16384;

std::string reasonPhrase(int status)
{
    switch (status)
    {
    case 200:
        return "OK";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
    {
        if (c >= 'A' && c <= 'Z')
        {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

/// Pulls the request target and the User-Agent out of a request head.
HttpRequest parseHead(const std::string& head)
{
    HttpRequest request;
    std::istringstream lines(head);
    std::string line;
    if (std::getline(lines, line))
    {
        const auto first = line.find(' ');
        const auto second = line.find(' ', first + 1);
        if (first != std::string::npos && second != std::string::npos)
        {
            request.path = line.substr(first + 1, second - first - 1);
        }
    }
    while (std::getline(lines, line))
    {
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        const auto colon = line.find(':');
        if (colon != std::string::npos && lowerCase(line.substr(0, colon)) == "user-agent")
        {
            const auto value = line.find_first_not_of(' ', colon + 1);
            request.userAgent = value == std::string::npos ? "" : line.substr(value);
        }
    }
    return request;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(std::filesystem::path folder) : folder_(std::move(folder))
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
    {
        throw std::runtime_error("socket failed");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        ::close(listenFd_);
        throw std::runtime_error("could not listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    acceptThread_.join();
    for (auto& worker : workers_)
    {
        worker.join();
    }
    ::close(listenFd_);
}

std::string LoopbackHttpServer::baseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void LoopbackHttpServer::answerStatus(const std::string& path, int status)
{
    std::lock_guard lock(mutex_);
    rules_[path] = Rule{Behaviour::Status, status};
}

void LoopbackHttpServer::cutShort(const std::string& path)
{
    std::lock_guard lock(mutex_);
    rules_[path] = Rule{Behaviour::CutShort, 200};
}

void LoopbackHttpServer::stall(const std::string& path)
{
    std::lock_guard lock(mutex_);
    rules_[path] = Rule{Behaviour::Stall, 200};
}

std::vector<HttpRequest> LoopbackHttpServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

LoopbackHttpServer::Rule LoopbackHttpServer::ruleFor(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    const auto found = rules_.find(path);
    return found == rules_.end() ? Rule{} : found->second;
}

void LoopbackHttpServer::acceptLoop()
{
    while (!stopping_)
    {
        pollfd waiting{listenFd_, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMs) <= 0)
        {
            continue;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
        {
            continue;
        }
        std::lock_guard lock(mutex_);
        workers_.emplace_back(
            [this, fd]
            {
                serveConnection(fd);
                ::close(fd);
            });
    }
}

bool LoopbackHttpServer::sendAll(int fd, const std::string& bytes) const
{
    std::size_t sent = 0;
    while (sent < bytes.size())
    {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
        {
            continue;
        }
        if (n <= 0)
        {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void LoopbackHttpServer::serveConnection(int fd)
{
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos)
    {
        if (stopping_ || head.size() > kMaxHeaderBytes)
        {
            return;
        }
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMs) <= 0)
        {
            continue;
        }
        char buffer[2048];
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
        {
            return;
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    const HttpRequest request = parseHead(head);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }

    const Rule rule = ruleFor(request.path);
    if (rule.behaviour == Behaviour::Stall)
    {
        std::unique_lock lock(mutex_);
        stopped_.wait(lock, [this] { return stopping_.load(); });
        return;
    }
    if (rule.behaviour == Behaviour::Status)
    {
        const std::string body = std::to_string(rule.status) + " " + reasonPhrase(rule.status) + "\n";
        sendAll(fd, "HTTP/1.1 " + std::to_string(rule.status) + " " + reasonPhrase(rule.status) +
                        "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\nConnection: close\r\n\r\n" + body);
        return;
    }

    const auto file = folder_ / request.path.substr(request.path.empty() ? 0 : 1);
    std::ifstream in(file, std::ios::binary);
    if (request.path.find("..") != std::string::npos || !in)
    {
        const std::string body = "404 Not Found\n";
        sendAll(fd, "HTTP/1.1 404 Not Found\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\nConnection: close\r\n\r\n" + body);
        return;
    }
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string sentBody =
        rule.behaviour == Behaviour::CutShort ? content.substr(0, content.size() / 2) : content;
    sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                    std::to_string(content.size()) + "\r\nConnection: close\r\n\r\n" + sentBody);
}

} // namespace oxl::test
