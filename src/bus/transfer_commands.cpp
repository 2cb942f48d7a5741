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

/// Reads the drive's status block once; false when it did not answer.
bool readStatus(DriveLink& link, LinkWaiter& wait, int slot) {
    link.lock()->table.slots[slot].pendingOp = OpCode::StatusRead;
    const bool served =
        wait.until([&](LinkState& s) { return s.table.slots[slot].pendingOp == OpCode::None; },
                   kOperationBudgetMs);
    return served && link.lock()->table.slots[slot].online != 0;
}

/// Starts the import of `image`, read from `file`, into the drive at `slot`;
/// the refusal text, or empty.
std::string startImport(DriveLink& link, LinkWaiter& wait, int slot, const std::string& file,
                        const ParameterImage& image) {
    if (!readStatus(link, wait, slot))
        return "通讯故障导致数据导入失败！";
    auto state = link.lock();
    state->parameterFilePath = file;
    state->parameterImage = image;
    DriveRecord& drive = state->table.slots[slot];
    if ((drive.status[0] & status_bit::kRunning) != 0)
        return "请停机后再进行该操作！";
    state->transferBusy = true;
    state->transferCursor = 0;
    state->progress.position = 0;
    drive.pendingOp = OpCode::Import;
    return {};
}

} // namespace

void ConsoleMessages::show(const std::string& text, const std::string& /*caption*/) {
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

TransferOutcome runTransfer(DriveLink& link, ConsoleMessages& messages,
                            const TransferRequest& request,
                            const std::function<void()>& letTimePass) {
    LinkWaiter wait(link, letTimePass);
    // A defective file is refused before the bus is used at all.
    ParameterImage image = link.lock()->parameterImage;
    if (request.kind == TransferKind::Import) {
        const ParameterFileResult read = readParameterFile(request.file, image);
        if (!read.ok)
            return {1, read.message};
    }

    const int slot = connectDriveAt(wait, request.address);
    if (slot < 0)
        return {1, "地址" + std::to_string(request.address) + "上没有找到变频器。"};

    {
        // Selected as the window selects a drive: its first group.
        auto state = link.lock();
        state->selectedSlot = slot;
        state->selectedGroup = 0;
    }
    const std::size_t messagesBefore = messages.count();
    if (request.kind == TransferKind::Export) {
        auto state = link.lock();
        state->parameterFilePath = request.file;
        state->transferBusy = true;
        state->transferCursor = 0;
        state->progress.position = 0;
        state->table.slots[slot].pendingOp = OpCode::Export;
    } else if (std::string refusal = startImport(link, wait, slot, request.file, image);
               !refusal.empty()) {
        return {1, refusal};
    }

    if (!wait.until([](LinkState& s) { return !s.transferBusy; }, kTransferBudgetMs))
        return {1, "参数传输没有结束。"};
    // Every failure of a transfer reaches the operator as a message.
    if (messages.count() != messagesBefore)
        return {1, {}};

    if (request.kind == TransferKind::Import) {
        // The import ends by asking for the EEPROM store: stay until the drive has it.
        const bool stored = wait.until(
            [&](LinkState& s) {
                const DriveRecord& drive = s.table.slots[slot];
                return drive.pendingOp == OpCode::None && drive.controlSet == drive.controlAck;
            },
            kOperationBudgetMs);
        if (!stored)
            return {1, "参数已写入，但变频器没有确认存储到EEPROM。"};
    }
    return {0, {}};
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
    {
        auto state = link.lock();
        LinkSettings& s = state->settings;
        if (request->baudChoice >= 0) {
            s.applyChoices(s.portChoice, request->baudChoice, s.parityChoice, s.dataBitsChoice,
                           s.stopBitsChoice);
        }
        s.frameEnd = request->fastReplies ? FrameEnd::Completion : FrameEnd::Silence;
    }
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
    const TransferOutcome outcome = runTransfer(link, messages, *request, [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    messages.abandonPending();
    tick.stop();
    if (!outcome.message.empty())
        std::cerr << outcome.message << std::endl;
    return outcome.exitStatus;
}

} // namespace velkaro
