#pragma once

// What callers ask of the link and what they get back: every request, given
// for a drive fixed at the moment it is given, ends in exactly one outcome.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "files/parameter_file.h"
#include "link/diagnostics/line_finder.h"

namespace velkaro {

/// Numbers requests from 1; 0 is no request.
using RequestId = uint64_t;

/// The drive a request is for: its slot, bus address and name when the
/// request was given. A request reaches that drive or nobody: if the slot
/// holds another drive by the time it is served, it is cancelled.
struct Target {
    int slot = -1;
    uint8_t address = 0;
    std::string name;
    bool operator==(const Target&) const = default;
};

/// The command words the station writes into register 0x3200.
namespace command_word {
inline constexpr uint16_t kRun = 0x001F; ///< also "正转"
inline constexpr uint16_t kReverse = 0x081F;
inline constexpr uint16_t kStop = 0x001E;
inline constexpr uint16_t kCoastStop = 0x001C;
inline constexpr uint16_t kEmergencyStop = 0x001A;
inline constexpr uint16_t kFaultReset = 0x009E;
inline constexpr uint16_t kJogForward = 0x011E;
inline constexpr uint16_t kJogReverse = 0x021E;
} // namespace command_word

/// A write to the drive's control block: a command word, the communication
/// frequency, or the EEPROM store.
struct Command {
    enum class Kind { Word, Frequency, Store };
    Kind kind = Kind::Word;
    uint16_t value = 0; ///< the command word, or the frequency in 0.01 Hz

    static Command word(uint16_t w) { return {Kind::Word, w}; }
    static Command frequency(uint16_t hundredthsHz) { return {Kind::Frequency, hundredthsHz}; }
    static Command store() { return {Kind::Store, 1}; }
    bool operator==(const Command&) const = default;
};

/// How strongly a command stops the motor: emergency stop 3, coast stop 2,
/// stop 1, anything else 0.
int stopRank(const Command& command);
/// The command by the name the operator knows ("紧急停机", "给定频率 30.00Hz",
/// "存储到EEPROM", "命令字 0x1234").
std::string commandName(const Command& command);
/// The same name in the display language, for what the operator reads; the
/// action log keeps commandName().
std::string shownCommandName(const Command& command);

/// One read of the drive's status block; the outcome carries its 16 words.
struct StatusPoll {};

/// Registers read in chunks: a whole catalogue group of the target's series
/// (`group` >= 0), or `count` registers from `first` (`group` -1).
struct ParameterRead {
    int group = -1;
    uint16_t first = 0;
    int count = 0;
};

/// One register written. `group`/`row` name it for the operator (-1: a raw
/// register). With `readBack` the outcome comes once the group has been read
/// again and carries what the drive holds; with `rewriteControl` the control
/// block is written once more after the parameter.
struct ParameterWrite {
    uint16_t registerAddress = 0;
    uint16_t word = 0;
    int group = -1;
    int row = -1;
    bool readBack = false;
    bool rewriteControl = false;
};

/// The drive's parameters read into an image (QD10, QD30).
struct Export {
    std::string file{}; ///< where the image goes, for the action log; the link ignores it
};
/// The image written back into a QD30, then stored in its EEPROM; with
/// `readBackGroup` >= 0 that group is read afterwards, before the store.
struct Import {
    ParameterImage image{};
    int readBackGroup = -1;
    std::string file{}; ///< where the image came from, for the action log; the link ignores it
};
/// Every catalogue group of the drive read, one group after another.
struct Readout {};
/// `count` addresses from `first` searched; found drives join the table.
struct Search {
    int first = 1;
    unsigned count = 1;
};
/// Every line setting tried over `count` addresses from `first`.
struct FindLine {
    int first = 1;
    int count = 1;
};

using Request = std::variant<StatusPoll, Command, ParameterRead, ParameterWrite, Export, Import,
                             Readout, Search, FindLine>;

enum class Result {
    Confirmed, ///< done; values in the outcome where there are any
    Refused,   ///< the drive answered with an exception, or the station cannot do it
    TimedOut,  ///< no usable answer after the retries
    Cancelled, ///< given up before it was done; `why` says why
};
std::string_view toString(Result result);

/// Why a request was cancelled.
enum class CancelReason {
    None,
    DriveGone,  ///< the drive left the table, or the slot holds another one
    Superseded, ///< a newer request took its place (a stronger stop, a newer read)
    LinkClosed, ///< the link closed or its port was lost
    ByCaller,   ///< the caller cancelled it
};

/// The one end of a request.
struct Outcome {
    RequestId id = 0;
    Target target;
    Result result = Result::Confirmed;
    CancelReason cancelReason = CancelReason::None;
    uint8_t exception = 0; ///< Modbus exception code of a refusal by the drive; 0 otherwise
    /// For the operator: the exception's name, the station's own message (an
    /// unsupported series, a transfer failure), or why it was cancelled.
    std::string why;
    /// A command cancelled by a stronger one: that command, so that the
    /// reason ("紧急停机命令优先") can be shown in the display language.
    std::optional<Command> supersededBy;
    /// What the operator must be told of this ending, in full ("变频器 3#QD30-7.50
    /// 拒绝了参数 F0-05 的修改：非法数据值。"); empty when nothing needs saying.
    std::string message;
    /// Values read: status words, registers, a group, or a whole readout by
    /// catalogue entry.
    std::vector<uint16_t> words;
    // What some requests bring besides words.
    std::optional<ParameterImage> image; ///< Export: the image read
    int imageLength = 0;                 ///< Export: bytes of the image in use
    std::string series;                  ///< Readout: the drive's series and rating
    std::string ratedPower;
    std::vector<std::string> names;   ///< Search: the drives added, in order
    std::vector<FoundLine> lines;     ///< FindLine: settings at which drives answered
    std::size_t writtenRegisters = 0; ///< Import: registers the drive accepted

    bool confirmed() const { return result == Result::Confirmed; }
};

/// The name of a Modbus exception code as the operator reads it ("非法数据值").
std::string_view exceptionName(uint8_t code);
/// The short form used in traffic lines ("非法地址").
std::string_view exceptionShortName(uint8_t code);
/// `why` of an outcome in the display language; `why` itself stays in the
/// designed Chinese for the action log.
std::string shownWhy(const Outcome& outcome);
/// The reason a command superseded by `stronger` was cancelled, as stored.
std::string supersededWhy(const Command& stronger);

} // namespace velkaro
