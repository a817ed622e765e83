// Encryption of plain files into the program's .enc data-file form (the tool and benchmarks use it).
#pragma once

#include <array>
#include <filesystem>

namespace oxl
{

/// Encrypts `plainPath` with `key` into `encPath`: the 24-byte secretstream header, then chunks of 4096
/// plain bytes, the last one (shorter or empty) tagged FINAL. Raises std::runtime_error on any failure.
void gf_encryptStream(const std::array<unsigned char, 32>& key, const std::filesystem::path& plainPath,
                      const std::filesystem::path& encPath);

} // namespace oxl
