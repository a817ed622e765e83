#include "foundation/encryption.h"

#include "foundation/data_key.h"

#include <sodium.h>

#include <fstream>
#include <stdexcept>

namespace oxl
{

void gf_encryptStream(const std::array<unsigned char, 32>& key, const std::filesystem::path& plainPath,
                      const std::filesystem::path& encPath)
{
    static_assert(sizeof(key) == crypto_secretstream_xchacha20poly1305_KEYBYTES);
    if (sodium_init() < 0)
    {
        throw std::runtime_error("libsodium could not be initialised");
    }
    std::ifstream in(plainPath, std::ios::binary);
    if (!in)
    {
        throw std::runtime_error("Could not open input file: " + plainPath.string());
    }
    std::ofstream out(encPath, std::ios::binary | std::ios::trunc);
    if (!out)
    {
        throw std::runtime_error("Could not open output file: " + encPath.string());
    }

    crypto_secretstream_xchacha20poly1305_state state;
    std::array<unsigned char, crypto_secretstream_xchacha20poly1305_HEADERBYTES> header{};
    crypto_secretstream_xchacha20poly1305_init_push(&state, header.data(), key.data());
    out.write(reinterpret_cast<const char*>(header.data()), header.size());

    std::array<unsigned char, kEncChunkPlainBytes> plain{};
    std::array<unsigned char, kEncChunkPlainBytes + crypto_secretstream_xchacha20poly1305_ABYTES> cipher{};
    bool last = false;
    while (!last)
    {
        in.read(reinterpret_cast<char*>(plain.data()), plain.size());
        const auto got = static_cast<unsigned long long>(in.gcount());
        if (in.bad())
        {
            throw std::runtime_error("Could not read input file: " + plainPath.string());
        }
        // Looking one byte ahead makes a file of exactly n * 4096 bytes end with a full FINAL chunk.
        last = in.eof() || in.peek() == std::ifstream::traits_type::eof();
        const unsigned char tag = last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0;
        unsigned long long cipherLen = 0;
        crypto_secretstream_xchacha20poly1305_push(&state, cipher.data(), &cipherLen, plain.data(), got,
                                                   nullptr, 0, tag);
        out.write(reinterpret_cast<const char*>(cipher.data()), static_cast<std::streamsize>(cipherLen));
    }
    out.close();
    if (!out)
    {
        throw std::runtime_error("Could not write output file: " + encPath.string());
    }
}

} // namespace oxl
