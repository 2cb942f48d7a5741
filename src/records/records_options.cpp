#include "records/records_options.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "records/record_time.h"
#include "registry/fixed_point.h"
#include "registry/language.h"

namespace velkaro {
namespace {

/// Checks and stores one option value; the reason in `error` when refused.
bool applyOption(RecordsOptions& o, std::string_view name, const std::string& value,
                 std::string& error) {
    if (name == "--hours") {
        const std::optional<double> hours = parsePositiveNumber(value);
        if (o.hours || !hours) {
            error = translated("RecordsConsole", "--hours 应为正的小时数（只给一次）：") + value;
        }
        o.hours = hours.value_or(0);
    } else if (name == "--from" || name == "--to") {
        std::optional<std::tm>& slot = name == "--from" ? o.from : o.to;
        if (slot) {
            error = std::string(name) + translated("RecordsConsole", " 只能给一次");
        }
        slot = parseRecordTime(value);
        if (!slot) {
            error = std::string(name) +
                    translated("RecordsConsole", " 的时间应写成 YYYY-MM-DD HH:MM[:SS]：") + value;
        }
    } else if (name == "--drive") {
        if (o.drive || value.empty()) {
            error = translated("RecordsConsole", "--drive 应给一个变频器名字（只给一次）");
        }
        o.drive = value;
    } else if (name == "--account" && o.command == RecordsOptions::Command::Actions) {
        if (o.account || value.empty()) {
            error = translated("RecordsConsole", "--account 应给一个账户名（只给一次）");
        }
        o.account = value;
    } else if (name == "--station") {
        if (o.station || value.empty()) {
            error = translated("RecordsConsole", "--station 应给一个站名（只给一次）");
        }
        o.station = value;
    } else {
        error = translated("RecordsConsole", "未知选项：") + std::string(name);
    }
    return error.empty();
}

bool checkCombination(const RecordsOptions& o, std::string& error) {
    if (o.hours && (o.from || o.to)) {
        error = translated("RecordsConsole", "--hours 与 --from/--to 只能选一种");
    } else if (o.station && o.allStations) {
        error = translated("RecordsConsole", "--station 与 --all-stations 只能选一种");
    } else if (o.from.has_value() != o.to.has_value()) {
        error = translated("RecordsConsole", "--from 与 --to 要一起给");
    } else if (o.command == RecordsOptions::Command::Export && o.file.empty()) {
        error = translated("RecordsConsole", "缺少导出的 CSV 文件名");
    }
    return error.empty();
}

} // namespace

std::optional<RecordsOptions> parseRecordsOptions(const std::vector<std::string>& args,
                                                  std::string& error) {
    RecordsOptions o;
    if (args.empty()) {
        error = translated("RecordsConsole", "缺少命令");
        return std::nullopt;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        return o;
    }
    if (command == "export") {
        o.command = RecordsOptions::Command::Export;
    } else if (command == "events") {
        o.command = RecordsOptions::Command::Events;
    } else if (command == "actions") {
        o.command = RecordsOptions::Command::Actions;
    } else {
        error = translated("RecordsConsole", "未知命令：") + command;
        return std::nullopt;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            o.command = RecordsOptions::Command::Help;
            return o;
        }
        if (word == "--all-stations") {
            o.allStations = true;
            continue;
        }
        if (word.rfind("--", 0) != 0) {
            if (o.command != RecordsOptions::Command::Export || !o.file.empty() || word.empty()) {
                error = translated("RecordsConsole", "多余的参数：") + word;
                return std::nullopt;
            }
            o.file = word;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = word + translated("RecordsConsole", " 缺少取值");
            return std::nullopt;
        }
        if (!applyOption(o, word, args[++i], error)) {
            return std::nullopt;
        }
    }
    if (!checkCombination(o, error)) {
        return std::nullopt;
    }
    return o;
}

std::optional<std::string> stationOf(const RecordsOptions& options,
                                     const std::string& thisStation) {
    if (options.allStations) {
        return std::nullopt;
    }
    return options.station.value_or(thisStation);
}

