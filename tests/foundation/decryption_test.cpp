#include "foundation/data_key.h"
#include "foundation/decryption.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace oxl
{
namespace
{

namespace fs = std::filesystem;

constexpr std::size_t kHeader = 24;
constexpr std::size_t kChunk = 4113;

using test::readBytes;
using test::writeBytes;

std::string randomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
    {
        c = static_cast<char>(random() & 0xff);
    }
    return bytes;
}

/// Runs the encryption tool; its exit status.
int encryptWithTool(const fs::path& plain, const fs::path& enc)
{
    const std::string command = std::string("'") + OXL_BIN_DIR + "/oxl_encrypt' '" + plain.string() + "' '" +
                                enc.string() + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class DecryptionTest : public ::testing::Test
{
  protected:
    /// Encrypts `plain` with the tool and returns the .enc bytes.
    std::string encrypt(const std::string& plain)
    {
        writeBytes(dir_ / "plain.bin", plain);
        EXPECT_EQ(encryptWithTool(dir_ / "plain.bin", dir_ / "data.enc"), 0);
        return readBytes(dir_ / "data.enc");
    }

    /// Decrypts `enc` with the program's key; the exception text, or "" on success.
    std::string decryptError(const std::string& enc, const std::array<unsigned char, 32>& key = kDataFileKey)
    {
        writeBytes(dir_ / "input.enc", enc);
        try
        {
            gf_decryptStream(key, dir_ / "input.enc", dir_ / "output.xml");
        }
        catch (const std::runtime_error& error)
        {
            return error.what();
        }
        return "";
    }

    test::TempFolder folder_;
    const fs::path& dir_ = folder_.path();
};

class ToolRoundTrip : public DecryptionTest, public ::testing::WithParamInterface<std::size_t>
{
};

TEST_P(ToolRoundTrip, DecryptionGivesBackTheSameBytes)
{
    const std::size_t size = GetParam();
    const std::string plain = randomBytes(size, static_cast<unsigned>(size));
    const std::string enc = encrypt(plain);
    const std::size_t chunks = size / 4096 + 1 - (size > 0 && size % 4096 == 0 ? 1 : 0);
    EXPECT_EQ(enc.size(), kHeader + size + chunks * 17);

    ASSERT_EQ(decryptError(enc), "");
    EXPECT_EQ(readBytes(dir_ / "output.xml"), plain);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ToolRoundTrip,
                         ::testing::Values(0, 1, 4095, 4096, 4097, 3 * 4096 + 5, 100000));

// Chunks are read 4113 bytes at a time, so only bytes after a full-size FINAL chunk stay unread.
TEST_F(DecryptionTest, BytesAfterAFullFinalChunkAreNotRead)
{
    const std::string plain = randomBytes(2 * 4096, 7);
    ASSERT_EQ(decryptError(encrypt(plain) + "trailing garbage"), "");
    EXPECT_EQ(readBytes(dir_ / "output.xml"), plain);
}

TEST_F(DecryptionTest, ForeignKeyFailsAuthentication)
{
    std::array<unsigned char, 32> otherKey = kDataFileKey;
    otherKey[31] ^= 0x01;
    EXPECT_EQ(decryptError(encrypt(randomBytes(9000, 1)), otherKey), "Decryption failed");
}

struct Damage
{
    const char* name;
    std::size_t plainSize;
    std::string (*apply)(std::string enc);
    const char* error;
};

void PrintTo(const Damage& damage, std::ostream* out)
{
    *out << damage.name;
}

class DamagedFile : public DecryptionTest, public ::testing::WithParamInterface<Damage>
{
};

TEST_P(DamagedFile, IsRefused)
{
    const Damage& damage = GetParam();
    EXPECT_EQ(decryptError(damage.apply(encrypt(randomBytes(damage.plainSize, 3)))), damage.error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedFile,
    ::testing::Values(
        Damage{"EmptyFile", 100, [](std::string) { return std::string(); }, "Invalid header or key"},
        Damage{"HeaderCutShort", 100, [](std::string enc) { return enc.substr(0, 10); },
               "Invalid header or key"},
        Damage{"HeaderOnly", 100, [](std::string enc) { return enc.substr(0, kHeader); },
               "Decryption failed"},
        Damage{"HeaderByteFlipped", 100,
               [](std::string enc)
               {
                   enc[5] = static_cast<char>(enc[5] ^ 0x40);
                   return enc;
               },
               "Decryption failed"},
        Damage{"ChunkByteFlipped", 9000,
               [](std::string enc)
               {
                   enc[kHeader + kChunk + 100] = static_cast<char>(enc[kHeader + kChunk + 100] ^ 0x01);
                   return enc;
               },
               "Decryption failed"},
        Damage{"CutInsideAChunk", 9000, [](std::string enc) { return enc.substr(0, kHeader + kChunk + 50); },
               "Decryption failed"},
        // Ends cleanly after a whole chunk, but that chunk is not the FINAL one.
        Damage{"CutAtAChunkBoundary", 9000,
               [](std::string enc) { return enc.substr(0, kHeader + 2 * kChunk); }, "Decryption failed"},
        Damage{"LastByteMissing", 4097, [](std::string enc) { return enc.substr(0, enc.size() - 1); },
               "Decryption failed"}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST_F(DecryptionTest, MissingInputIsReported)
{
    try
    {
        gf_decryptStream(kDataFileKey, dir_ / "absent.enc", dir_ / "output.xml");
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_EQ(std::string(error.what()), "Could not open input file: " + (dir_ / "absent.enc").string());
    }
    EXPECT_FALSE(fs::exists(dir_ / "output.xml"));
}

TEST_F(DecryptionTest, ToolLeavesNoOutputWhenTheInputIsMissing)
{
    EXPECT_EQ(encryptWithTool(dir_ / "absent.bin", dir_ / "data.enc"), 1);
    EXPECT_FALSE(fs::exists(dir_ / "data.enc"));
    EXPECT_FALSE(fs::exists(dir_ / "data.enc.part"));
}

TEST_F(DecryptionTest, StreamDecryptWithTheProgramsKey)
{
    const std::string plain = randomBytes(10000, 11);
    writeBytes(dir_ / "input.enc", encrypt(plain));

    EXPECT_TRUE(gf_streamDecrypt(dir_ / "input.enc", dir_ / "output.xml"));
    EXPECT_EQ(readBytes(dir_ / "output.xml"), plain);
}

TEST_F(DecryptionTest, StreamDecryptFailureLeavesNoOutput)
{
    test::LogCapture log;
    const std::string enc = encrypt(randomBytes(10000, 12));
    writeBytes(dir_ / "input.enc", enc.substr(0, enc.size() - 100));

    EXPECT_FALSE(gf_streamDecrypt(dir_ / "input.enc", dir_ / "output.xml"));

    EXPECT_FALSE(fs::exists(dir_ / "output.xml"));
    EXPECT_TRUE(log.contains("gf_streamDecrypt exception: Decryption failed"));
}

TEST_F(DecryptionTest, StreamDecryptOfAMissingFile)
{
    test::LogCapture log;
    EXPECT_FALSE(gf_streamDecrypt(dir_ / "absent.enc", dir_ / "output.xml"));
    EXPECT_TRUE(log.contains("gf_streamDecrypt exception: Could not open input file: " +
                             (dir_ / "absent.enc").string()));
}

} // namespace
} // namespace oxl
