#include "platform/folders.h"

#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace oxl::plat
{
namespace
{
using oxl::test::ScopedEnv;

struct FolderCase
{
    const char* name;
    std::optional<std::string> override_;
    std::optional<std::string> xdgConfig;
    std::optional<std::string> home;
    std::optional<std::string> appData;
    std::optional<std::string> docs;
    std::optional<std::string> publicDocs;
};

void PrintTo(const FolderCase& c, std::ostream* os)
{
    *os << c.name;
}

class Folders : public testing::TestWithParam<FolderCase>
{
};

TEST_P(Folders, LookUp)
{
    const FolderCase& c = GetParam();
    ScopedEnv a("OXL_APPDATA", c.override_);
    ScopedEnv d("OXL_DOCUMENTS",
                c.override_ ? std::optional<std::string>(*c.override_ + "/docs") : std::nullopt);
    ScopedEnv p("OXL_PUBLIC_DOCUMENTS",
                c.override_ ? std::optional<std::string>(*c.override_ + "/public") : std::nullopt);
    ScopedEnv x("XDG_CONFIG_HOME", c.xdgConfig);
    ScopedEnv h("HOME", c.home);
    auto text = [](const std::optional<std::filesystem::path>& p)
    { return p ? std::optional<std::string>(p->string()) : std::nullopt; };
    EXPECT_EQ(text(roamingAppData()), c.appData);
    EXPECT_EQ(text(documents()), c.docs);
    EXPECT_EQ(text(publicDocuments()), c.publicDocs);
}

INSTANTIATE_TEST_SUITE_P(Environments, Folders,
                         testing::Values(FolderCase{"Overrides", "/srv/oxl", "/x/config", "/home/u",
                                                    "/srv/oxl", "/srv/oxl/docs", "/srv/oxl/public"},
                                         FolderCase{"XdgConfig", std::nullopt, "/x/config", "/home/u",
                                                    "/x/config", "/home/u/Documents", "/home/u/Public"},
                                         FolderCase{"HomeOnly", std::nullopt, std::nullopt, "/home/u",
                                                    "/home/u/.config", "/home/u/Documents", "/home/u/Public"},
                                         FolderCase{"EmptyCountsAsUnset", std::nullopt, "", "/home/u",
                                                    "/home/u/.config", "/home/u/Documents", "/home/u/Public"},
                                         FolderCase{"Nothing", std::nullopt, std::nullopt, std::nullopt,
                                                    std::nullopt, std::nullopt, std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace oxl::plat
