#pragma once

#include <functional>
#include <string>

namespace velkaro::testing {

/// Exit code of a child that could not get a mount namespace of its own.
inline constexpr int kNoPrivateMounts = 77;

/// Runs `body` in a forked child with a mount namespace of its own (a user
/// namespace too when not root), so it can mount a small or read-only file
/// system without touching the machine's. Returns the child's exit code:
/// body's result, kNoPrivateMounts when the namespace was refused, or 128 + the
/// signal that ended it. Call only while this process runs one thread.
int runWithPrivateMounts(const std::function<int()>& body);

/// Mounts a tmpfs of `kib` KiB at `folder` (which must exist). False on failure.
bool mountSmallFileSystem(const std::string& folder, int kib);
/// Remounts the tmpfs at `folder` read-only. False on failure.
bool remountReadOnly(const std::string& folder);
/// Fills the file system of `folder` with one file until no byte is left.
void fillUp(const std::string& folder);

} // namespace velkaro::testing
