#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velkaro::testing {

/// A fresh private folder under the system's temporary folder, removed with
/// everything in it when the object goes. Each object has its own, so tests
/// running side by side never share files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// `name` inside the folder, as a string for the station's file APIs.
    std::string file(std::string_view name) const;

private:
    std::filesystem::path m_path;
};

/// The whole content of a file, byte for byte; empty when it cannot be read.
std::string fileText(const std::filesystem::path& file);

} // namespace velkaro::testing
