#pragma once

// What the link shows its callers: a copy of the drive table and of the
// link's own state, taken under its lock and read without it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/diagnostics/line_finder.h"
#include "link/requests.h"

#include "link/diagnostics/link_diagnostics.h"
#include "link/ports/link_settings.h"
#include "registry/drive_table.h"

namespace velkaro {

/// What the progress bar and the activity line show. A link activity takes it
/// only when it is None and gives it back only if it still holds its own value.
enum class ActivityState : int {
    None = 0,
    Search = 1,
    Export = 2,
    Import = 3,
    DriveFault = 4, ///< the window's own: a drive has tripped
    Readout = 5,    ///< a whole drive's parameters read for a report or a comparison
};

struct Progress {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    bool operator==(const Progress&) const = default;
};

/// The line finder as it stands.
struct FinderProgress {
    bool running = false;          ///< asked for or under way
    std::size_t settingIndex = 0;  ///< the setting being tried (of kLineChoiceCount)
    std::size_t completeLines = 0; ///< found settings whose drives are all named
    std::vector<FoundLine> found;  ///< those settings
};

/// A copy of what the link holds, for windows and console tools.
struct LinkSnapshot {
    /// The connected drives: names in connection order, slots with their
    /// live values (status words, control words, online).
    DriveTable table;
    /// Completed status reads per slot (wraps): a reader sees each fresh poll.
    std::array<uint32_t, kMaxDrives> statusReadCount{};
    /// Link tick (ms on the station) of each slot's last completed status read.
    std::array<uint64_t, kMaxDrives> statusReadTick{};
    /// The slot's drive has had a completed status read since it joined: its
    /// status words are its own, not the zeros it joined with.
    std::array<bool, kMaxDrives> statusRead{};
    ActivityState activity = ActivityState::None;
    Progress progress;
    /// The link's own settings; during a line finder run the ones it returns
    /// to, not the one being tried.
    LinkSettings settings;
    bool linkOpen = false;
    /// The port refused a frame or its connection was lost (told once).
    bool portFailed = false;
    /// A network port is still connecting; `portError` says why one failed.
    bool connecting = false;
    bool connectionLost = false;
    std::string portError;
    std::string devicePath;
    /// A search is handing out addresses or testing the last one.
    bool searching = false;
    FinderProgress finder;
    /// Export, import or readout under way.
    bool transferRunning = false;
    // Diagnostics.
    std::array<LinkCounters, kCounterRows> counters{};
    bool recording = true;
    uint64_t tick = 0;          ///< link ticks so far
    uint64_t framesWritten = 0; ///< frames recorded in the traffic ring so far

    /// The slot's drive, or null for a free slot or one outside 0..31.
    const DriveRecord* drive(int slot) const;
    /// Slot of the connected drive at bus address `address`, or -1.
    int slotOfAddress(int address) const;
    /// The drive in `slot` as a request target; slot -1 when the slot is free.
    Target target(int slot) const;
};

} // namespace velkaro
