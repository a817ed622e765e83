#pragma once
// The key and the chunk layout of the program's encrypted data files (.enc).

#include <array>
#include <cstddef>

namespace oxl
{

/// The program's own secretstream key; every published .enc data file is encrypted with it.
inline constexpr std::array<unsigned char, 32> kDataFileKey = {
    0x27, 0xb5, 0xf9, 0xe9, 0x40, 0x26, 0x70, 0xce, 0x30, 0xea, 0x78, 0xf9, 0x77, 0xef, 0xbd, 0x0a,
    0x70, 0x7d, 0xff, 0x24, 0xb2, 0xd8, 0xeb, 0x62, 0xe7, 0x66, 0x62, 0x56, 0x39, 0x21, 0x13, 0x43};

/// Plain bytes per encrypted chunk [bytes]; only the last chunk (tagged FINAL) may be shorter.
inline constexpr std::size_t kEncChunkPlainBytes = 4096;

} // namespace oxl
