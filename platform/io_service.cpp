// One epoll thread completes every read and write; cancel hands every pending operation back.
#include "platform/io_service.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace oxl::plat
{

namespace
{

std::uint32_t completionCodeOf(int err)
{
    switch (err)
    {
    case ECONNRESET:
    case ECONNABORTED:
        return kIoConnectionReset;
    case EPIPE:
        return kIoPipeBroken;
    case ENOTCONN:
    case ESHUTDOWN:
        return kIoRemoteDisconnect;
    case EBADF:
        return kIoInvalidHandle;
    default:
        return 0x80070000u | (static_cast<std::uint32_t>(err) & 0xFFFFu);
    }
}

} // namespace

class IoService
{
  public:
    static IoService& instance()
    {
        static IoService service;
        return service;
    }

    void add(IoChannel& ch)
    {
        std::lock_guard lock(mutex_);
        ch.id_ = ++lastId_;
        epoll_event ev{};
        ev.events = EPOLLONESHOT;
        ev.data.u64 = ch.id_;
        epoll_ctl(epfd_, EPOLL_CTL_ADD, ch.fd_, &ev);
    }

    void registerChannel(const IoChannelPtr& ch)
    {
        std::lock_guard lock(mutex_);
        channels_[ch->id_] = ch;
    }

    void remove(IoChannel& ch)
    {
        std::vector<IoCompletion> orphans;
        {
            std::lock_guard lock(mutex_);
            channels_.erase(ch.id_);
            epoll_ctl(epfd_, EPOLL_CTL_DEL, ch.fd_, nullptr);
            takeOps(ch, orphans);
        }
        postCancelled(std::move(orphans));
    }

    std::uint32_t start(const IoChannelPtr& ch, std::unique_ptr<IoChannel::Op> op, bool isRead)
    {
        std::lock_guard lock(mutex_);
        auto& slot = isRead ? ch->read_ : ch->write_;
        if (slot)
            return kIoBusy;
        slot = std::move(op);
        rearm(*ch);
        return kIoSuccess;
    }

    void cancel(const IoChannelPtr& ch)
    {
        std::vector<IoCompletion> cancelled;
        {
            std::lock_guard lock(mutex_);
            takeOps(*ch, cancelled);
            rearm(*ch);
        }
        postCancelled(std::move(cancelled));
    }

  private:
    IoService()
    {
        epfd_ = epoll_create1(EPOLL_CLOEXEC);
        wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = 0;
        epoll_ctl(epfd_, EPOLL_CTL_ADD, wakeFd_, &ev);
        thread_ = std::thread([this] { run(); });
    }

    ~IoService()
    {
        stop_ = true;
        wake();
        thread_.join();
        close(wakeFd_);
        close(epfd_);
    }

    void wake()
    {
        std::uint64_t one = 1;
        [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
    }

    static void takeOps(IoChannel& ch, std::vector<IoCompletion>& out)
    {
        if (ch.read_)
            out.push_back(std::move(ch.read_->completion));
        if (ch.write_)
            out.push_back(std::move(ch.write_->completion));
        ch.read_.reset();
        ch.write_.reset();
    }

    void postCancelled(std::vector<IoCompletion> list)
    {
        if (list.empty())
            return;
        {
            std::lock_guard lock(mutex_);
            for (auto& c : list)
                posted_.push_back([c = std::move(c)] { c(kIoCancelled, 0); });
        }
        wake();
    }

    // Called with mutex_ held: the descriptor reports again only for the directions still pending.
    void rearm(IoChannel& ch)
    {
        epoll_event ev{};
        ev.events = EPOLLONESHOT;
        if (ch.read_)
            ev.events |= EPOLLIN | EPOLLRDHUP;
        if (ch.write_)
            ev.events |= EPOLLOUT;
        ev.data.u64 = ch.id_;
        epoll_ctl(epfd_, EPOLL_CTL_MOD, ch.fd_, &ev);
    }

    using Finished = std::pair<IoCompletion, std::pair<std::uint32_t, std::uint32_t>>;

    static void tryRead(IoChannel& ch, std::vector<Finished>& done)
    {
        auto& op = *ch.read_;
        for (;;)
        {
            ssize_t n = recv(ch.fd_, op.readBuf, op.len, MSG_DONTWAIT);
            if (n >= 0)
            {
                done.push_back({std::move(op.completion), {kIoSuccess, static_cast<std::uint32_t>(n)}});
                break;
            }
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            done.push_back({std::move(op.completion), {completionCodeOf(errno), 0}});
            break;
        }
        ch.read_.reset();
    }

    static void tryWrite(IoChannel& ch, std::vector<Finished>& done)
    {
        auto& op = *ch.write_;
        while (op.done < op.len)
        {
            ssize_t n = send(ch.fd_, op.writeBuf + op.done, op.len - op.done, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0)
            {
                op.done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            done.push_back({std::move(op.completion), {n == 0 ? kIoSuccess : completionCodeOf(errno), 0}});
            ch.write_.reset();
            return;
        }
        done.push_back({std::move(op.completion), {kIoSuccess, static_cast<std::uint32_t>(op.len)}});
        ch.write_.reset();
    }

    void serve(std::uint64_t id, std::uint32_t events)
    {
        IoChannelPtr ch;
        std::vector<Finished> done;
        {
            std::lock_guard lock(mutex_);
            auto it = channels_.find(id);
            if (it == channels_.end())
                return;
            ch = it->second.lock();
            if (!ch)
                return;
            if (ch->read_ && (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)))
                tryRead(*ch, done);
            if (ch->write_ && (events & (EPOLLOUT | EPOLLHUP | EPOLLERR)))
                tryWrite(*ch, done);
            rearm(*ch);
        }
        for (auto& [completion, result] : done)
            completion(result.first, result.second);
    }

    void run()
    {
        epoll_event events[64];
        while (!stop_)
        {
            int n = epoll_wait(epfd_, events, 64, 250);
            for (int i = 0; i < n; ++i)
            {
                if (events[i].data.u64 == 0)
                {
                    std::uint64_t count;
                    [[maybe_unused]] auto r = read(wakeFd_, &count, sizeof count);
                    continue;
                }
                serve(events[i].data.u64, events[i].events);
            }
            std::vector<std::function<void()>> posted;
            {
                std::lock_guard lock(mutex_);
                posted.swap(posted_);
            }
            for (auto& f : posted)
                f();
        }
    }

    std::mutex mutex_; // channel table, every channel's pending operations, the posted list
    std::unordered_map<std::uint64_t, std::weak_ptr<IoChannel>> channels_;
    std::vector<std::function<void()>> posted_;
    std::uint64_t lastId_ = 0;
    int epfd_ = -1;
    int wakeFd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

IoChannel::IoChannel(int fd) : fd_(fd)
{
    IoService::instance().add(*this);
}

IoChannel::~IoChannel()
{
    IoService::instance().remove(*this);
    close(fd_);
}

void IoChannel::shutdownBoth()
{
    shutdown(fd_, SHUT_RDWR);
}

bool IoChannel::setNoDelay()
{
    int one = 1;
    return setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) == 0;
}

void IoChannel::setAbortiveClose()
{
    linger lg{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
}

IoChannelPtr adoptDescriptor(int fd)
{
    IoChannelPtr ch(new IoChannel(fd));
    IoService::instance().registerChannel(ch);
    return ch;
}

std::uint32_t ioStartRead(const IoChannelPtr& channel, std::byte* buf, std::size_t len, IoCompletion done)
{
    if (!channel)
        return kIoInvalidHandle;
    auto op = std::make_unique<IoChannel::Op>();
    op->readBuf = buf;
    op->len = len;
    op->completion = std::move(done);
    return IoService::instance().start(channel, std::move(op), true);
}

std::uint32_t ioStartWrite(const IoChannelPtr& channel, const std::byte* buf, std::size_t len,
                           IoCompletion done)
{
    if (!channel)
        return kIoInvalidHandle;
    auto op = std::make_unique<IoChannel::Op>();
    op->writeBuf = buf;
    op->len = len;
    op->completion = std::move(done);
    return IoService::instance().start(channel, std::move(op), false);
}

void ioCancel(const IoChannelPtr& channel)
{
    if (channel)
        IoService::instance().cancel(channel);
}

} // namespace oxl::plat
