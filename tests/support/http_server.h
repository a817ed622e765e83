#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for download tests: serves a folder, and can be told to fail.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oxl::test
{

/// One request the server received.
struct HttpRequest
{
    std::string path;      ///< request target, e.g. "/versions.json"
    std::string userAgent; ///< value of the User-Agent header, "" when absent
};

/// Serves the files of one folder on 127.0.0.1 at an ephemeral port; each connection gets a thread.
class LoopbackHttpServer
{
  public:
    /// Starts listening at once; files are read from `folder` at request time.
    explicit LoopbackHttpServer(std::filesystem::path folder);
    /// Releases stalled connections, stops accepting and joins every thread.
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    /// The port the server listens on.
    std::uint16_t port() const { return port_; }
    /// "http://127.0.0.1:<port>/", the base address for the download functions.
    std::string baseUrl() const;

    /// Requests for `path` get `status` with a short text body instead of the file.
    void answerStatus(const std::string& path, int status);
    /// Requests for `path` get the file's full Content-Length but only half its bytes, then the close.
    void cutShort(const std::string& path);
    /// Requests for `path` are read and never answered until the server is destroyed.
    void stall(const std::string& path);

    /// Every request received so far, in arrival order.
    std::vector<HttpRequest> requests() const;

  private:
    enum class Behaviour
    {
        Serve,
        Status,
        CutShort,
        Stall
    };
    struct Rule
    {
        Behaviour behaviour = Behaviour::Serve;
        int status = 200;
    };

    void acceptLoop();
    void serveConnection(int fd);
    Rule ruleFor(const std::string& path) const;
    bool sendAll(int fd, const std::string& bytes) const;

    std::filesystem::path folder_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_; // guards rules_, requests_, workers_
    std::condition_variable stopped_;
    std::map<std::string, Rule> rules_;
    std::vector<HttpRequest> requests_;
    std::vector<std::thread> workers_;
    std::thread acceptThread_;
};

} // namespace oxl::test
