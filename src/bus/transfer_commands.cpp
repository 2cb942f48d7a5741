#include "bus/transfer_commands.h"

#include <chrono>
#include <iostream>
#include <thread>

#include "bus/bus_session.h"
#include "bus/link_waiter.h"
#include "files/parameter_file.h"
#include "link/comm_tick.h"
#include "link/device_port.h"
#include "link/drive_link.h"
#include "link/link_settings.h"
#include "registry/drive_table.h"

namespace velkaro {

namespace {

constexpr std::string_view kUsage =
    "用法：velkaro-bus export|import --device 设备 --address 地址(1..247) [--baud 波特率] "
    "[--fast-replies] 文件";

constexpr int kTransferBudgetMs = 15 * 60'000;

bool parseNumber(std::string_view text, int& value) {
    if (text.empty() || text.size() > 6)
        return false;
    int result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
    }
    value = result;
    return true;
}

constexpr std::string_view kStoreUnconfirmed = "参数已写入，但变频器没有确认存储到EEPROM。";

std::string failureText(const Outcome& outcome) {
    return outcome.message.empty() ? outcome.why : outcome.message;
}

TransferOutcome exportTo(LinkWaiter& wait, const Target& drive, const std::string& file) {
    const std::optional<Outcome> outcome = wait.request(drive, Export{}, kTransferBudgetMs);
    if (!outcome) {
        return {1, "参数传输没有结束。"};
    }
    if (!outcome->confirmed() || !outcome->image) {
        return {1, failureText(*outcome)};
    }
    ParameterImage image = *outcome->image;
    if (const ParameterFileResult written = writeParameterFile(file, image, outcome->imageLength);
        !written.ok) {
        return {1, written.message};
    }
    return {0, {}};
}

TransferOutcome importInto(LinkWaiter& wait, const Target& drive, const ParameterImage& image) {
    // The link refuses an import into a running drive: it must have read the
    // drive's state first.
    const std::optional<Outcome> status = wait.request(drive, StatusPoll{}, kOperationBudgetMs);
    if (!status || !status->confirmed()) {
        return {1, "通讯故障导致数据导入失败！"};
    }
    const RequestId id = wait.link().submit(drive, Import{image, -1});
    // The outcome comes with the EEPROM store, after the last chunk: an
    // import seen ended while its outcome had not come yet failed in the store.
    bool storing = false;
    for (int ms = 0; ms <= kTransferBudgetMs; ++ms) {
        const bool transferEnded = !wait.link().snapshot().transferRunning;
        if (const std::optional<Outcome> outcome = wait.ended(id)) {
            if (outcome->confirmed()) {
                return {0, {}};
            }
            std::string message = failureText(*outcome);
            if (storing) {
                message += message.empty() ? "" : "\n";
                message += kStoreUnconfirmed;
            }
            return {1, message};
        }
        storing = storing || transferEnded;
        wait.pass();
    }
    wait.link().cancel(id);
    return {1, "参数传输没有结束。"};
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

std::optional<TransferRequest> parseTransferArguments(int argc, char** argv, std::string& error) {
    error = std::string(kUsage);
    if (argc < 2)
        return std::nullopt;
    TransferRequest request;
    const std::string_view command = argv[1];
    if (command == "export")
        request.kind = TransferKind::Export;
    else if (command == "import")
        request.kind = TransferKind::Import;
    else
        return std::nullopt;

    for (int i = 2; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--device" && hasValue) {
            request.device = argv[++i];
        } else if (argument == "--address" && hasValue) {
            if (!parseNumber(argv[++i], request.address) || request.address < kFirstBusAddress ||
                request.address > kLastBusAddress)
                return std::nullopt;
        } else if (argument == "--baud" && hasValue) {
            const std::string_view baud = argv[++i];
            request.baudChoice = -1;
            for (std::size_t c = 0; c < baudChoices.size(); ++c)
                if (baudChoices[c] == baud)
                    request.baudChoice = static_cast<int>(c);
            if (request.baudChoice < 0)
                return std::nullopt;
        } else if (argument == "--fast-replies") {
            request.fastReplies = true;
        } else if (argument.starts_with("--") || !request.file.empty()) {
            return std::nullopt;
        } else {
            request.file = argument;
        }
    }
    if (request.device.empty() || request.address == 0 || request.file.empty())
        return std::nullopt;
    error.clear();
    return request;
}

TransferOutcome runTransfer(DriveLink& link, const TransferRequest& request,
                            const std::function<void()>& letTimePass) {
    LinkWaiter wait(link, letTimePass);
    // A defective file is refused before the bus is used at all.
    ParameterImage image{};
    if (request.kind == TransferKind::Import) {
        const ParameterFileResult read = readParameterFile(request.file, image);
        if (!read.ok)
            return {1, read.message};
    }
    const Target drive = connectDriveAt(wait, request.address);
    if (drive.slot < 0)
        return {1, "地址" + std::to_string(request.address) + "上没有找到变频器。"};
    return request.kind == TransferKind::Export ? exportTo(wait, drive, request.file)
                                                : importInto(wait, drive, image);
}

int runTransferCommand(int argc, char** argv) {
    std::string error;
    const std::optional<TransferRequest> request = parseTransferArguments(argc, argv, error);
    if (!request) {
        std::cerr << error << std::endl;
        return 2;
    }

    DevicePort port(request->device);
    ConsoleMessages messages(&std::cerr);
    DriveLink link(port, messages);
    LinkSettings settings = link.settings();
    if (request->baudChoice >= 0) {
        settings.applyChoices(settings.portChoice, request->baudChoice, settings.parityChoice,
                              settings.dataBitsChoice, settings.stopBitsChoice);
    }
    settings.frameEnd = request->fastReplies ? FrameEnd::Completion : FrameEnd::Silence;
    link.setSettings(settings);
    if (const OpenLinkResult opened = link.openLink(); !opened.ok) {
        std::cerr << opened.message << std::endl;
        return 1;
    }
    if (std::string error; !waitForConnection(link, error)) {
        std::cerr << error << std::endl;
        return 1;
    }

    CommTick tick(link);
    if (!tick.start()) {
        std::cerr << "通讯定时器无法启动。" << std::endl;
        return 1;
    }
    const TransferOutcome outcome = runTransfer(
        link, *request, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    messages.abandonPending();
    tick.stop();
    if (!outcome.message.empty())
        std::cerr << outcome.message << std::endl;
    return outcome.exitStatus;
}

} // namespace velkaro
