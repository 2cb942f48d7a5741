#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "bus/link_waiter.h"
#include "link/operator_notices.h"

namespace velkaro {

class DriveLink;
struct BusOptions;

/// `velkaro-bus export|import --device PATH --address A FILE`: identifies the
/// drive at A, then runs the parameter transfer. Returns the exit status: 0
/// done, 1 the transfer failed (the message is on stderr), 128 + the signal
/// when Ctrl-C or SIGTERM stopped it.
int runTransferCommand(const BusOptions& options);

enum class TransferKind { Export, Import };

struct TransferRequest {
    TransferKind kind = TransferKind::Export;
    std::string device;
    int address = 0; ///< 1..247
    std::string file;
    /// Where the action log's rows go (see LinkWaiter::setActionLog); empty: nowhere.
    LinkWaiter::ActionSink actionLog{};
};

/// Operator messages of a console run (what the link tells of its own doing:
/// a lost port, a receive overflow): printed at once, never waiting for
/// anyone, and kept.
class ConsoleMessages : public OperatorNotices {
public:
    /// `out` null: keep only.
    explicit ConsoleMessages(std::ostream* out) : m_out(out) {}
    void notify(const std::string& text, const std::string& caption) override;
    std::vector<std::string> texts() const;
    std::size_t count() const;

private:
    mutable std::mutex m_mutex;
    std::ostream* m_out;
    std::vector<std::string> m_texts;
};

struct TransferOutcome {
    int exitStatus = 1;
    std::string message;      ///< what went wrong, for standard error; empty when done
    bool interrupted = false; ///< `interrupt` stopped it: no file, or a drive partly written
};

/// Identifies the drive at the request's address through a search of length
/// one and runs the transfer on an open `link`: an export writes the file
/// from the image the drive gave; an import reads the file first and ends
/// once the drive has confirmed the EEPROM store. `letTimePass` lets about one
/// millisecond of link time pass (the real tick, or a test's tick and
/// simulated wire). Once `interrupt` is raised the transfer is cancelled
/// between two chunks: an export writes no file, an import tells how many
/// parameters reached the drive.
TransferOutcome runTransfer(DriveLink& link, const TransferRequest& request,
                            const std::function<void()>& letTimePass,
                            const std::atomic<bool>* interrupt = nullptr);

} // namespace velkaro
