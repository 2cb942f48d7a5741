#pragma once

// Finding the line settings of a bus whose settings nobody knows: every
// setting the station offers is tried in turn with an echo test, on the
// link's own tick, and the drives that answer are named.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "link/ports/link_settings.h"
#include "registry/language.h"

namespace velkaro {

/// A serial device server or gateway sets its line itself: there is nothing
/// for the finder to try through it.
inline constexpr std::string_view kNetworkLineFind = VELKARO_TRANSLATE_NOOP(
    "OperatorMessages", "经网络连接的端口由串口服务器或网关自行设定线路，无需检测通讯参数。");

struct LinkState;
struct TickOutcome;
class SerialPort;

/// One line setting as positions in the station's lists (baudChoices,
/// parityChoices, dataBitsChoices, stopBitsChoices).
struct LineChoice {
    int baud = 0;
    int parity = 0;
    int dataBits = 0;
    int stopBits = 0;
    bool operator==(const LineChoice&) const = default;
};

/// "19200 E 8 1".
std::string lineChoiceText(const LineChoice& line);

/// Every setting the station offers, in the order they are tried: 8 data bits
/// before 7, then the fastest baud first, then no, odd and even parity, then
/// one stop bit before two.
inline constexpr std::size_t kLineChoiceCount = std::size_t{6} * 3 * 2 * 2;
std::array<LineChoice, kLineChoiceCount> lineChoicesToTry();

/// Ticks the finder waits for an echo at `line`: the request and its echo on
/// the wire, the silence that ends a frame, and 100 ms for the drive.
unsigned echoTimeoutTicks(const LineChoice& line, unsigned frameGapTicks);

/// A setting at which drives answered, and their names (an address whose
/// drive answered the echo but could not be identified shows as "3#?").
struct FoundLine {
    LineChoice line;
    std::vector<std::string> names;
};

/// The finder's part of the shared state. The window or console asks with
/// requestLineFind() and reads the rest under the lock; the tick does the work.
struct LineFinder {
    enum class Step { Open, SendEcho, AwaitEcho, Identify };

    // Asked for under the lock.
    bool wanted = false;
    bool cancel = false;
    int firstAddress = 1;
    int count = 1;

    // Kept by the tick.
    bool running = false;
    bool done = false;      ///< a run ended (found, nothing, cancelled or failed)
    bool cancelled = false; ///< the last run was cancelled
    bool failed = false;    ///< the port was lost; `failure` says why unless the link told already
    std::string failure;
    std::vector<FoundLine> found;
    std::size_t settingIndex = 0; ///< the setting being tried, for the progress
    Step step = Step::Open;
    int addressIndex = 0;
    std::vector<int> answered; ///< addresses that echoed at the current setting
    std::size_t identifying = 0;
    LinkSettings saved; ///< the settings to return to
};

/// The settings the link keeps as its own: during a run the ones it returns
/// to, not the one being tried.
const LinkSettings& ownSettings(const LinkState& state);

/// Asks for a run over `count` addresses from `firstAddress` at every setting.
/// Refused (with the reason for the operator) while the link is closed, a
/// run is under way, a search, transfer or parameter read holds the link, or
/// drives are connected (they would go unpolled and uncommanded meanwhile).
bool requestLineFind(LinkState& state, int firstAddress, int count, std::string& refusal);

/// One tick of the finder, between the receive and transmit steps. Returns
/// false when the finder does not have the bus this tick, and the scheduler
/// runs as usual; the run begins once the operation under way has ended. At
/// the end the link returns to the settings it had.
bool stepLineFinder(LinkState& state, SerialPort& port, TickOutcome& out);

} // namespace velkaro
