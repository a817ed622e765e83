// The named-mutex stand-in: one holder at a time, released when the holder ends.
#include "platform/single_instance.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace oxl::plat
{
namespace
{

TEST(SingleInstance, LockFileIsNamedAfterTheMutexInTheRuntimeFolder)
{
    test::TempFolder runtime;
    test::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
    EXPECT_EQ(singleInstanceLockFile("Local\\$Ordalis_P3D$"), runtime / "Local__Ordalis_P3D_.lock");
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds)
{
    test::TempFolder runtime;
    test::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
    int held[2];
    int release[2];
    ASSERT_EQ(::pipe(held), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0)
    {
        // The first instance: takes the mutex, says so, and ends when told (the pipe is closed).
        ::close(release[1]);
        ::close(held[0]);
        const char got = acquireSingleInstance("Local\\$Test$") ? '1' : '0';
        char ignored = 0;
        const bool talked = ::write(held[1], &got, 1) == 1 && ::read(release[0], &ignored, 1) >= 0;
        ::_exit(talked ? 0 : 2);
    }
    ::close(release[0]);
    ::close(held[1]);
    char got = 0;
    ASSERT_EQ(::read(held[0], &got, 1), 1);
    EXPECT_EQ(got, '1');
    EXPECT_FALSE(acquireSingleInstance("Local\\$Test$"));
    ::close(release[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(acquireSingleInstance("Local\\$Test$"));
    ::close(held[0]);
}

} // namespace
} // namespace oxl::plat
