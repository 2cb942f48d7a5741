#include "records/csv_file.h"

#include "files/csv_text.h"
#include "registry/language.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velkaro {

CsvFile::~CsvFile() {
    abandon();
}

bool CsvFile::open(const std::string& path) {
    abandon();
    m_path = path;
    m_error.clear();
    // Beside the target, so the final rename stays within one file system.
    std::string pattern = path + ".XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        return failWriting();
    }
    m_temporary = pattern;
    // mkstemp makes the file private; the export gets the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    m_file = fdopen(descriptor, "wb");
    if (!m_file) {
        ::close(descriptor);
        return failWriting();
    }
    return write(kUtf8Bom);
}

bool CsvFile::write(std::string_view bytes) {
    if (!m_file) {
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        return failWriting();
    }
    return true;
}

bool CsvFile::commit() {
    if (!m_file) {
        return false;
    }
    const bool flushed = std::fflush(m_file) == 0 && fsync(fileno(m_file)) == 0;
    const int flushError = errno;
    std::fclose(m_file);
    m_file = nullptr;
    if (!flushed) {
        errno = flushError;
        return failWriting();
    }
    if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        return failWriting();
    }
    m_temporary.clear();
    return true;
}

void CsvFile::abandon() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporary.empty()) {
        std::remove(m_temporary.c_str());
        m_temporary.clear();
    }
}

bool CsvFile::failWriting() {
    // The cause is taken before the catalogue lookup can touch errno.
    const int cause = errno;
    m_error = translated("CsvFile", "不能写入文件") + " " + m_path + translated("CsvFile", "：") +
              std::strerror(cause);
    abandon();
    return false;
}

} // namespace velkaro
