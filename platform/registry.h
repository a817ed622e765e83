// The registry stand-in: keys and typed values kept in an XML file, answered with the error codes
// and byte sizes of the Windows registry calls.
//
// File (OXL_REGISTRY, else <AppData>/registry.xml):
//   <registry>
//     <key root="HKLM" view="64" path="SOFTWARE\Lockheed Martin\Prepar3D v6">
//       <value name="SetupPath" type="REG_SZ">/opt/p3d6/</value>
//       <value name="Port" type="REG_DWORD">500</value>
//     </key>
//   </registry>
// root: HKLM, HKCU, HKCR, HKU, HKCC or their HKEY_ names. view ("64" or "32", default "64") only
// matters under HKLM, where KEY_WOW64_32KEY sees the 32-bit view and everything else the 64-bit one.
// Types: REG_SZ, REG_EXPAND_SZ (%NAME% from the environment), REG_DWORD and REG_QWORD (decimal or
// 0x hex), REG_BINARY (hex digits). Key paths and value names match whatever their case; a key
// exists when it or a key below it is listed. No file, or one that is not well-formed, holds no key.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace oxl::plat
{

/// An open registry key or a predefined root key.
using RegKey = std::uintptr_t;

inline constexpr RegKey kHkeyClassesRoot = 0x80000000;              ///< HKEY_CLASSES_ROOT
inline constexpr RegKey kHkeyCurrentUser = 0x80000001;              ///< HKEY_CURRENT_USER
inline constexpr RegKey kHkeyLocalMachine = 0x80000002;             ///< HKEY_LOCAL_MACHINE
inline constexpr RegKey kHkeyUsers = 0x80000003;                    ///< HKEY_USERS
inline constexpr RegKey kHkeyPerformanceData = 0x80000004;          ///< HKEY_PERFORMANCE_DATA
inline constexpr RegKey kHkeyCurrentConfig = 0x80000005;            ///< HKEY_CURRENT_CONFIG
inline constexpr RegKey kHkeyCurrentUserLocalSettings = 0x80000007; ///< HKEY_CURRENT_USER_LOCAL_SETTINGS
inline constexpr RegKey kHkeyPerformanceText = 0x80000050;          ///< HKEY_PERFORMANCE_TEXT
inline constexpr RegKey kHkeyPerformanceNlsText = 0x80000060;       ///< HKEY_PERFORMANCE_NLSTEXT

inline constexpr std::uint32_t kKeyRead = 0x20019;       ///< KEY_READ
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100; ///< KEY_WOW64_64KEY: the 64-bit view
inline constexpr std::uint32_t kKeyWow64_32Key = 0x0200; ///< KEY_WOW64_32KEY: the 32-bit view

inline constexpr std::uint32_t kRegNone = 0;     ///< REG_NONE
inline constexpr std::uint32_t kRegSz = 1;       ///< REG_SZ
inline constexpr std::uint32_t kRegExpandSz = 2; ///< REG_EXPAND_SZ
inline constexpr std::uint32_t kRegBinary = 3;   ///< REG_BINARY
inline constexpr std::uint32_t kRegDword = 4;    ///< REG_DWORD
inline constexpr std::uint32_t kRegQword = 11;   ///< REG_QWORD

inline constexpr std::uint32_t kRrfRtRegSz = 0x02;        ///< RRF_RT_REG_SZ
inline constexpr std::uint32_t kRrfRtRegExpandSz = 0x04;  ///< RRF_RT_REG_EXPAND_SZ (alone needs RRF_NOEXPAND)
inline constexpr std::uint32_t kRrfRtRegBinary = 0x08;    ///< RRF_RT_REG_BINARY
inline constexpr std::uint32_t kRrfRtRegDword = 0x10;     ///< RRF_RT_REG_DWORD
inline constexpr std::uint32_t kRrfRtRegQword = 0x40;     ///< RRF_RT_REG_QWORD
inline constexpr std::uint32_t kRrfRtAny = 0xffff;        ///< RRF_RT_ANY
inline constexpr std::uint32_t kRrfNoExpand = 0x10000000; ///< RRF_NOEXPAND
inline constexpr std::uint32_t kRrfZeroOnFailure = 0x20000000; ///< RRF_ZEROONFAILURE

/// True for the predefined root keys, which are never really opened or closed.
bool isPredefinedKey(RegKey key);

/// RegOpenKeyExW: opens parent\subKey (an empty subKey gives a new handle to parent). 0 on success,
/// 2 when the key does not exist, 6 for an unknown parent handle, 87 for a null result pointer.
std::uint32_t regOpenKeyEx(RegKey parent, std::u16string_view subKey, std::uint32_t options,
                           std::uint32_t samDesired, RegKey* result);

/// RegGetValueW: reads key[\subKey] value valueName restricted to the types in flags. dataBytes is
/// the buffer size in, the value's size out (strings: UTF-16 units with the terminating zero).
/// 0 on success (also the size query with data null), 2 no such key or value, 234 buffer too small,
/// 1630 a type outside flags, 87 bad flags or data without a size, 6 an unknown key handle.
std::uint32_t regGetValue(RegKey key, std::u16string_view subKey, std::u16string_view valueName,
                          std::uint32_t flags, std::uint32_t* type, void* data, std::uint32_t* dataBytes);

/// RegCloseKey: 0 for an open key or a predefined root, 6 for an unknown handle.
std::uint32_t regCloseKey(RegKey key);

/// The file behind the stand-in: OXL_REGISTRY, else <AppData>/registry.xml (empty when neither).
std::filesystem::path registryFile();

} // namespace oxl::plat
