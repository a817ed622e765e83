// Decryption of the program's encrypted data files (.enc), into plain files or into memory.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace oxl
{

/// Decrypts the secretstream file `inPath` with `key` into `outPath` (truncated first).
/// Raises std::runtime_error "Could not open input file: …", "Could not open output file: …",
/// "Invalid header or key" (header shorter than 24 bytes) or "Decryption failed" (a chunk that does not
/// authenticate, or input that ends before the FINAL chunk). What was written stays in `outPath`.
void gf_decryptStream(const std::array<unsigned char, 32>& key, const std::filesystem::path& inPath,
                      const std::filesystem::path& outPath);

/// Decrypts the secretstream file `inPath` with `key` into memory; raises as gf_decryptStream.
std::string gf_decryptStreamToText(const std::array<unsigned char, 32>& key,
                                   const std::filesystem::path& inPath);

/// Decrypts a data file with the program's key; on any failure logs it, removes `outPath` and gives false.
bool gf_streamDecrypt(const std::filesystem::path& inPath, const std::filesystem::path& outPath);
/// Decrypts a data file with the program's key into memory, so that no plain copy ever lies on the disk
/// (and a full or read-only disk cannot stop it); none, with a log line, on any failure.
std::optional<std::string> gf_streamDecrypt(const std::filesystem::path& inPath);

} // namespace oxl
