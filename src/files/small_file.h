#pragma once

#include <cstddef>
#include <string>

namespace velkaro {

/// A small file read whole, or why it was not.
struct SmallFileRead {
    enum class Status { Read, CannotOpen, TooLarge };
    Status status = Status::CannotOpen;
    std::string content;
    std::string reason; ///< the system's reason when CannotOpen ("Permission denied")
};

/// Reads the file at `path` whole. A file that is missing, unreadable or a
/// folder is CannotOpen with the system's reason; one of more than `maxBytes`
/// is TooLarge (and not read further).
SmallFileRead readSmallFile(const std::string& path, std::size_t maxBytes);

} // namespace velkaro
