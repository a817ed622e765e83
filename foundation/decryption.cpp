#include "foundation/decryption.h"

#include "foundation/data_key.h"
#include "foundation/log.h"
#include "foundation/system_lookups.h"

#include <fmt/format.h>

#include <sodium.h>

#include <fstream>
#include <functional>
#include <istream>
#include <stdexcept>

namespace oxl
{

namespace
{

constexpr std::size_t kHeaderBytes = crypto_secretstream_xchacha20poly1305_HEADERBYTES; // 24
constexpr std::size_t kChunkBytes = kEncChunkPlainBytes + crypto_secretstream_xchacha20poly1305_ABYTES;

static_assert(kHeaderBytes == 24);
static_assert(kChunkBytes == 4113);

// Decrypts the stream of `in`, handing each chunk's plain bytes to `put`.
void lf_decryptChunks(const std::array<unsigned char, 32>& key, std::istream& in,
                      const std::function<void(const unsigned char*, std::size_t)>& put)
{
    static_assert(sizeof(key) == crypto_secretstream_xchacha20poly1305_KEYBYTES);
    // init_pull accepts any 24 bytes, so a short read is the only header damage it can be told about
    // here; any other damage shows as a chunk that does not authenticate.
    std::array<unsigned char, kHeaderBytes> header{};
    in.read(reinterpret_cast<char*>(header.data()), header.size());
    crypto_secretstream_xchacha20poly1305_state state;
    if (static_cast<std::size_t>(in.gcount()) != header.size() ||
        crypto_secretstream_xchacha20poly1305_init_pull(&state, header.data(), key.data()) != 0)
    {
        throw std::runtime_error("Invalid header or key");
    }

    std::array<unsigned char, kChunkBytes> cipher{};
    std::array<unsigned char, kEncChunkPlainBytes> plain{};
    bool final = false;
    while (!final)
    {
        in.read(reinterpret_cast<char*>(cipher.data()), cipher.size());
        const auto got = static_cast<unsigned long long>(in.gcount());
        // A stream that ends before its FINAL chunk was cut short: what came so far is not the file.
        if (got == 0)
        {
            throw std::runtime_error("Decryption failed");
        }
        unsigned long long plainLen = 0;
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&state, plain.data(), &plainLen, &tag, cipher.data(),
                                                       got, nullptr, 0) != 0)
        {
            throw std::runtime_error("Decryption failed");
        }
        put(plain.data(), static_cast<std::size_t>(plainLen));
        final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
    }
}

std::ifstream lf_openEncrypted(const std::filesystem::path& inPath)
{
    if (sodium_init() < 0)
    {
        throw std::runtime_error("libsodium could not be initialised");
    }
    std::ifstream in(inPath, std::ios::binary);
    if (!in)
    {
        throw std::runtime_error("Could not open input file: " + inPath.string());
    }
    return in;
}

} // namespace

void gf_decryptStream(const std::array<unsigned char, 32>& key, const std::filesystem::path& inPath,
                      const std::filesystem::path& outPath)
{
    std::ifstream in = lf_openEncrypted(inPath);
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    if (!out)
    {
        throw std::runtime_error("Could not open output file: " + outPath.string());
    }
    lf_decryptChunks(key, in,
                     [&out](const unsigned char* bytes, std::size_t count) {
                         out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(count));
                     });
    out.close();
    if (!out)
    {
        throw std::runtime_error("Could not write output file: " + outPath.string());
    }
}

std::string gf_decryptStreamToText(const std::array<unsigned char, 32>& key,
                                   const std::filesystem::path& inPath)
{
    std::ifstream in = lf_openEncrypted(inPath);
    std::string text;
    lf_decryptChunks(key, in,
                     [&text](const unsigned char* bytes, std::size_t count)
                     { text.append(reinterpret_cast<const char*>(bytes), count); });
    return text;
}

bool gf_streamDecrypt(const std::filesystem::path& inPath, const std::filesystem::path& outPath)
{
    try
    {
        gf_decryptStream(kDataFileKey, inPath, outPath);
        return true;
    }
    catch (const std::exception& error)
    {
        gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", error.what()));
    }
    // Half a database is worse than none: the reader must not find a partial plain file.
    gf_removeFileIfExists(outPath);
    return false;
}

std::optional<std::string> gf_streamDecrypt(const std::filesystem::path& inPath)
{
    try
    {
        return gf_decryptStreamToText(kDataFileKey, inPath);
    }
    catch (const std::exception& error)
    {
        gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", error.what()));
    }
    return std::nullopt;
}

} // namespace oxl
