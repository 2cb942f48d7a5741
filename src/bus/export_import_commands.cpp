#include "bus/export_import_commands.h"

#include <chrono>
#include <iostream>
#include <thread>

#include "bus/bus_action_log.h"
#include "bus/bus_session.h"
#include "bus/console_interrupt.h"
#include "bus/link_waiter.h"
#include "files/parameter_file.h"
#include "link/drive_link.h"
#include "registry/language.h"

namespace velkaro {

namespace {

constexpr int kTransferBudgetMs = 15 * 60'000;

// The link's own words for a transfer cut short, for one whose outcome did
// not come within the grace after the cancel.
constexpr std::string_view kExportCut =
    VELKARO_TRANSLATE_NOOP("BusTransfer", "数据导出被中断，参数文件未写入！");
constexpr std::string_view kImportCut =
    VELKARO_TRANSLATE_NOOP("BusTransfer", "数据导入被中断，参数未全部写入变频器！");
constexpr std::string_view kImportNotBegun =
    VELKARO_TRANSLATE_NOOP("BusTransfer", "数据导入被中断，没有参数写入变频器。");

constexpr std::string_view kStoreUnconfirmed =
    VELKARO_TRANSLATE_NOOP("BusTransfer", "参数已写入，但变频器没有确认存储到EEPROM。");

std::string failureText(const Outcome& outcome) {
    const std::string& text = outcome.message.empty() ? outcome.why : outcome.message;
    return translated("OperatorMessages", text.c_str());
}

TransferOutcome exportTo(LinkWaiter& wait, const Target& drive, const std::string& file) {
    const std::optional<Outcome> outcome = wait.request(drive, Export{file}, kTransferBudgetMs);
    if (!outcome) {
        return {1,
                wait.interrupted() ? translated("BusTransfer", kExportCut.data())
                                   : translated("BusTransfer", "参数传输没有结束。"),
                wait.interrupted()};
    }
    if (!outcome->confirmed() || !outcome->image) {
        return {1, failureText(*outcome), outcome->cancelReason == CancelReason::ByCaller};
    }
    ParameterImage image = *outcome->image;
    if (const ParameterFileResult written = writeParameterFile(file, image, outcome->imageLength);
        !written.ok) {
        return {1, written.message};
    }
    return {0, {}};
}

/// An import cut short: what the drive holds now. All chunks written means
/// only the store was still to come.
TransferOutcome interruptedImport(const Outcome& outcome, bool storing) {
    if (storing && outcome.writtenRegisters == 0) {
        return {1,
                translated("BusTransfer",
                           "参数已全部写入变频器，但存储到EEPROM前被中断，变频器没有存储。"),
                true};
    }
    return {1,
            failureText(outcome) + translated("BusTransfer", "\n已有 ") +
                std::to_string(outcome.writtenRegisters) +
                translated("BusTransfer", " 个参数写入变频器，没有存储到EEPROM。"),
            true};
}

TransferOutcome importInto(LinkWaiter& wait, const Target& drive, const ParameterImage& image,
                           const std::string& file) {
    // The link refuses an import into a running drive: it must have read the
    // drive's state first.
    const std::optional<Outcome> status = wait.request(drive, StatusPoll{}, kOperationBudgetMs);
    if (!status || !status->confirmed()) {
        return wait.interrupted()
                   ? TransferOutcome{1, translated("BusTransfer", kImportNotBegun.data()), true}
                   : TransferOutcome{1, translated("BusTransfer", "通讯故障导致数据导入失败！")};
    }
    const RequestId id = wait.submit(drive, Import{image, -1, file});
    // The outcome comes with the EEPROM store, after the last chunk: an
    // import seen ended while its outcome had not come yet failed in the store.
    bool storing = false;
    bool cancelled = false;
    for (int ms = 0, budget = kTransferBudgetMs; ms <= budget; ++ms) {
        const bool transferEnded = !wait.link().snapshot().transferRunning;
        if (const std::optional<Outcome> outcome = wait.ended(id)) {
            if (outcome->confirmed()) {
                return {0, {}};
            }
            if (cancelled) {
                return interruptedImport(*outcome, storing);
            }
            std::string message = failureText(*outcome);
            if (storing) {
                message += message.empty() ? "" : "\n";
                message += translated("BusTransfer", kStoreUnconfirmed.data());
            }
            return {1, message};
        }
        if (wait.interrupted() && !cancelled) {
            // The transfer stops between two chunks; what was written stays.
            wait.link().cancel(id);
            cancelled = true;
            budget = ms + kCancelGraceMs;
        }
        storing = storing || transferEnded;
        wait.pass();
    }
    if (!cancelled) {
        wait.link().cancel(id);
    }
    wait.giveUp(id);
    return {1,
            cancelled ? translated("BusTransfer", kImportCut.data())
                      : translated("BusTransfer", "参数传输没有结束。"),
            cancelled};
}

} // namespace

void ConsoleMessages::notify(const std::string& text, const std::string& /*caption*/) {
    const std::lock_guard lock(m_mutex);
    m_texts.push_back(text);
    if (m_out)
        *m_out << text << std::endl;
}

std::vector<std::string> ConsoleMessages::texts() const {
    const std::lock_guard lock(m_mutex);
    return m_texts;
}

std::size_t ConsoleMessages::count() const {
    const std::lock_guard lock(m_mutex);
    return m_texts.size();
}

TransferOutcome runTransfer(DriveLink& link, const TransferRequest& request,
                            const std::function<void()>& letTimePass,
                            const std::atomic<bool>* interrupt) {
    LinkWaiter wait(link, letTimePass);
    wait.setInterrupt(interrupt);
    wait.setActionLog(request.actionLog);
    // A defective file is refused before the bus is used at all.
    ParameterImage image{};
    if (request.kind == TransferKind::Import) {
        const ParameterFileResult read = readParameterFile(request.file, image);
        if (!read.ok)
            return {1, read.message};
    }
    const Target drive = connectDriveAt(wait, request.address);
    if (wait.interrupted()) {
        return {1,
                translated(
                    "BusTransfer",
                    (request.kind == TransferKind::Export ? kExportCut : kImportNotBegun).data()),
                true};
    }
    if (drive.slot < 0)
        return {1, translated("BusTransfer", "地址") + std::to_string(request.address) +
                       translated("BusTransfer", "上没有找到变频器。")};
    return request.kind == TransferKind::Export ? exportTo(wait, drive, request.file)
                                                : importInto(wait, drive, image, request.file);
}

int runTransferCommand(const BusOptions& options) {
    BusSession session(options, std::cerr);
    if (std::string error; !session.open(error)) {
        std::cerr << error << std::endl;
        return interruptFlag().load() ? interruptedExitStatus() : 1;
    }
    BusActionLog actions;
    const TransferRequest request{
        options.command == BusOptions::Command::Import ? TransferKind::Import
                                                       : TransferKind::Export,
        options.device, options.address, options.files.front(), actions.sink()};
    const TransferOutcome outcome = runTransfer(
        session.link(), request, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); },
        &interruptFlag());
    session.close();
    if (!outcome.message.empty())
        std::cerr << outcome.message << std::endl;
    return outcome.interrupted ? interruptedExitStatus() : outcome.exitStatus;
}

} // namespace velkaro
