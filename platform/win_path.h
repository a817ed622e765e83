// A path named the Windows way (as data files and the simulator's configuration write it), together
// with the real path it stands for on this machine.
#pragma once

#include <filesystem>
#include <fmt/format.h>
#include <optional>
#include <string>
#include <string_view>

namespace oxl
{

/// A Windows path text and its real path here: drive letters come from OXL_DRIVE_<letter>, each
/// component matches an existing name whatever its case, trailing dots of components are dropped.
class WinPath
{
  public:
    /// The empty path.
    WinPath() = default;
    /// A path from its Windows text ('\' or '/' separate components).
    explicit WinPath(std::string windowsText);
    /// The Windows text of a real path of this machine (a mapped drive folder becomes its letter).
    static WinPath fromReal(const std::filesystem::path& real);

    /// The Windows form, used for every text test, log line and report.
    const std::string& text() const { return text_; }
    /// The path on this machine, resolved against the file system as it is now.
    std::filesystem::path real() const;
    /// True when the text is empty.
    bool empty() const { return text_.empty(); }

    /// This path with one more component, joined by '\'.
    WinPath operator/(std::string_view component) const;
    /// Everything up to the last separator (empty when there is none).
    WinPath parent() const;
    /// The text after the last separator.
    std::string filename() const;

    /// Paths are equal when their texts are.
    friend bool operator==(const WinPath&, const WinPath&) = default;

  private:
    std::string text_;
};

/// The folder that stands for a drive letter (OXL_DRIVE_C=/... etc.), nullopt when the drive is unmapped.
std::optional<std::filesystem::path> driveFolder(char driveLetter);

/// The name Windows gives a path component: trailing dots dropped ("model." names "model"); "." and ".."
/// stay.
std::string windowsComponentName(std::string_view name);

/// Equality of two names ignoring ASCII case (bytes >= 0x80 compare exactly).
bool namesEqualNoCase(std::string_view a, std::string_view b);

} // namespace oxl

/// Formats a WinPath as its Windows text.
template <> struct fmt::formatter<oxl::WinPath> : fmt::formatter<std::string_view>
{
    template <typename Context> auto format(const oxl::WinPath& p, Context& ctx) const
    {
        return fmt::formatter<std::string_view>::format(p.text(), ctx);
    }
};
