#include "records/action_record.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <variant>

#include "link/link_snapshot.h"
#include "records/station_name.h"
#include "registry/catalogue.h"
#include "registry/fixed_point.h"

namespace velkaro {
namespace {

struct WordAction {
    uint16_t word;
    std::string_view name;
    std::string_view value;
};
/// The command words the station gives, by the names the operators use.
constexpr WordAction kWordActions[] = {
    {command_word::kRun, "运行", ""},
    {command_word::kReverse, "运行", "反转"},
    {command_word::kStop, "停机", ""},
    {command_word::kCoastStop, "自由停车", ""},
    {command_word::kEmergencyStop, "急停", ""},
    {command_word::kFaultReset, "复位", ""},
    {command_word::kJogForward, "点动", "正转"},
    {command_word::kJogReverse, "点动", "反转"},
};

std::string hertz(int32_t hundredths) {
    return formatFixed(hundredths, 2) + "Hz";
}

std::string wordText(uint16_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", word);
    return text;
}

/// 操作, 原值 and 新值 of a control-block write.
void describeCommand(const Command& command, const DriveRecord* drive, ActionRecord& row) {
    switch (command.kind) {
    case Command::Kind::Store:
        row.action = "存储EEPROM";
        return;
    case Command::Kind::Frequency:
        row.action = "频率设定";
        if (drive != nullptr) {
            row.oldValue = hertz(statusValue(*drive, kSetFrequency));
        }
        row.newValue = hertz(command.value);
        return;
    case Command::Kind::Word:
        break;
    }
    const auto* known = std::find_if(std::begin(kWordActions), std::end(kWordActions),
                                     [&](const WordAction& a) { return a.word == command.value; });
    if (known != std::end(kWordActions)) {
        row.action = known->name;
        row.newValue = known->value;
    } else {
        row.action = commandActionName(command.value);
        row.newValue = wordText(command.value);
    }
}

/// A parameter's word as the parameter list shows it ("50.00", "-3").
std::string parameterText(const std::optional<ParamDescriptor>& d, uint16_t word) {
    if (!d) {
        return std::to_string(word);
    }
    return formatFixed(parameterValue(*d, word), decimalsOf(*d));
}

} // namespace

std::string refusedResult(std::string_view why) {
    return "被拒绝：" + std::string(why);
}

std::string actionResultOf(const Outcome& outcome) {
    switch (outcome.result) {
    case Result::Confirmed:
        return std::string(kActionConfirmed);
    case Result::Refused:
        return refusedResult(outcome.exception != 0 ? exceptionName(outcome.exception)
                                                    : std::string_view(outcome.why));
    case Result::TimedOut:
    case Result::Cancelled:
        break;
    }
    return std::string(toString(outcome.result));
}

std::string currentAccount() {
    const uid_t uid = geteuid();
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_name != nullptr) {
        return found->pw_name;
    }
    return std::to_string(uid);
}

std::string_view commandActionName(uint16_t word) {
    for (const WordAction& a : kWordActions) {
        if (a.word == word) {
            return a.name;
        }
    }
    return "命令字";
}

std::string lineSettingsText(const LinkSettings& settings) {
    return "COM" + std::to_string(settings.portNumber) + " " + settings.settingsText() + " " +
           std::to_string(settings.replyTimeoutTicks * settings.tickPeriodMs) + "ms" +
           (settings.frameEnd == FrameEnd::Completion ? " 快速应答识别" : "");
}

ActionTracker::ActionTracker() : m_station(hostStationName()), m_account(currentAccount()) {}

ActionTracker::Started ActionTracker::start(const Target& target, const Request& request,
                                            const LinkSnapshot& view) {
    Started started;
    const DriveRecord* drive = view.drive(target.slot);
    if (drive != nullptr) {
        started.series = drive->series;
    }
    if (const auto* read = std::get_if<ParameterRead>(&request)) {
        started.readGroup = read->group;
        return started;
    }
    ActionRecord row = now(target, {}, {}, {}, {});
    if (const auto* command = std::get_if<Command>(&request)) {
        // The set frequency the drive reports is its old value only once its
        // status has been read.
        const bool statusRead = target.slot >= 0 && target.slot < kMaxDrives &&
                                view.statusRead[static_cast<std::size_t>(target.slot)];
        describeCommand(*command, statusRead ? drive : nullptr, row);
    } else if (const auto* write = std::get_if<ParameterWrite>(&request)) {
        const std::optional<ParamDescriptor> d =
            write->group >= 0 ? descriptor(started.series, write->group, write->row) : std::nullopt;
        row.action = "参数修改 " + (d ? std::string(d->code) : wordText(write->registerAddress));
        const auto known = m_groups.find({target.slot, target.address, write->group});
        if (write->row >= 0 && known != m_groups.end() &&
            static_cast<std::size_t>(write->row) < known->second.size()) {
            row.oldValue = parameterText(d, known->second[static_cast<std::size_t>(write->row)]);
        }
        row.newValue = parameterText(d, write->word);
        started.write = *write;
        if (write->readBack) {
            started.readGroup = write->group;
        }
    } else if (const auto* image = std::get_if<Import>(&request)) {
        row.action = "参数导入";
        row.newValue = std::filesystem::path(image->file).filename().string();
    } else if (const auto* exported = std::get_if<Export>(&request)) {
        row.action = "参数导出";
        row.newValue = std::filesystem::path(exported->file).filename().string();
    } else if (const auto* search = std::get_if<Search>(&request)) {
        row.action = "连接";
        const int last = search->first + static_cast<int>(search->count) - 1;
        row.newValue = "地址 " + std::to_string(search->first) +
                       (last > search->first ? "-" + std::to_string(last) : std::string());
    } else {
        return started; // status polls, readouts, the line finder only read
    }
    started.row = std::move(row);
    return started;
}

std::optional<ActionRecord> ActionTracker::finish(Started started, const Outcome& outcome) {
    const auto key = [&](int group) {
        return std::make_tuple(outcome.target.slot, static_cast<int>(outcome.target.address),
                               group);
    };
    if (started.readGroup >= 0 && outcome.confirmed() && !outcome.words.empty()) {
        m_groups[key(started.readGroup)] = outcome.words;
    } else if (started.write && outcome.confirmed() && started.write->row >= 0) {
        // Taken without a read back: the drive holds the value written.
        std::vector<uint16_t>& words = m_groups[key(started.write->group)];
        const auto row = static_cast<std::size_t>(started.write->row);
        words.resize(std::max(words.size(), row + 1));
        words[row] = started.write->word;
    }
    if (!started.row) {
        return std::nullopt;
    }
    ActionRecord row = std::move(*started.row);
    row.result = actionResultOf(outcome);
    if (!outcome.names.empty()) {
        // The drives a search found, under the names they joined with.
        std::string names;
        for (const std::string& name : outcome.names) {
            names += (names.empty() ? "" : "、") + name;
        }
        row.newValue += "：" + names;
    }
    return row;
}

ActionRecord ActionTracker::now(const Target& target, std::string action, std::string oldValue,
                                std::string newValue, std::string result) const {
    ActionRecord row;
    row.time = m_clock();
    row.station = m_station;
    row.account = m_account;
    if (target.slot >= 0 || !target.name.empty()) {
        row.drive = target.name;
        row.address = target.address;
    }
    row.action = std::move(action);
    row.oldValue = std::move(oldValue);
    row.newValue = std::move(newValue);
    row.result = std::move(result);
    return row;
}

} // namespace velkaro
