#include "bus/report_commands.h"

#include <chrono>
#include <ctime>
#include <iostream>
#include <thread>

#include "bus/bus_options.h"
#include "bus/bus_session.h"
#include "bus/console_interrupt.h"
#include "bus/link_waiter.h"
#include "link/drive_link.h"
#include "link/drive_readout.h"
#include "registry/drive_table.h"
#include "registry/language.h"

namespace velkaro {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitDiffer = 1;
constexpr int kExitFailed = 1;
constexpr int kExitError = 2;

// A QD40 takes about five seconds; a group that fails takes its retries.
constexpr int kReadoutBudgetMs = 10 * 60'000;

constexpr std::string_view kReadoutCut =
    VELKARO_TRANSLATE_NOOP("BusTransfer", "参数读取被中断，没有写入文件。");

using LetTimePass = std::function<void()>;

/// Runs `work` with a link open on the options' device and line and the real
/// tick; `failed` when the link could not be opened.
int withOpenLink(const BusOptions& options, int failed,
                 const std::function<int(DriveLink&, const LetTimePass&)>& work) {
    BusSession session(options, std::cerr);
    if (std::string error; !session.open(error)) {
        std::cerr << error << std::endl;
        return interruptFlag().load() ? interruptedExitStatus() : failed;
    }
    const int status =
        work(session.link(), [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    session.close();
    return status;
}

/// The drive's whole parameter set; none with the reason told and `status`
/// set to `failed` (128 + the signal when interrupted).
std::optional<DriveReadOutcome> readDriveOrTell(DriveLink& link, const BusOptions& options,
                                                std::string_view series,
                                                const LetTimePass& letTimePass, int failed,
                                                int& status) {
    DriveReadOutcome read =
        readWholeDrive(link, options.address, series, letTimePass, &interruptFlag());
    if (read.ok) {
        return read;
    }
    if (!read.message.empty()) {
        std::cerr << read.message << std::endl;
    }
    status = read.interrupted ? interruptedExitStatus() : failed;
    return std::nullopt;
}

int runReport(const BusOptions& options) {
    return withOpenLink(options, kExitFailed, [&](DriveLink& link, const LetTimePass& pass) {
        int status = kExitFailed;
        const std::optional<DriveReadOutcome> read =
            readDriveOrTell(link, options, {}, pass, kExitFailed, status);
        if (!read) {
            return status;
        }
        const ReportFileResult written = writeParameterReport(options.files[0], read->report);
        if (!written.ok) {
            std::cerr << written.message << std::endl;
            return kExitFailed;
        }
        return kExitDone;
    });
}

int printComparison(const ParameterComparison& comparison) {
    if (!comparison.ok) {
        std::cerr << comparison.error << std::endl;
        return kExitError;
    }
    std::cout << comparisonText(comparison) << std::flush;
    return comparison.differences.empty() ? kExitDone : kExitDiffer;
}

int runCompare(const BusOptions& options) {
    std::string error;
    const std::optional<ParameterSet> file = loadParameterSet(options.files.back(), error);
    if (!file) {
        std::cerr << error << std::endl;
        return kExitError;
    }
    if (options.device.empty()) {
        const std::optional<ParameterSet> first = loadParameterSet(options.files.front(), error);
        if (!first) {
            std::cerr << error << std::endl;
            return kExitError;
        }
        return printComparison(compareParameters(*first, *file));
    }
    return withOpenLink(options, kExitError, [&](DriveLink& link, const LetTimePass& pass) {
        int status = kExitError;
        const std::optional<DriveReadOutcome> read =
            readDriveOrTell(link, options, file->series, pass, kExitError, status);
        return read ? printComparison(compareParameters(parameterSetOf(read->report), *file))
                    : status;
    });
}

} // namespace

DriveReadOutcome readWholeDrive(DriveLink& link, int address, std::string_view expectedSeries,
                                const LetTimePass& letTimePass,
                                const std::atomic<bool>* interrupt) {
    LinkWaiter wait(link, letTimePass);
    wait.setInterrupt(interrupt);
    const Target drive = connectDriveAt(wait, address);
    if (wait.interrupted()) {
        return {false, translated("BusTransfer", kReadoutCut.data()), {}, true};
    }
    if (drive.slot < 0) {
        return {false,
                translated("BusTransfer", "地址") + std::to_string(address) +
                    translated("BusTransfer", "上没有找到变频器。"),
                {}};
    }
    const LinkSnapshot now = link.snapshot();
    const DriveRecord* record = now.drive(drive.slot);
    if (record != nullptr && !expectedSeries.empty() && record->series != expectedSeries) {
        return {false, std::string(kWrongModelMessage), {}};
    }
    const std::optional<Outcome> read = wait.request(drive, Readout{}, kReadoutBudgetMs);
    if (!read || read->cancelReason == CancelReason::ByCaller) {
        const bool cut = wait.interrupted();
        return {false,
                cut ? translated("BusTransfer", kReadoutCut.data())
                    : translated("BusTransfer", "参数读取没有结束。"),
                {},
                cut};
    }
    // Only a readout whose every reply checked is confirmed; anything else
    // says why and is never taken for the drive's values.
    if (!read->confirmed()) {
        return {false, read->message.empty() ? read->why : read->message, {}};
    }
    return {true, {}, readoutReport(*read, reportTimeText(std::time(nullptr)))};
}

std::string comparisonText(const ParameterComparison& comparison) {
    std::string text;
    for (const ParameterDifference& d : comparison.differences) {
        text += d.code + '\t' + d.name + '\t' + d.leftValue + '\t' + d.rightValue + '\n';
    }
    text += std::to_string(comparison.differences.size()) + " differ, " +
            std::to_string(comparison.equal) + " equal\n";
    return text;
}

int runReportCommand(const BusOptions& options) {
    return options.command == BusOptions::Command::Report ? runReport(options)
                                                          : runCompare(options);
}

} // namespace velkaro