std::optional<RecordWindow> resolveRecordWindow(const RecordsOptions& options, std::time_t now,
                                                std::string& error) {
    const WallSeconds nowWall = wallSecondsAt(now);
    const auto longest = static_cast<WallSeconds>(kLongestStorageHours * 3600);
    WallSeconds after = 0;
    WallSeconds upTo = nowWall;
    if (options.from && options.to) {
        after = wallSecondsOf(*options.from) - 1;
        upTo = wallSecondsOf(*options.to);
        if (after >= upTo) {
            error = translated("RecordsConsole", "--from 不能晚于 --to");
            return std::nullopt;
        }
    } else {
        const double hours = options.hours.value_or(
            options.command == RecordsOptions::Command::Export ? kDefaultExportHours
                                                               : kDefaultEventHours);
        after = nowWall - static_cast<WallSeconds>(std::llround(std::min(hours, 1e6) * 3600));
    }
    RecordWindow window;
    if (options.command == RecordsOptions::Command::Actions) {
        // The action log is never purged: any window reaches its rows.
        window.after = wallTimeOf(after);
        window.upTo = wallTimeOf(upTo);
        return window;
    }
    const WallSeconds earliest = nowWall - longest;
    if (upTo <= earliest) {
        error =
            translated("RecordsConsole", "所选时间早于最长存储时间（72 小时），这些记录已被清除");
        return std::nullopt;
    }
    if (after < earliest) {
        after = earliest;
        window.note =
            translated("RecordsConsole", "最长存储时间为 72 小时，只取最近 72 小时的记录");
    }
    window.after = wallTimeOf(after);
    window.upTo = wallTimeOf(upTo);
    return window;
}

std::string recordsUsage() {
    return translated(
        "RecordsConsole",
        "用法：\n"
        "  velkaro-records export [--hours 小时 | --from 时间 --to 时间] [--drive 名字]\n"
        "                         [--station 站名 | --all-stations] 文件.csv\n"
        "  velkaro-records events [--hours 小时 | --from 时间 --to 时间] [--drive 名字]\n"
        "                         [--station 站名 | --all-stations]\n"
        "  velkaro-records actions [--hours 小时 | --from 时间 --to 时间] [--drive 名字]\n"
        "                          [--station 站名 | --all-stations] [--account 账户]\n"
        "\n"
        "export  把运行记录写入 CSV 文件（UTF-8，带字节顺序标记），从旧到新，列为：\n"
        "        记录时间,名字,运行频率,输出电流,输出电压,工作状态,设定频率,母线电压,站名\n"
        "        默认最近 2 小时、本站的全部变频器。中途出错或按 Ctrl-C 不留下文件。\n"
        "events  每次故障跳闸、每次通讯断线输出一行（CSV）：记录时间,名字,原因,站名\n"
        "        默认最近 24 小时、本站。\n"
        "actions 操作记录（谁在何时对哪台变频器做了什么），每条一行（CSV），从旧到新：\n"
        "        记录时间,站名,账户,名字,地址,操作,原值,新值,结果\n"
        "        默认最近 24 小时、本站；操作记录不随运行记录清除，时间窗不受 72 小时限制。\n"
        "\n"
        "--hours 小时          最近若干小时（可带小数）\n"
        "--from/--to 时间      时间写成 YYYY-MM-DD HH:MM[:SS]（本地时间），两个一起给\n"
        "--drive 名字          只取这台变频器\n"
        "--station 站名        只取这个站写入的记录（默认本站：工作站“选项”里设的站名，\n"
        "                      未设时为本机主机名）\n"
        "--all-stations        取共用数据源的所有站的记录\n"
        "--account 账户        （actions）只取这个操作系统账户的操作\n"
        "--language zh|en      显示语言：zh 中文，en 英文（默认按 LANGUAGE、LC_ALL、\n"
        "                      LC_MESSAGES、LANG 的区域设置）\n"
        "-h, --help            显示本说明后退出\n"
        "--version             显示版本后退出\n"
        "export 和 events 的时间窗最多回溯 72 小时（最长存储时间），更早的部分被截去并提示。\n"
        "\n"
        "数据源为 ODBC 数据源“变频器运行记录”（与工作站相同，见 ODBCINI）。\n"
        "退出码：0 成功；1 数据源或文件出错、被中断；2 命令行有误。\n"
        "提示信息输出到标准错误。\n");
}

} // namespace velkaro
