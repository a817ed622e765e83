// Windows error numbers on this machine: the last error of a failed system call, its text and category.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace oxl::plat
{

/// Windows error numbers the program's messages and callers rely on.
enum Win32Error : std::uint32_t
{
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorTooManyOpenFiles = 4,
    kErrorAccessDenied = 5,
    kErrorNotEnoughMemory = 8,
    kErrorInvalidData = 13,
    kErrorWriteFault = 29,
    kErrorReadFault = 30,
    kErrorSharingViolation = 32,
    kErrorHandleDiskFull = 39,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorDiskFull = 112,
    kErrorInsufficientBuffer = 122,
    kErrorInvalidName = 123,
    kErrorDirNotEmpty = 145,
    kErrorAlreadyExists = 183,
    kErrorFilenameExcedRange = 206,
    kErrorMoreData = 234,
    kErrorDirectory = 267,
    kErrorNoUnicodeTranslation = 1113,
    kErrorUnsupportedType = 1630,
};

/// Maps an errno value onto the Windows error number of the same failure.
std::uint32_t win32FromErrno(int errnoValue);
/// The Windows error number of the calling thread's last failed system call (from errno).
std::uint32_t lastError();
/// The system text of a Windows error number ("Win32 error {}" for numbers without a text of their own).
std::string errorText(std::uint32_t code);
/// The error category of Windows error numbers, for std::system_error.
const std::error_category& win32Category();

} // namespace oxl::plat
