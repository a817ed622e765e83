#include "tests/support/sim_raw_peer.h"

#include "platform/net_stream.h"
#include "platform/net_tcp.h"

namespace oxl::test
{

bool RawSimPeer::listenPipe(const std::string& pipePath)
{
    return pipe_.open(pipePath, 4);
}

bool RawSimPeer::listenTcp()
{
    tcp_ = plat::net::openLoopbackListener(plat::net::IpFamily::IPv4, 0);
    port_ = tcp_.valid() ? plat::net::localPort(tcp_) : 0;
    return tcp_.valid();
}

bool RawSimPeer::accept(std::chrono::milliseconds bound)
{
    plat::net::Wait waited;
    conn_ = plat::net::acceptWithin(tcp_.valid() ? tcp_ : pipe_.socket(), bound, waited);
    return conn_.valid();
}

std::string RawSimPeer::read(std::size_t n, std::chrono::milliseconds bound)
{
    std::string out;
    const auto end = std::chrono::steady_clock::now() + bound;
    while (out.size() < n && std::chrono::steady_clock::now() < end)
    {
        std::string buf(n - out.size(), '\0');
        long got = plat::net::receiveWithin(conn_, buf.data(), buf.size(), std::chrono::milliseconds(50));
        if (got == -2)
            continue;
        if (got <= 0)
            break;
        out.append(buf.data(), static_cast<std::size_t>(got));
    }
    return out;
}

std::string RawSimPeer::readMessage(std::chrono::milliseconds bound)
{
    std::string head = read(4, bound);
    if (head.size() < 4)
        return head;
    return head + read(u32At(head, 0) - 4, bound);
}

bool RawSimPeer::write(std::string_view bytes)
{
    return plat::net::sendAll(conn_, bytes);
}

void RawSimPeer::close()
{
    conn_.close();
}

void RawSimPeer::reset()
{
    if (conn_.valid())
        plat::net::resetOnClose(conn_);
    conn_.close();
}

std::uint32_t u32At(std::string_view b, std::size_t offset)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[offset + static_cast<std::size_t>(i)]);
    return v;
}

void putU32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

std::string recvMessage(std::uint32_t id, std::string_view body)
{
    std::string m;
    putU32(m, static_cast<std::uint32_t>(12 + body.size()));
    putU32(m, 4);
    putU32(m, id);
    m += body;
    return m;
}

} // namespace oxl::test
