// The registry stand-in answers from an XML file with the Windows calls' error codes and sizes.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/temp_folder.h"

namespace oxl::plat
{
namespace
{

constexpr const char* kRegistry = R"(<?xml version="1.0"?>
<registry>
  <key root="HKLM" view="64" path="SOFTWARE\Lockheed Martin\Prepar3D v6">
    <value name="SetupPath" type="REG_SZ">D:\P3D v6\</value>
    <value name="Build" type="REG_DWORD">0x1F</value>
    <value name="Stamp" type="REG_QWORD">4294967296</value>
    <value name="Blob" type="REG_BINARY">00ff10</value>
    <value name="Home" type="REG_EXPAND_SZ">%OXL_TEST_HOME%\sim</value>
    <value name="Bad" type="REG_DWORD">twelve</value>
    <value name="Wide" type="REG_SZ">Zürich 𝄞</value>
  </key>
  <key root="HKLM" view="32" path="SOFTWARE\Lockheed Martin\Prepar3D v4">
    <value name="SetupPath" type="REG_SZ">C:\old\</value>
  </key>
  <key root="HKEY_CURRENT_USER" path="SOFTWARE\Lockheed Martin\Prepar3D v5">
    <value name="SimConnect_Port_IPv4" type="REG_SZ">500</value>
    <value name="SimConnect_Port_IPv6" type="REG_SZ">5000000000000000000</value>
  </key>
</registry>
)";

class Registry : public testing::Test
{
  protected:
    void SetUp() override { test::writeBytes(folder_ / "registry.xml", kRegistry); }

    RegKey open(RegKey root, std::u16string_view path, std::uint32_t sam = kKeyRead | kKeyWow64_64Key)
    {
        RegKey key = 0;
        EXPECT_EQ(regOpenKeyEx(root, path, 0, sam, &key), 0U);
        return key;
    }

