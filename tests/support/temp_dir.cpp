#include "support/temp_dir.h"

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <system_error>

namespace velkaro::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velkaro-test.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::file(std::string_view name) const {
    return (m_path / name).string();
}

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace velkaro::testing
