#include "bus/report_commands.h"

#include <charconv>
#include <chrono>
#include <ctime>
#include <iostream>
#include <thread>

#include "bus/link_waiter.h"
#include "bus/transfer_commands.h"
#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/drive_readout.h"
#include "link/link_settings.h"
#include "link/posix_serial_port.h"
#include "registry/drive_table.h"

namespace velkaro {

namespace {

constexpr std::string_view kUsage =
    "用法：velkaro-bus report --device 设备 --address 地址(1..247) [--baud 波特率] 文件.csv\n"
    "      velkaro-bus compare --device 设备 --address 地址(1..247) [--baud 波特率] 文件\n"
    "      velkaro-bus compare 文件 文件";

constexpr int kExitDone = 0;
constexpr int kExitDiffer = 1;
constexpr int kExitFailed = 1;
constexpr int kExitError = 2;

// A QD40 takes about five seconds; a group that fails takes its retries.
constexpr int kReadoutBudgetMs = 10 * 60'000;

bool parseAddress(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && value >= kFirstBusAddress &&
           value <= kLastBusAddress;
}

bool parseBaud(std::string_view text, int& choice) {
    for (std::size_t c = 0; c < baudChoices.size(); ++c) {
        if (baudChoices[c] == text) {
            choice = static_cast<int>(c);
            return true;
        }
    }
    return false;
}

/// The shape of the command line: a device with one file, or (compare only) two files.
bool wellFormed(const ReportRequest& r) {
    if (r.device.empty()) {
        return r.kind == ReportRequest::Kind::Compare && r.files.size() == 2 && r.address == 0 &&
               r.baudChoice < 0;
    }
    return r.address != 0 && r.files.size() == 1;
}

/// Runs `work` with a link open on the request's device and the real tick.
int withOpenLink(const ReportRequest& request,
                 const std::function<int(DriveLink&, const std::function<void()>&)>& work) {
    PosixSerialPort port(request.device);
    ConsoleMessages messages(&std::cerr);
    DriveLink link(port, messages);
    if (request.baudChoice >= 0) {
        LinkSettings s = link.settings();
        s.applyChoices(s.portChoice, request.baudChoice, s.parityChoice, s.dataBitsChoice,
                       s.stopBitsChoice);
        link.setSettings(s);
    }
    if (const OpenLinkResult opened = link.openLink(); !opened.ok) {
        std::cerr << opened.message << std::endl;
        return -1;
    }
    CommTick tick(link);
    if (!tick.start()) {
        std::cerr << "通讯定时器无法启动。" << std::endl;
        return -1;
    }
    const int status =
        work(link, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    messages.abandonPending();
    tick.stop();
    return status;
}

int runReport(const ReportRequest& request) {
    const int status =
        withOpenLink(request, [&](DriveLink& link, const std::function<void()>& letTimePass) {
            const DriveReadOutcome read = readWholeDrive(link, request.address, {}, letTimePass);
            if (!read.ok) {
                if (!read.message.empty()) {
                    std::cerr << read.message << std::endl;
                }
                return kExitFailed;
            }
            const ReportFileResult written = writeParameterReport(request.files[0], read.report);
            if (!written.ok) {
                std::cerr << written.message << std::endl;
                return kExitFailed;
            }
            return kExitDone;
        });
    return status < 0 ? kExitFailed : status;
}

int printComparison(const ParameterComparison& comparison) {
    if (!comparison.ok) {
        std::cerr << comparison.error << std::endl;
        return kExitError;
    }
    std::cout << comparisonText(comparison) << std::flush;
    return comparison.differences.empty() ? kExitDone : kExitDiffer;
}

int runCompare(const ReportRequest& request) {
    std::string error;
    const std::optional<ParameterSet> file = loadParameterSet(request.files.back(), error);
    if (!file) {
        std::cerr << error << std::endl;
        return kExitError;
    }
    if (request.device.empty()) {
        const std::optional<ParameterSet> first = loadParameterSet(request.files.front(), error);
        if (!first) {
            std::cerr << error << std::endl;
            return kExitError;
        }
        return printComparison(compareParameters(*first, *file));
    }
    const int status =
        withOpenLink(request, [&](DriveLink& link, const std::function<void()>& letTimePass) {
            const DriveReadOutcome read =
                readWholeDrive(link, request.address, file->series, letTimePass);
            if (!read.ok) {
                if (!read.message.empty()) {
                    std::cerr << read.message << std::endl;
                }
                return kExitError;
            }
            return printComparison(compareParameters(parameterSetOf(read.report), *file));
        });
    return status < 0 ? kExitError : status;
}

} // namespace

std::optional<ReportRequest> parseReportArguments(int argc, char** argv, std::string& error) {
    error = std::string(kUsage);
    if (argc < 2) {
        return std::nullopt;
    }
    ReportRequest request;
    const std::string_view command = argv[1];
    if (command == "report") {
        request.kind = ReportRequest::Kind::Report;
    } else if (command == "compare") {
        request.kind = ReportRequest::Kind::Compare;
    } else {
        return std::nullopt;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--device" && hasValue) {
            request.device = argv[++i];
        } else if (argument == "--address" && hasValue) {
            if (!parseAddress(argv[++i], request.address)) {
                return std::nullopt;
            }
        } else if (argument == "--baud" && hasValue) {
            if (!parseBaud(argv[++i], request.baudChoice)) {
                return std::nullopt;
            }
        } else if (argument.starts_with("--") || argument.empty()) {
            return std::nullopt;
        } else {
            request.files.emplace_back(argument);
        }
    }
    if (!wellFormed(request)) {
        return std::nullopt;
    }
    error.clear();
    return request;
}

DriveReadOutcome readWholeDrive(DriveLink& link, int address, std::string_view expectedSeries,
                                const std::function<void()>& letTimePass) {
    LinkWaiter wait(link, letTimePass);
    const Target drive = connectDriveAt(wait, address);
    if (drive.slot < 0) {
        return {false, "地址" + std::to_string(address) + "上没有找到变频器。", {}};
    }
    const LinkSnapshot now = link.snapshot();
    const DriveRecord* record = now.drive(drive.slot);
    if (record != nullptr && !expectedSeries.empty() && record->series != expectedSeries) {
        return {false, std::string(kWrongModelMessage), {}};
    }
    const std::optional<Outcome> read = wait.request(drive, Readout{}, kReadoutBudgetMs);
    if (!read) {
        return {false, "参数读取没有结束。", {}};
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

int runReportCommand(int argc, char** argv) {
    std::string error;
    const std::optional<ReportRequest> request = parseReportArguments(argc, argv, error);
    if (!request) {
        std::cerr << error << std::endl;
        return kExitError;
    }
    return request->kind == ReportRequest::Kind::Report ? runReport(*request)
                                                        : runCompare(*request);
}

} // namespace velkaro
