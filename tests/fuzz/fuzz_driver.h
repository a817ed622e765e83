// The small driver that the fuzz harnesses share: each harness registers one target by name, and
// either libFuzzer (the fuzz build) or the regression test (every build) feeds it inputs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace oxl::fuzz
{

/// One harness: a parser of outside input driven by arbitrary bytes.
struct Target
{
    const char* name;
    void (*run)(std::span<const std::uint8_t> input);
};

/// Registers a harness at start-up; returns true so that it can initialise a static.
bool registerTarget(Target target);
/// The harness of that name, or nullptr.
const Target* findTarget(std::string_view name);
/// Every registered harness.
std::span<const Target> targets();

/// Sets up the process once: the program's folders point into a private temporary folder.
void prepareProcess();
/// A file of that name in the private temporary folder, holding the bytes.
std::filesystem::path writeInput(std::string_view name, std::span<const std::uint8_t> bytes);
/// The private temporary folder (emptied by nobody: the harnesses overwrite their files).
const std::filesystem::path& scratchFolder();

/// Names the input being replayed in the message of fail() (the replay test sets it; libFuzzer keeps
/// the input itself).
void setInputName(std::string name);

/// Ends the process with the harness's name and the broken invariant (the input is then kept as a
/// crash by libFuzzer, or fails the regression test).
[[noreturn]] void fail(const char* harness, const std::string& what);

/// Reads a fuzz input piece by piece: fixed-size values from the front, the rest as bytes.
class Input
{
  public:
    explicit Input(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    /// A value taken from the front (zero once the input is used up).
    template <typename T> T take()
    {
        T value{};
        const std::size_t n = std::min(sizeof(T), bytes_.size());
        std::memcpy(&value, bytes_.data(), n);
        bytes_ = bytes_.subspan(n);
        return value;
    }
    /// Up to n bytes from the front.
    std::span<const std::uint8_t> bytes(std::size_t n)
    {
        n = std::min(n, bytes_.size());
        const auto part = bytes_.first(n);
        bytes_ = bytes_.subspan(n);
        return part;
    }
    /// Everything left.
    std::span<const std::uint8_t> rest() { return bytes(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }

  private:
    std::span<const std::uint8_t> bytes_;
};

/// The bytes as text.
inline std::string_view asText(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

/// The text as bytes.
inline std::span<const std::uint8_t> asBytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace oxl::fuzz

/// Defines and registers a harness: OXL_FUZZ_TARGET(name) { ... uses `input` ... }
#define OXL_FUZZ_TARGET(name)                                                                                \
    static void oxlFuzz_##name(std::span<const std::uint8_t> input);                                         \
    [[maybe_unused]] static const bool oxlFuzzRegistered_##name =                                            \
        ::oxl::fuzz::registerTarget({#name, &oxlFuzz_##name});                                               \
    static void oxlFuzz_##name(std::span<const std::uint8_t> input)

/// Checks an invariant of a harness's result.
#define OXL_FUZZ_CHECK(condition, harness, what)                                                             \
    do                                                                                                       \
    {                                                                                                        \
        if (!(condition))                                                                                    \
            ::oxl::fuzz::fail(harness, std::string(what) + " (" #condition ")");                             \
    } while (false)
