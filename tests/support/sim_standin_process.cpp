#include "tests/support/sim_standin_process.h"

#include <thread>

namespace oxl::test
{

bool SimStandinProcess::start(const std::string& binDir, const std::vector<std::string>& args,
                              const std::string& pipeDir)
{
    if (!process_.start(binDir + "/sim_standin", args, {"OXL_PIPE_DIR=" + pipeDir}))
        return false;
    auto line = process_.readLine(10000);
    if (!line || line->rfind("ready ", 0) != 0)
        return false;
    auto endpoints = nlohmann::json::parse(line->substr(6));
    tcp4_ = endpoints["tcp4"].get<std::uint16_t>();
    return true;
}

std::string SimStandinProcess::command(const std::string& line)
{
    process_.writeLine(line);
    return process_.readLine(10000).value_or("");
}

nlohmann::json SimStandinProcess::state()
{
    return nlohmann::json::parse(command("state"));
}

nlohmann::json SimStandinProcess::journal()
{
    return nlohmann::json::parse(command("journal"));
}

bool SimStandinProcess::waitState(const std::function<bool(const nlohmann::json&)>& pred,
                                  std::chrono::milliseconds bound)
{
    const auto end = std::chrono::steady_clock::now() + bound;
    do
    {
        if (pred(state()))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

void ReceivedMessages::collect(const std::byte* data, std::uint32_t size, void* context)
{
    static_cast<ReceivedMessages*>(context)->messages.emplace_back(data, data + size);
}

static std::uint32_t idOf(const std::vector<std::byte>& m)
{
    return static_cast<std::uint32_t>(m[8]) | static_cast<std::uint32_t>(m[9]) << 8 |
           static_cast<std::uint32_t>(m[10]) << 16 | static_cast<std::uint32_t>(m[11]) << 24;
}

std::vector<std::uint32_t> ReceivedMessages::ids() const
{
    std::vector<std::uint32_t> out;
    for (const auto& m : messages)
        out.push_back(idOf(m));
    return out;
}

const std::vector<std::byte>* ReceivedMessages::first(std::uint32_t id) const
{
    for (const auto& m : messages)
        if (idOf(m) == id)
            return &m;
    return nullptr;
}

std::size_t ReceivedMessages::count(std::uint32_t id) const
{
    std::size_t n = 0;
    for (const auto& m : messages)
        n += idOf(m) == id;
    return n;
}

bool pollUntil(const std::function<void()>& poll, const std::function<bool()>& done,
               std::chrono::milliseconds bound)
{
    const auto end = std::chrono::steady_clock::now() + bound;
    for (;;)
    {
        poll();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace oxl::test
