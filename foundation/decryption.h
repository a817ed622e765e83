// Decryption of the program's encrypted data files (.enc) into plain files.
#pragma once

#include <array>
#include <filesystem>

namespace oxl
{

/// Decrypts the secretstream file `inPath` with `key` into `outPath` (truncated first).
/// Raises std::runtime_error "Could not open input file: …", "Could not open output file: …",
/// "Invalid header or key" (header shorter than 24 bytes) or "Decryption failed" (a chunk that does not
/// authenticate, or input that ends before the FINAL chunk). What was written stays in `outPath`.
void gf_decryptStream(const std::array<unsigned char, 32>& key, const std::filesystem::path& inPath,
                      const std::filesystem::path& outPath);

/// Decrypts a data file with the program's key; on any failure logs it, removes `outPath` and gives false.
bool gf_streamDecrypt(const std::filesystem::path& inPath, const std::filesystem::path& outPath);

} // namespace oxl
