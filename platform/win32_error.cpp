#include "platform/win32_error.h"

#include <cerrno>
#include <fmt/format.h>

namespace oxl::plat
{

std::uint32_t win32FromErrno(int errnoValue)
{
    switch (errnoValue)
    {
    case 0:
        return kErrorSuccess;
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrorAccessDenied;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case EIO:
        return kErrorReadFault;
    case EBUSY:
    case ETXTBSY:
        return kErrorSharingViolation;
    case ENOSPC:
    case EDQUOT:
        return kErrorDiskFull;
    case EEXIST:
        return kErrorAlreadyExists;
    case EINVAL:
        return kErrorInvalidParameter;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    case ENOTEMPTY:
        return kErrorDirNotEmpty;
    case EISDIR:
        return kErrorDirectory;
    case EILSEQ:
        return kErrorNoUnicodeTranslation;
    default:
        return kErrorInvalidParameter;
    }
}

std::uint32_t lastError()
{
    return win32FromErrno(errno);
}

std::string errorText(std::uint32_t code)
{
    switch (code)
    {
    case kErrorSuccess:
        return "The operation completed successfully.";
    case kErrorFileNotFound:
        return "The system cannot find the file specified.";
    case kErrorPathNotFound:
        return "The system cannot find the path specified.";
    case kErrorTooManyOpenFiles:
        return "The system cannot open the file.";
    case kErrorAccessDenied:
        return "Access is denied.";
    case kErrorNotEnoughMemory:
        return "Not enough memory resources are available to process this command.";
    case kErrorInvalidData:
        return "The data is invalid.";
    case kErrorReadFault:
        return "The system cannot read from the specified device.";
    case kErrorSharingViolation:
        return "The process cannot access the file because it is being used by another process.";
    case kErrorDiskFull:
        return "There is not enough space on the disk.";
    case kErrorInvalidParameter:
        return "The parameter is incorrect.";
    case kErrorInsufficientBuffer:
        return "The data area passed to a system call is too small.";
    case kErrorInvalidName:
        return "The filename, directory name, or volume label syntax is incorrect.";
    case kErrorDirNotEmpty:
        return "The directory is not empty.";
    case kErrorAlreadyExists:
        return "Cannot create a file when that file already exists.";
    case kErrorFilenameExcedRange:
        return "The filename or extension is too long.";
    case kErrorMoreData:
        return "More data is available.";
    case kErrorDirectory:
        return "The directory name is invalid.";
    case kErrorNoUnicodeTranslation:
        return "No mapping for the Unicode character exists in the target multi-byte code page.";
    case kErrorUnsupportedType:
        return "Data of this type is not supported.";
    default:
        return fmt::format("Win32 error {}", code);
    }
}

namespace
{
class Win32Category final : public std::error_category
{
  public:
    const char* name() const noexcept override { return "system"; }
    std::string message(int code) const override { return errorText(static_cast<std::uint32_t>(code)); }
};
} // namespace

const std::error_category& win32Category()
{
    static const Win32Category category;
    return category;
}

} // namespace oxl::plat
