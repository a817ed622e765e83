// Built without NDEBUG, so the owner check is built in whatever OXL_OWNER_CHECKS says.
#include <gtest/gtest.h>

#undef NDEBUG
#include "foundation/thread_owner.h"

#include <thread>

namespace oxl
{
namespace
{

TEST(ThreadOwnerDeathTest, SecondThreadStopsTheProgramUntilTheOwnerIsReleased)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ThreadOwner owner;
    owner.check();
    owner.check(); // the owner may touch its state again

    EXPECT_DEATH(std::thread([&owner] { owner.check(); }).join(), "state touched off its owning thread");

    owner.release(); // a new cycle's thread takes the state over
    std::thread([&owner] { owner.check(); }).join();
    EXPECT_DEATH(owner.check(), "state touched off its owning thread");
}

} // namespace
} // namespace oxl
