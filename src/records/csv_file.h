#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

/// A CSV file that appears only when it is complete. Rows go to a temporary
/// file beside the target; commit() renames it over the target, and a file
/// that is dropped without commit() (a cancel, a failure) leaves no trace.
/// The first bytes are the UTF-8 byte order mark, so spreadsheets read the
/// Chinese texts right.
class CsvFile {
public:
    CsvFile() = default;
    ~CsvFile();
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    /// Creates the temporary file. False with error() naming the file and
    /// the system's reason when the folder cannot take it.
    bool open(const std::string& path);
    bool write(std::string_view bytes);
    /// Flushes, syncs and renames the temporary file to the target.
    bool commit();
    /// Removes the temporary file; the target is left as it was.
    void abandon();

    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }

private:
    bool failWriting();

    std::string m_path;
    std::string m_temporary;
    std::FILE* m_file = nullptr;
    std::string m_error;
};

} // namespace velkaro
