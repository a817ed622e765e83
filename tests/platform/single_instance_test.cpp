// The named-mutex stand-in: one holder at a time, released when the holder ends.
#include "platform/single_instance.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
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

TEST(SingleInstance, WithoutARuntimeFolderNothingPlantedDecidesTheStart)
{
    // What another account could have left at the lock's old name in the shared temporary folder, or in
    // the way of the user's own folder; the lock is then taken in a folder only this user can write.
    const std::function<void(const std::filesystem::path&)> plants[] = {
        [](const auto& t) { std::filesystem::create_symlink(t / "target", t / "Local__Test_.lock"); },
        [](const auto& t)
        {
            const int fd = ::open((t / "Local__Test_.lock").c_str(), O_RDWR | O_CREAT, 0666);
            ::fchmod(fd, 0666);
            ::flock(fd, LOCK_EX); // held by this process until the end: another program's lock
        },
        [](const auto& t) { std::filesystem::create_symlink(t / "target", t / "cache" / "Ordalis_P3D"); },
        [](const auto& t)
        { std::filesystem::create_directories(t / "cache" / "Ordalis_P3D" / "Local__Test_.lock"); },
    };
    for (std::size_t i = 0; i < std::size(plants); ++i)
    {
        SCOPED_TRACE(i);
        test::TempFolder tmp;
        test::ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
        test::ScopedEnv temporary("TMPDIR", tmp.path().string());
        test::ScopedEnv cache("XDG_CACHE_HOME", (tmp / "cache").string());
        std::filesystem::create_directories(tmp / "cache");
        plants[i](tmp.path());
        const std::filesystem::path file = singleInstanceLockFile("Local\\$Test$");
        EXPECT_NE(file.parent_path(), tmp.path());
        struct stat folder = {};
        ASSERT_EQ(::lstat(file.parent_path().c_str(), &folder), 0);
        EXPECT_EQ(folder.st_mode & 07777, 0700u);
        const pid_t child = ::fork();
        if (child == 0) // a fresh process: this one may hold the planted lock
            ::_exit(acquireSingleInstance("Local\\$Test$") ? 0 : 1);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_FALSE(std::filesystem::exists(tmp / "target"));
    }
}

} // namespace
} // namespace oxl::plat