    test::TempFolder folder_;
    test::ScopedEnv env_{"OXL_REGISTRY", (folder_ / "registry.xml").string()};
    test::ScopedEnv home_{"OXL_TEST_HOME", "/home/pilot"};
};

TEST_F(Registry, OpensListedKeysAndTheirParentsWhateverTheCase)
{
    const RegKey key = open(kHkeyLocalMachine, u"software\\LOCKHEED MARTIN\\prepar3d V6");
    EXPECT_NE(key, 0U);
    EXPECT_FALSE(isPredefinedKey(key));
    EXPECT_EQ(regCloseKey(key), 0U);
    const RegKey parent = open(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin");
    const RegKey child = open(parent, u"Prepar3D v6");
    EXPECT_EQ(regCloseKey(child), 0U);
    EXPECT_EQ(regCloseKey(parent), 0U);
}

TEST_F(Registry, MissingKeysAndBadHandles)
{
    RegKey key = 1234;
    EXPECT_EQ(regOpenKeyEx(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v5", 0, kKeyRead, &key),
              2U);
    EXPECT_EQ(key, 0U);
    EXPECT_EQ(regOpenKeyEx(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D", 0, kKeyRead, &key), 2U);
    EXPECT_EQ(regOpenKeyEx(0x4444, u"SOFTWARE", 0, kKeyRead, &key), 6U);
    EXPECT_EQ(regOpenKeyEx(kHkeyLocalMachine, u"SOFTWARE", 0, kKeyRead, nullptr), 87U);
    EXPECT_EQ(regCloseKey(0x4444), 6U);
    EXPECT_EQ(regCloseKey(kHkeyLocalMachine), 0U);
}

TEST_F(Registry, ClosedHandleIsUnknown)
{
    const RegKey key = open(kHkeyLocalMachine, u"SOFTWARE");
    EXPECT_EQ(regCloseKey(key), 0U);
    EXPECT_EQ(regCloseKey(key), 6U);
    std::uint32_t bytes = 0;
    EXPECT_EQ(regGetValue(key, u"", u"SetupPath", kRrfRtRegSz, nullptr, nullptr, &bytes), 6U);
}

TEST_F(Registry, ViewsOfTheLocalMachine)
{
    RegKey key = 0;
    EXPECT_EQ(regOpenKeyEx(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v4", 0,
                           kKeyRead | kKeyWow64_64Key, &key),
              2U);
    EXPECT_EQ(regOpenKeyEx(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v6", 0,
                           kKeyRead | kKeyWow64_32Key, &key),
              2U);
    key = open(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v4", kKeyRead | kKeyWow64_32Key);
    regCloseKey(key);
    // The current user's keys are shared by both views.
    key = open(kHkeyCurrentUser, u"SOFTWARE\\Lockheed Martin\\Prepar3D v5", kKeyRead | kKeyWow64_32Key);
    regCloseKey(key);
}

// The size query counts UTF-16 units with the terminating zero; a short buffer gives 234 and the size.
TEST_F(Registry, StringSizeQueryThenRead)
{
    const RegKey key = open(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v6");
    std::uint32_t bytes = 0;
    std::uint32_t type = 99;
    ASSERT_EQ(regGetValue(key, u"", u"setuppath", kRrfRtRegSz, &type, nullptr, &bytes), 0U);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(bytes, (std::u16string(u"D:\\P3D v6\\").size() + 1) * 2);

    std::u16string shortBuffer(4, u'x');
    std::uint32_t shortBytes = 8;
    EXPECT_EQ(regGetValue(key, u"", u"SetupPath", kRrfRtRegSz, nullptr, shortBuffer.data(), &shortBytes),
              234U);
    EXPECT_EQ(shortBytes, bytes);

    std::u16string text(bytes / 2, u'\0');
    ASSERT_EQ(regGetValue(key, u"", u"SetupPath", kRrfRtRegSz, nullptr, text.data(), &bytes), 0U);
    EXPECT_EQ(text, std::u16string(u"D:\\P3D v6\\") + u'\0');
    regCloseKey(key);
}

TEST_F(Registry, NonAsciiTextBecomesUtf16WithSurrogates)
{
    const RegKey key = open(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v6");
    char16_t text[16] = {};
    std::uint32_t bytes = sizeof(text);
    ASSERT_EQ(regGetValue(key, u"", u"Wide", kRrfRtRegSz, nullptr, text, &bytes), 0U);
    EXPECT_EQ(std::u16string(text), u"Zürich 𝄞");
    EXPECT_EQ(bytes, (7U + 2U + 1U) * 2U);
    regCloseKey(key);
}

TEST_F(Registry, NumbersAndBinary)
{
    const RegKey key = open(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v6");
    std::uint32_t dword = 0;
    std::uint32_t bytes = sizeof(dword);
    std::uint32_t type = 0;
    ASSERT_EQ(regGetValue(key, u"", u"Build", kRrfRtRegDword, &type, &dword, &bytes), 0U);
    EXPECT_EQ(dword, 31U);
    EXPECT_EQ(type, kRegDword);
    std::uint64_t qword = 0;
    bytes = sizeof(qword);
    ASSERT_EQ(regGetValue(key, u"", u"Stamp", kRrfRtRegQword, nullptr, &qword, &bytes), 0U);
    EXPECT_EQ(qword, 4294967296ULL);
    unsigned char blob[3] = {};
    bytes = sizeof(blob);
    ASSERT_EQ(regGetValue(key, u"", u"Blob", kRrfRtAny, &type, blob, &bytes), 0U);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(blob[1], 0xFF);
    regCloseKey(key);
}

TEST_F(Registry, WrongTypeMissingValueAndBadArguments)
{
    const RegKey key = open(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v6");
    std::uint32_t bytes = 0;
    EXPECT_EQ(regGetValue(key, u"", u"Build", kRrfRtRegSz, nullptr, nullptr, &bytes), 1630U);
    EXPECT_EQ(regGetValue(key, u"", u"SetupPath", kRrfRtRegDword, nullptr, nullptr, &bytes), 1630U);
    EXPECT_EQ(regGetValue(key, u"", u"Nothing", kRrfRtRegSz, nullptr, nullptr, &bytes), 2U);
    EXPECT_EQ(regGetValue(key, u"", u"Bad", kRrfRtAny, nullptr, nullptr, &bytes), 2U);
    EXPECT_EQ(regGetValue(key, u"", u"SetupPath", 0, nullptr, nullptr, &bytes), 87U);
    char16_t buffer[4];
    EXPECT_EQ(regGetValue(key, u"", u"SetupPath", kRrfRtRegSz, nullptr, buffer, nullptr), 87U);
    std::uint32_t dword = 7;
    bytes = sizeof(dword);
    EXPECT_EQ(
        regGetValue(key, u"", u"SetupPath", kRrfRtRegDword | kRrfZeroOnFailure, nullptr, &dword, &bytes),
        1630U);
    EXPECT_EQ(dword, 0U);
    regCloseKey(key);
}

TEST_F(Registry, ExpandableStrings)
{
    const RegKey key = open(kHkeyLocalMachine, u"SOFTWARE\\Lockheed Martin\\Prepar3D v6");
    char16_t text[64] = {};
    std::uint32_t bytes = sizeof(text);
    std::uint32_t type = 0;
    ASSERT_EQ(regGetValue(key, u"", u"Home", kRrfRtRegSz, &type, text, &bytes), 0U);
    EXPECT_EQ(std::u16string(text), u"/home/pilot\\sim");
    EXPECT_EQ(type, kRegSz);
    bytes = sizeof(text);
    ASSERT_EQ(regGetValue(key, u"", u"Home", kRrfRtRegExpandSz | kRrfNoExpand, &type, text, &bytes), 0U);
    EXPECT_EQ(std::u16string(text), u"%OXL_TEST_HOME%\\sim");
    EXPECT_EQ(type, kRegExpandSz);
    EXPECT_EQ(regGetValue(key, u"", u"Home", kRrfRtRegExpandSz, &type, text, &bytes), 87U);
    regCloseKey(key);
}

TEST_F(Registry, SubKeyOfTheCallAndTheCurrentUser)
{
    char16_t port[10] = {};
    std::uint32_t bytes = sizeof(port);
    ASSERT_EQ(regGetValue(kHkeyCurrentUser, u"SOFTWARE\\Lockheed Martin\\Prepar3D v5",
                          u"SimConnect_Port_IPv4", kRrfRtRegSz, nullptr, port, &bytes),
              0U);
    EXPECT_EQ(std::u16string(port), u"500");
    bytes = sizeof(port);
    EXPECT_EQ(regGetValue(kHkeyCurrentUser, u"SOFTWARE\\Lockheed Martin\\Prepar3D v5",
                          u"SimConnect_Port_IPv6", kRrfRtRegSz, nullptr, port, &bytes),
              234U);
    EXPECT_EQ(bytes, 40U);
    EXPECT_EQ(regGetValue(kHkeyCurrentUser, u"SOFTWARE\\Nobody", u"X", kRrfRtRegSz, nullptr, nullptr, &bytes),
              2U);
}

TEST(RegistryFile, NoFileOrDamagedFileHoldsNoKey)
{
    test::TempFolder folder;
    test::ScopedEnv env("OXL_REGISTRY", (folder / "missing.xml").string());
    RegKey key = 0;
    EXPECT_EQ(regOpenKeyEx(kHkeyLocalMachine, u"SOFTWARE", 0, kKeyRead, &key), 2U);
    test::writeBytes(folder / "missing.xml", "<registry><key root=");
    EXPECT_EQ(regOpenKeyEx(kHkeyLocalMachine, u"SOFTWARE", 0, kKeyRead, &key), 2U);
    // The roots themselves always open.
    EXPECT_EQ(regOpenKeyEx(kHkeyLocalMachine, u"", 0, kKeyRead, &key), 0U);
    EXPECT_EQ(regCloseKey(key), 0U);
}

TEST(RegistryFile, DefaultsToAppData)
{
    test::TempFolder folder;
    test::ScopedEnv registry("OXL_REGISTRY", std::nullopt);
    test::ScopedEnv appData("OXL_APPDATA", folder.path().string());
    EXPECT_EQ(registryFile(), folder / "registry.xml");
}

} // namespace
} // namespace oxl::plat
