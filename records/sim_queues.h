// The records and queues between the live traffic engine and the simulator link: what the main loop hands
// to the SimClient thread (positions, events, create requests, removals, all under simMutex) and what the
// SimClient thread hands back (answers, under simAnswerMutex). Header-only, so that the engine, static
// parking and the simulator link share one definition without depending on each other.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oxl
{

/// One entry of a position buffer: the 64-byte block sent as it stands, then the object it moves.
struct SimPosition
{
    double lat = 0.0;           ///< [deg]
    double lon = 0.0;           ///< [deg]
    double pitch = 0.0;         ///< [rad] negative = nose up
    double bank = 0.0;          ///< [rad]
    double heading = 0.0;       ///< [rad] true
    double alt = 0.0;           ///< [ft]
    double vs = 0.0;            ///< [ft/s]
    double tas = 0.0;           ///< [kt]
    std::uint32_t objectId = 0; ///< simulator object id
};

/// One client event for one object: the event id of the program's event table and its parameter.
struct SimEventEntry
{
    std::uint32_t objectId = 0; ///< simulator object id
    std::uint32_t eventId = 0;  ///< the program's client event id (201..223)
    std::uint32_t data = 0;     ///< lever or flap position 0..16383, or 0/1 for a switch
};

/// One AI aircraft to create; the first eight fields are the simulator's initial-position record.
struct CreateRequest
{
    double lat = 0.0;           ///< [deg]
    double lon = 0.0;           ///< [deg]
    double alt = 0.0;           ///< [ft]
    double pitch = 0.0;         ///< [deg]
    double bank = 0.0;          ///< [deg]
    double heading = 0.0;       ///< [deg]
    std::uint32_t onGround = 0; ///< 1 on the ground, 0 in the air
    std::uint32_t airspeed = 0; ///< [kt]
    std::string callsign;       ///< tail number, and the ATC id by which the new object is recognised
    std::string_view title;     ///< installed livery title; the livery list outlives every request
    std::uint32_t hexid = 0;    ///< live aircraft above 10000, static ones 1..10000
};

/// What an answer of the simulator link tells the main loop.
enum class SimAnswerKind : std::uint32_t
{
    liveCreated = 0,     ///< own live aircraft identified after its creation
    staticCreated = 1,   ///< own static aircraft identified after its creation
    objectRemoved = 2,   ///< an object left the simulator
    groundData = 3,      ///< ground data of another aircraft within range
    staticCg = 4,        ///< static centre of gravity of an object
    callsignBlocked = 5, ///< never posted by the simulator link; the main loop keeps a handler
    createFailed = 6,    ///< the simulator refused a creation
    createRefused = 7,   ///< a creation not sent for its tail number, or not added in time; livery sound
};

/// One message from the simulator link to the main loop.
struct SimAnswer
{
    std::uint32_t objectId = 0;    ///< simulator object id; 0 for createFailed
    std::uint32_t hexid = 0;       ///< the aircraft's hexid; for groundData the on-ground value 0/1
    std::uint32_t tickCounter = 0; ///< 0 when pushed
    SimAnswerKind kind = SimAnswerKind::liveCreated; ///< what the answer is about
    double value1 = 0.0; ///< groundData: ground altitude [ft]; staticCg: CG height above ground [ft]
    double value2 = 0.0; ///< liveCreated, groundData: altitude above ground [ft]; staticCg: pitch [rad]
};

/// Frame rate above which the main loop waits for a busy simMutex instead of dropping a tick of positions.
inline constexpr float kWaitForSenderAboveFps = 50.0f;

/// What became of a tick's positions.
enum class PositionHandOver
{
    swapped,          ///< the lock was free: the buffers were swapped
    waitedAndSwapped, ///< the lock was busy at a high frame rate: waited, then swapped
    dropped,          ///< the lock was busy at a low frame rate: this tick's positions were dropped
};

/// The hand-over from the main loop to the SimClient thread's frame sender. simMutex guards the five
/// queues and the buffer pointers and serialises the program's sending calls into the client library.
struct SimQueues
{
    SimQueues() = default;
    SimQueues(const SimQueues&) = delete;
    SimQueues& operator=(const SimQueues&) = delete;

    /// Empties every queue and points the fill buffer at the first vector (the cycle reset).
    void reset()
    {
        std::lock_guard lock(simMutex);
        for (auto& buffer : positionBuffers)
            buffer.clear();
        fill = &positionBuffers[0];
        send = &positionBuffers[1];
        events.clear();
        creates.clear();
        removals.clear();
        withdrawals.clear();
    }

    /// Appends a copy of one create request (gf_queueCreateAc).
    void queueCreateAc(const CreateRequest& request)
    {
        std::lock_guard lock(simMutex);
        creates.push_back(request);
    }

    /// Appends one client event (gf_queueSimEvent).
    void queueSimEvent(const SimEventEntry& entry)
    {
        std::lock_guard lock(simMutex);
        events.push_back(entry);
    }

    /// Appends one object id to the removal list.
    void queueRemoval(std::uint32_t objectId)
    {
        std::lock_guard lock(simMutex);
        removals.push_back(objectId);
    }

    /// Withdraws the creation of a live aircraft that no longer wants to be in the simulator: a request not
    /// yet taken by the frame sender is dropped, one already sent is let go by the simulator link.
    void withdrawCreation(std::uint32_t hexid)
    {
        std::lock_guard lock(simMutex);
        const auto before = creates.size();
        std::erase_if(creates, [hexid](const CreateRequest& r) { return r.hexid == hexid; });
        if (creates.size() == before)
            withdrawals.push_back(hexid);
    }

    /// Hands the fill buffer to the frame sender (the main loop's step after updating every aircraft).
    PositionHandOver handOverPositions()
    {
        std::unique_lock lock(simMutex, std::try_to_lock);
        PositionHandOver result = PositionHandOver::swapped;
        if (!lock.owns_lock())
        {
            // Above 50 fps the sender frees the lock again within a frame; below, waiting would slow the
            // main loop more than a tick of positions is worth.
            if (frameRate.load(std::memory_order_relaxed) <= kWaitForSenderAboveFps)
            {
                // The fill buffer is the main loop's own: the pointers change only on this thread.
                fill->clear();
                return PositionHandOver::dropped;
            }
            lock.lock();
            result = PositionHandOver::waitedAndSwapped;
        }
        std::swap(fill, send);
        fill->clear();
        return result;
    }

    std::mutex simMutex;                                     ///< guards everything below
    std::array<std::vector<SimPosition>, 2> positionBuffers; ///< the double buffer
    std::vector<SimPosition>* fill = &positionBuffers[0];    ///< written by the main loop during a tick
    std::vector<SimPosition>* send = &positionBuffers[1];    ///< read by the frame sender
    std::vector<SimEventEntry> events;                       ///< in order of queuing
    std::vector<CreateRequest> creates;                      ///< the create list
    std::vector<std::uint32_t> removals;                     ///< object ids to remove
    std::vector<std::uint32_t> withdrawals;                  ///< hexids whose sent creations are let go
    std::atomic<float> frameRate{0.0f}; ///< [frames/s] the simulator's, stored every 30th frame (gFrameRate)
};

/// The answers of the simulator link, drained by the main loop once per tick.
struct SimAnswerQueue
{
    SimAnswerQueue() = default;
    SimAnswerQueue(const SimAnswerQueue&) = delete;
    SimAnswerQueue& operator=(const SimAnswerQueue&) = delete;

    /// Appends one answer (SimClient thread).
    void push(const SimAnswer& answer)
    {
        std::lock_guard lock(simAnswerMutex);
        answers.push_back(answer);
    }

    std::mutex simAnswerMutex;      ///< guards answers
    std::vector<SimAnswer> answers; ///< in arrival order
};

/// The main loop's own queues toward the simulator link, touched only on the cycle worker thread: live
/// and static create requests waiting for their 50-tick slot and object ids waiting for their 10-tick slot.
struct MainLoopQueues
{
    /// Empties the three queues (the cycle reset).
    void clear()
    {
        liveCreates.clear();
        staticCreates.clear();
        removals.clear();
    }

    std::deque<CreateRequest> liveCreates;   ///< live create deque, first in first out
    std::deque<CreateRequest> staticCreates; ///< static create deque, filled by static parking
    std::deque<std::uint32_t> removals;      ///< removal queue of object ids
};

} // namespace oxl
