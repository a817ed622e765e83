// Runs the simulator stand-in as a separate process for tests, and collects what a client receives.
#pragma once

#include "platform/child_process.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace oxl::test
{

// The stand-in process: started with arguments, driven by command lines.
class SimStandinProcess
{
  public:
    // Starts binDir/sim_standin with the arguments and the pipe folder; false when it does not get ready.
    bool start(const std::string& binDir, const std::vector<std::string>& args, const std::string& pipeDir);
    // Runs one command and returns its reply line.
    std::string command(const std::string& line);
    // The stand-in's state as JSON.
    nlohmann::json state();
    // Every client message the stand-in received, as JSON.
    nlohmann::json journal();
    // The TCP IPv4 port it listens on.
    std::uint16_t tcpPort() const { return tcp4_; }
    // Waits (bounded) until pred(state()) holds; false after the bound.
    bool waitState(const std::function<bool(const nlohmann::json&)>& pred,
                   std::chrono::milliseconds bound = std::chrono::seconds(10));

  private:
    plat::ChildProcess process_;
    std::uint16_t tcp4_ = 0;
};

// Received messages of one connection, in arrival order (a dispatch procedure appends to it).
struct ReceivedMessages
{
    std::vector<std::vector<std::byte>> messages;
    // The dispatch procedure: context is a ReceivedMessages*.
    static void collect(const std::byte* data, std::uint32_t size, void* context);
    // Message ids in order.
    std::vector<std::uint32_t> ids() const;
    // The first message with the id, or null.
    const std::vector<std::byte>* first(std::uint32_t id) const;
    // How many messages have the id.
    std::size_t count(std::uint32_t id) const;
};

// Repeats poll (e.g. a dispatch call) until done() holds or the bound passes; the last done().
bool pollUntil(const std::function<void()>& poll, const std::function<bool()>& done,
               std::chrono::milliseconds bound = std::chrono::seconds(10));

} // namespace oxl::test
