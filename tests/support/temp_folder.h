// Test fixtures on disk: a temporary folder, byte files, and scoped environment and working folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace oxl::test
{

/// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class TempFolder
{
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    /// The folder.
    const std::filesystem::path& path() const { return path_; }
    /// A path inside the folder.
    std::filesystem::path operator/(const std::filesystem::path& rest) const { return path_ / rest; }

  private:
    std::filesystem::path path_;
};

/// Writes the bytes to the file (creating its folders), replacing it.
void writeBytes(const std::filesystem::path& file, std::string_view bytes);
/// The whole content of a file as bytes ("" when it cannot be read).
std::string readBytes(const std::filesystem::path& file);

/// Sets (or with nullopt unsets) an environment variable and restores the old value at the end.
class ScopedEnv
{
  public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

/// Makes a folder the working folder and restores the old one at the end.
class ScopedCurrentPath
{
  public:
    explicit ScopedCurrentPath(const std::filesystem::path& folder);
    ~ScopedCurrentPath();
    ScopedCurrentPath(const ScopedCurrentPath&) = delete;
    ScopedCurrentPath& operator=(const ScopedCurrentPath&) = delete;

  private:
    std::filesystem::path old_;
};

} // namespace oxl::test
