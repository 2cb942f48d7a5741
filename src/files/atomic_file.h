#pragma once

#include <string>
#include <string_view>

namespace velkaro {

/// Replaces the file at `path` with `content` so that a reader sees either the
/// old file whole or the new one whole: a temporary file beside it, flushed to
/// disk, renamed over it. A path that is a symbolic link keeps the link and
/// replaces what it points at; an existing file's permissions are kept. False
/// (old file untouched, no temporary left) when any step fails.
bool replaceFileAtomically(const std::string& path, std::string_view content);

} // namespace velkaro
