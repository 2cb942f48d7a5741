#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/requests.h"

namespace velkaro {

/// Who may do what at the station: 操作员 watches, runs, stops, jogs, sets
/// the frequency and resets faults; 工程师 also changes parameters, stores
/// them, imports parameter files, changes the line settings, renames and
/// disconnects drives. Stops of every kind are never an engineer's alone.
enum class AccessLevel { Operator, Engineer };

/// Why a request of the engineer's level was refused while locked.
inline constexpr std::string_view kEngineerNeeded = "需要工程师权限";

/// The level a request needs.
AccessLevel levelFor(const Request& request);

/// PBKDF2-HMAC-SHA256 rounds of a PIN hash: about a tenth of a second here,
/// so a stolen hash costs a guesser dearly while entry stays quick.
inline constexpr int kPinHashIterations = 200'000;
/// "pbkdf2-sha256$ROUNDS$SALT$HASH" (hex) of `pin` with a fresh random salt.
std::string hashPin(std::string_view pin, int iterations = kPinHashIterations);
/// True when `pin` gives `stored` (a hashPin() text); false for anything
/// that is no such text.
bool pinMatches(std::string_view pin, std::string_view stored);

/// The engineer's PIN and the unlock it gives. Without a PIN everything is
/// allowed, as before there were levels. The PIN is kept only as a salted,
/// slow hash in a file only the account may read, with the unlock time.
/// Three wrong PINs in a row shut entry for a minute.
class AccessGate {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr int kDefaultUnlockMinutes = 10;
    static constexpr int kWrongPinsBeforeLockout = 3;
    static constexpr std::chrono::seconds kLockout{60};

    /// Reads `file` (none yet: no PIN).
    explicit AccessGate(
        std::filesystem::path file, Clock clock = [] { return std::chrono::steady_clock::now(); });

    bool pinSet() const { return !m_hash.empty(); }
    /// Engineer's actions are allowed now: no PIN, or unlocked and not expired.
    bool engineerUnlocked() const;
    bool allows(const Request& request) const {
        return levelFor(request) == AccessLevel::Operator || engineerUnlocked();
    }

    enum class Entry {
        Unlocked,       ///< right: unlocked for the unlock time
        Wrong,          ///< wrong
        WrongLockedOut, ///< wrong for the third time in a row: entry shut for a minute
        LockedOut,      ///< not looked at: entry is shut
    };
    Entry enter(std::string_view pin);
    /// Seconds until entry opens again; 0 when open.
    long lockedOutSeconds() const;
    /// Back to 操作员 at once.
    void lock() { m_unlockedUntil.reset(); }

    int unlockMinutes() const { return m_unlockMinutes; }
    /// Stores a new PIN (empty: none, everything allowed) and the unlock
    /// time; the file is replaced whole. False with the reason in `error`.
    bool store(std::string_view pin, int unlockMinutes, std::string& error);

    const std::filesystem::path& file() const { return m_file; }
    /// Where the station keeps it: beside its settings file.
    static std::filesystem::path defaultFile();

private:
    std::filesystem::path m_file;
    Clock m_clock;
    std::string m_hash;
    int m_unlockMinutes = kDefaultUnlockMinutes;
    std::optional<std::chrono::steady_clock::time_point> m_unlockedUntil;
    std::optional<std::chrono::steady_clock::time_point> m_lockedUntil;
    int m_wrongInRow = 0;
};

} // namespace velkaro
