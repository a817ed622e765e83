// The pipe stand-in: pipe paths as socket files in OXL_PIPE_DIR, opening, busy and missing pipes.
#include "platform/local_pipe.h"
#include "platform/net_tcp.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace oxl::plat
{
namespace
{

TEST(LocalPipe, PathsMapIntoThePipeFolder)
{
    test::TempFolder tmp;
    test::ScopedEnv dir("OXL_PIPE_DIR", tmp.path().string());
    EXPECT_EQ(localPipeSocketPath("\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect"),
              tmp / "lockheed martin prepar3d v5_simconnect");
    EXPECT_EQ(localPipeSocketPath("\\\\.\\PIPE\\Name"), tmp / "name");
    EXPECT_FALSE(localPipeSocketPath("\\\\server\\pipe\\Name"));
    EXPECT_FALSE(localPipeSocketPath("\\\\.\\pipe\\"));
    EXPECT_FALSE(localPipeSocketPath("C:\\pipe\\Name"));
    EXPECT_FALSE(localPipeSocketPath("\\\\.\\pipe\\" + std::string(200, 'n')));
}

TEST(LocalPipe, OpensAListeningPipeAndNotAMissingOne)
{
    test::TempFolder tmp;
    test::ScopedEnv dir("OXL_PIPE_DIR", tmp.path().string());
    PipeOpenResult result;
    EXPECT_FALSE(openLocalPipe("\\\\.\\pipe\\Sim", std::chrono::milliseconds(100), result).valid());
    EXPECT_EQ(result, PipeOpenResult::notFound);
    EXPECT_FALSE(openLocalPipe("\\\\far\\pipe\\Sim", std::chrono::milliseconds(100), result).valid());
    EXPECT_EQ(result, PipeOpenResult::remoteHost);

    LocalPipeListener listener;
    ASSERT_TRUE(listener.open("\\\\.\\pipe\\Sim", 4));
    net::Socket client = openLocalPipe("\\\\.\\pipe\\sim", std::chrono::milliseconds(100), result);
    ASSERT_TRUE(client.valid());
    EXPECT_EQ(result, PipeOpenResult::ok);
    net::Wait waited;
    net::Socket server = net::acceptWithin(listener.socket(), std::chrono::seconds(5), waited);
    ASSERT_TRUE(server.valid());
    ASSERT_TRUE(net::sendAll(client, "ping"));
    char buf[4];
    EXPECT_EQ(net::receiveWithin(server, buf, 4, std::chrono::seconds(5)), 4);

    listener.close();
    EXPECT_FALSE(std::filesystem::exists(tmp / "sim"));
}

TEST(LocalPipe, BusyPipeIsOpenedOnceTheServerTakesAConnection)
{
    test::TempFolder tmp;
    test::ScopedEnv dir("OXL_PIPE_DIR", tmp.path().string());
    LocalPipeListener listener;
    ASSERT_TRUE(listener.open("\\\\.\\pipe\\Busy", 0));
    PipeOpenResult result;
    std::vector<net::Socket> waiting;
    // Fill the backlog until the pipe is busy.
    for (int i = 0; i < 8; ++i)
    {
        net::Socket s = openLocalPipe("\\\\.\\pipe\\Busy", std::chrono::milliseconds(0), result);
        if (!s.valid())
            break;
        waiting.push_back(std::move(s));
    }
    ASSERT_EQ(result, PipeOpenResult::busy);
    std::thread server(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            net::Wait w;
            net::acceptWithin(listener.socket(), std::chrono::seconds(5), w);
        });
    net::Socket late = openLocalPipe("\\\\.\\pipe\\Busy", std::chrono::milliseconds(5000), result);
    server.join();
    EXPECT_TRUE(late.valid());
    EXPECT_EQ(result, PipeOpenResult::ok);
}

TEST(LocalPipe, WithoutAPipeFolderAnotherAccountsListenerGetsNothing)
{
    // Another account's listener waits where the user's folder would be: a link to its folder, or a folder
    // of that name open to everyone.
    for (const bool link : {true, false})
    {
        SCOPED_TRACE(link);
        test::TempFolder tmp;
        test::ScopedEnv noPipeDir("OXL_PIPE_DIR", std::nullopt);
        test::ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
        test::ScopedEnv temporary("TMPDIR", tmp.path().string());
        test::ScopedEnv cache("XDG_CACHE_HOME", (tmp / "cache").string());
        const auto theirs = link ? tmp / "theirs" : tmp / "cache" / "Ordalis_P3D";
        std::filesystem::create_directories(theirs);
        std::filesystem::create_directories(tmp / "cache");
        std::filesystem::permissions(theirs, std::filesystem::perms::all);
        if (link)
            std::filesystem::create_symlink(theirs, tmp / "cache" / "Ordalis_P3D");
        LocalPipeListener planted;
        {
            test::ScopedEnv dir("OXL_PIPE_DIR", theirs.string());
            ASSERT_TRUE(planted.open("\\\\.\\pipe\\Sim", 4));
        }
        PipeOpenResult result;
        EXPECT_FALSE(openLocalPipe("\\\\.\\pipe\\Sim", std::chrono::milliseconds(100), result).valid());
        EXPECT_EQ(result, PipeOpenResult::notFound);
        LocalPipeListener own;
        ASSERT_TRUE(own.open("\\\\.\\pipe\\Sim", 4));
        EXPECT_TRUE(openLocalPipe("\\\\.\\pipe\\Sim", std::chrono::milliseconds(100), result).valid());
        EXPECT_EQ(localPipeSocketPath("\\\\.\\pipe\\Sim"),
                  tmp / ("Ordalis_P3D-" + std::to_string(::geteuid())) / "sim");
        net::Wait waited;
        EXPECT_FALSE(net::acceptWithin(planted.socket(), std::chrono::milliseconds(0), waited).valid());
    }
}

} // namespace
} // namespace oxl::plat
