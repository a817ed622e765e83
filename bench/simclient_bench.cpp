// Simulator client: messages sent per second over the pipe stand-in, and extraction of received
// messages from randomly chunked input.
#include "platform/local_pipe.h"
#include "platform/net_tcp.h"
#include "simlink/client/sc_connect.h"
#include "simlink/client/sc_framer.h"
#include "simlink/client/simconnect.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace
{

using namespace oxl;

// A pipe peer that reads and drops everything the client sends, and the client connected to it.
class DrainedLink
{
  public:
    DrainedLink()
    {
        std::random_device rd;
        const std::string name = "oxl-bench-" + std::to_string(rd());
        folder_ = std::filesystem::temp_directory_path() / (name + "-cfg");
        std::filesystem::create_directories(folder_);
        std::ofstream(folder_ / "SimConnect.cfg") << "[SimConnect]\nProtocol=Pipe\nPort=" << name << "\n";
        const auto folder = folder_;
        scSetEnvironment(
            {nullptr, nullptr, [folder] { return std::optional<std::filesystem::path>(folder); }, nullptr});
        listener_.open("\\\\.\\pipe\\" + name, 4);
        drain_ = std::thread(
            [this]
            {
                plat::net::Wait waited;
                plat::net::Socket peer =
                    plat::net::acceptWithin(listener_.socket(), std::chrono::seconds(10), waited);
                std::vector<char> buf(1 << 16);
                while (!stop_)
                    if (plat::net::receiveWithin(peer, buf.data(), buf.size(),
                                                 std::chrono::milliseconds(50)) == 0)
                        break;
            });
        SimConnect_Open(&handle, "Ordalis_P3D", nullptr, 0, nullptr, 0);
    }
    ~DrainedLink()
    {
        SimConnect_Close(handle);
        stop_ = true;
        drain_.join();
        listener_.close();
        std::filesystem::remove_all(folder_);
        scSetEnvironment({});
    }
    ScHandle handle = nullptr;

  private:
    std::filesystem::path folder_;
    plat::LocalPipeListener listener_;
    std::atomic<bool> stop_{false};
    std::thread drain_;
};

void BM_SendPositionsOnThePipe(benchmark::State& state)
{
    DrainedLink link;
    if (!link.handle)
    {
        state.SkipWithError("no link");
        return;
    }
    const double position[8] = {47.46, 8.55, -0.02, 0.01, 1.57, 1500, 12.5, 160};
    for (auto _ : state)
        if (SimConnect_SetDataOnSimObject(link.handle, 402, 3, 0, 0, sizeof position, position) != kScOk)
            state.SkipWithError("send failed");
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * (36 + static_cast<std::int64_t>(sizeof position)));
}
BENCHMARK(BM_SendPositionsOnThePipe)->UseRealTime();

// 96-byte messages with some zero padding, cut into random reads of 1 to 4096 bytes.
void BM_ExtractChunkedMessages(benchmark::State& state)
{
    std::string stream;
    std::mt19937 rng(42);
    for (int i = 0; i < 4096; ++i)
    {
        std::string m(96, '\x5A');
        const std::uint32_t size = 96;
        std::memcpy(m.data(), &size, 4);
        stream += m;
        if (i % 16 == 0)
            stream += std::string(4 + rng() % 8, '\0');
    }
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < stream.size();)
    {
        const std::size_t n = std::min<std::size_t>(1 + rng() % 4096, stream.size() - at);
        cuts.push_back(n);
        at += n;
    }
    std::int64_t messages = 0;
    for (auto _ : state)
    {
        ScFramer framer(kScDefaultMaxReceiveSize);
        std::size_t at = 0;
        for (std::size_t cut : cuts)
        {
            std::size_t left = cut;
            while (left > 0)
            {
                auto space = framer.freeSpace();
                const std::size_t n = std::min(left, space.size());
                std::memcpy(space.data(), stream.data() + at, n);
                framer.commit(n);
                at += n;
                left -= n;
                for (ScExtract r = framer.extract(); r.kind != ScExtract::NeedMore; r = framer.extract())
                    if (r.kind == ScExtract::Delivered)
                        ++messages;
            }
        }
    }
    state.SetItemsProcessed(messages);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_ExtractChunkedMessages);

} // namespace
