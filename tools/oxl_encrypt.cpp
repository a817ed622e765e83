// oxl_encrypt: turns a plain data file into the program's encrypted .enc form.
//
//   oxl_encrypt <plain file> <encrypted file>
//
// The output is a secretstream (xchacha20poly1305) with the program's key: the 24-byte header, then
// chunks of 4096 plain bytes, the last one (possibly shorter, possibly empty) tagged FINAL. It is
// written beside its target and renamed over it only when complete.

#include "foundation/data_key.h"
#include "foundation/encryption.h"

#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <system_error>

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc != 3)
    {
        std::cerr << "usage: oxl_encrypt <plain file> <encrypted file>\n";
        return 2;
    }
    const fs::path target = argv[2];
    fs::path part = target;
    part += ".part";
    std::error_code ec;
    try
    {
        oxl::gf_encryptStream(oxl::kDataFileKey, argv[1], part);
        fs::rename(part, target, ec);
        if (!ec)
        {
            return 0;
        }
        std::cerr << "Could not rename " << part.string() << " to " << target.string() << ": " << ec.message()
                  << '\n';
    }
    catch (const std::runtime_error& error)
    {
        std::cerr << error.what() << '\n';
    }
    fs::remove(part, ec);
    return 1;
}
