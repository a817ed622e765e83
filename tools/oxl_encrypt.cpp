// oxl_encrypt: turns a plain data file into the program's encrypted .enc form.
//
//   oxl_encrypt <plain file> <encrypted file>
//
// The output is a secretstream (xchacha20poly1305) with the program's key: the 24-byte header, then
// chunks of 4096 plain bytes, the last one (possibly shorter, possibly empty) tagged FINAL. The output
// is written beside its target and renamed over it only when complete.

#include "foundation/data_key.h"

#include <sodium.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

namespace
{

namespace fs = std::filesystem;
using oxl::kEncChunkPlainBytes;

static_assert(oxl::kDataFileKey.size() == crypto_secretstream_xchacha20poly1305_KEYBYTES);

/// Encrypts `plainPath` into `encPath`; returns an error text, empty on success.
std::string encryptFile(const fs::path& plainPath, const fs::path& encPath)
{
    std::ifstream in(plainPath, std::ios::binary);
    if (!in)
    {
        return "Could not open input file: " + plainPath.string();
    }
    std::ofstream out(encPath, std::ios::binary | std::ios::trunc);
    if (!out)
    {
        return "Could not open output file: " + encPath.string();
    }

    crypto_secretstream_xchacha20poly1305_state state;
    std::array<unsigned char, crypto_secretstream_xchacha20poly1305_HEADERBYTES> header{};
    crypto_secretstream_xchacha20poly1305_init_push(&state, header.data(), oxl::kDataFileKey.data());
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
            return "Could not read input file: " + plainPath.string();
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
        return "Could not write output file: " + encPath.string();
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: oxl_encrypt <plain file> <encrypted file>\n";
        return 2;
    }
    if (sodium_init() < 0)
    {
        std::cerr << "libsodium could not be initialised\n";
        return 1;
    }
    const fs::path target = argv[2];
    fs::path part = target;
    part += ".part";
    const std::string error = encryptFile(argv[1], part);
    std::error_code ec;
    if (error.empty())
    {
        fs::rename(part, target, ec);
        if (!ec)
        {
            return 0;
        }
        std::cerr << "Could not rename " << part.string() << " to " << target.string() << ": " << ec.message()
                  << '\n';
    }
    else
    {
        std::cerr << error << '\n';
    }
    fs::remove(part, ec);
    return 1;
}
