// Every harness replays its seeds and the inputs that once broke it (seeds/<harness>, corpus/<harness>).
#include "tests/fuzz/fuzz_driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace oxl::fuzz
{
namespace
{

class ReplayTest : public ::testing::TestWithParam<std::string>
{
};

TEST_P(ReplayTest, SeedsAndRegressionInputsKeepTheInvariants)
{
    prepareProcess();
    const Target* target = findTarget(GetParam());
    ASSERT_NE(target, nullptr);
    std::size_t replayed = 0;
    for (const char* kind : {"seeds", "corpus"})
    {
        const std::filesystem::path folder = std::filesystem::path(OXL_FUZZ_INPUTS) / kind / target->name;
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
        {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            setInputName(entry.path().string());
            target->run(bytes); // a broken invariant aborts with the harness's message and the input's name
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0u) << "no seeds for " << target->name;
}

std::vector<std::string> targetNames()
{
    std::vector<std::string> names;
    for (const auto& target : targets())
        names.emplace_back(target.name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Harnesses, ReplayTest, ::testing::ValuesIn(targetNames()),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace oxl::fuzz
