// Runs the built program as a user would and checks that it starts and ends cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(Program, StartsAndEnds)
{
    const std::string cmd = std::string(OXL_BIN_DIR) + "/ordalis_p3d > /dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}
