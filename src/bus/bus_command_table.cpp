// The subcommands of velkaro-bus: what the parser accepts after each and what
// --help says of it.

#include <string>

#include "bus/bus_options.h"
#include "link/diagnostics/line_finder.h"
#include "link/ports/device_address.h"
#include "registry/drive_table.h"
#include "registry/language.h"

namespace velkaro {

namespace {

using Verb = BusOptions::Command;
using Operands = BusCommandEntry::Operands;

/// A range of addresses never goes past 247.
std::string rangeMistake(const BusOptions& o) {
    if (o.from + o.count - 1 > kLastBusAddress) {
        return translated("BusOptions", "地址范围 ") + std::to_string(o.from) + ".." +
               std::to_string(o.from + o.count - 1) + translated("BusOptions", " 超出了 1..247");
    }
    return "";
}

/// scan, watch and monitor: without --count the search goes on to 247.
std::string completeSearch(BusOptions& o) {
    if (!o.countGiven) {
        o.count = kLastBusAddress - o.from + 1;
    }
    return rangeMistake(o);
}

std::string completeFind(BusOptions& o) {
    if (isNetworkDevice(o.device)) {
        return translated("OperatorMessages", kNetworkLineFind.data());
    }
    if (!o.countGiven) {
        o.count = 1; // every setting is tried at each address: 72 echo tests apiece
    }
    return rangeMistake(o);
}

/// log: the MQTT options go with a broker.
std::string completeLog(BusOptions& o) {
    if (o.mqttUrl.empty() && (!o.mqttCredentials.empty() || !o.mqttCa.empty() || o.haDiscovery)) {
        return translated("BusOptions",
                          "--mqtt-credentials、--mqtt-ca 和 --ha-discovery 需要 --mqtt 地址");
    }
    return completeSearch(o);
}

/// export, import and report: one drive, one file.
std::string completeTransfer(BusOptions& o) {
    if (o.address == 0) {
        return translated("BusOptions", "缺少 --address 地址");
    }
    return o.files.size() == 1 ? "" : translated("BusOptions", "需要一个文件名");
}

/// compare: a drive and one file, or two files and no line at all.
std::string completeCompare(BusOptions& o) {
    if (!o.device.empty()) {
        return completeTransfer(o);
    }
    if (o.address != 0 || o.lineGiven) {
        return translated("BusOptions", "缺少 --device 设备");
    }
    return o.files.size() == 2
               ? ""
               : translated("BusOptions", "compare 需要 --device 设备和一个文件，或两个文件");
}

std::string completeControl(BusOptions& o) {
    if (o.address == 0) {
        return translated("BusOptions", "缺少 --address 地址");
    }
    return o.steps.empty()
               ? translated("BusOptions", "缺少控制命令，例如 run、stop、frequency=35.5")
               : "";
}

std::string completeRead(BusOptions& o) {
    if (o.address == 0) {
        return translated("BusOptions", "缺少 --address 地址");
    }
    const int asked = static_cast<int>(!o.parameter.empty()) + static_cast<int>(!o.group.empty()) +
                      static_cast<int>(o.registerAddress.has_value());
    if (asked != 1) {
        return translated("BusOptions", "read 需要 --parameter、--group 或 --register 中的一个");
    }
    return o.countGiven && !o.registerAddress
               ? translated("BusOptions", "--count 只用于 --register")
               : "";
}

std::string completeWrite(BusOptions& o) {
    if (o.address == 0) {
        return translated("BusOptions", "缺少 --address 地址");
    }
    const bool parameter = !o.parameter.empty();
    const bool reg = o.registerAddress.has_value();
    if (parameter == reg) {
        return translated("BusOptions", "write 需要 --parameter 或 --register 中的一个");
    }
    if (parameter && (o.value.empty() || o.word)) {
        return translated("BusOptions", "--parameter 需要 --value 参数值");
    }
    if (reg && (!o.word || !o.value.empty())) {
        return translated("BusOptions", "--register 需要 --word 字");
    }
    return "";
}

constexpr BusCommandEntry kCommands[] = {
    {Verb::Scan,
     "scan",
     VELKARO_TRANSLATE_NOOP("BusUsage", "--device 设备 [线路选项] [--from 地址] [--count 个数]"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "搜寻 --from 起的 --count 个地址（默认 1..247），每找到一台变频器输出一行名字，\n"
         "例如 3#QD30-7.50。搜寻多于 8 个地址且输出到终端时，标准错误上显示进度：\n"
         "正在试的地址、第几个、已找到几台。没有变频器应答时说明下一步（find），\n"
         "退出码 1。Ctrl-C 结束搜寻，输出已找到的变频器，退出码 130。"),
     Operands::None,
     completeSearch},
    {Verb::Watch,
     "watch",
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "--device 设备 [线路选项] [--from 地址] [--count 个数] [--for 秒数]\n[--stats]"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "先像 scan 一样搜寻，再每 100 ms 轮询一次状态，每次收到状态输出一行（制表符分隔）：\n"
         "秒数  变频器名  状态  故障/报警原因  输出频率=..Hz  设定频率=..Hz\n"
         "输出电流=..A  输出电压=..V  输出转矩=..%  母线电压=..V\n"
         "变频器不再应答时输出一行状态“通讯断线”，并在标准错误上说明一次；恢复应答时\n"
         "再说明一次。共监视 --for 秒（默认 10），Ctrl-C 提前结束（退出码 130）。\n"
         "加 --stats 时，监视结束后每台变频器输出一行通讯统计（制表符分隔）：名字、\n"
         "请求、应答、超时、重试、CRC错误、残帧、他址帧、迟到、短应答、异常（按代码）、\n"
         "应答时间 最近/最小/平均/最大（ms）、最后应答（秒数）。"),
     Operands::None,
     completeSearch},
    {Verb::Monitor,
     "monitor",
     VELKARO_TRANSLATE_NOOP("BusUsage",
                            "--device 设备 [线路选项] [--from 地址] [--count 个数] [--for 秒数]"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage", "先搜寻，再像 watch 一样轮询，每一帧输出一行（制表符分隔）：开始后的毫秒数、\n"
                     "TX 或 RX、帧的字节（两位大写十六进制，以空格分隔；超时无字节时为 --）、\n"
                     "说明，例如“读 0x3210 ×16”“应答 16 字”“异常 02 非法地址”“CRC 错误”。"),
     Operands::None,
     completeSearch},
    {Verb::Find,
     "find",
     VELKARO_TRANSLATE_NOOP("BusUsage",
                            "--device 设备 [--address 地址] [--count 个数] [--fast-replies]"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "逐一试验本站提供的全部线路设置（6 种波特率 × 3 种校验 × 2 种停止位，先 8 位\n"
         "数据位再 7 位，波特率由高到低），在每种设置下对 --address 起（默认 1）的\n"
         "--count 个地址（默认 1）做回送测试；每种有变频器应答的设置输出一行，例如\n"
         "“19200 E 8 1  3#QD30-7.50”。进度输出到标准错误。没有任何应答时退出码 1。\n"
         "虚拟串口（pty）只传递波特率，校验和数据位不起作用；经网络连接的端口不能检测。"),
     Operands::None,
     completeFind},
    {Verb::Export,
     "export",
     VELKARO_TRANSLATE_NOOP("BusUsage", "--device 设备 [线路选项] --address 地址 文件"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "读出变频器的全部参数存入 .sav 文件（QD10、QD30 系列）。中断或失败时不留下文件。"),
     Operands::Files,
     completeTransfer},
    {Verb::Import,
     "import",
     VELKARO_TRANSLATE_NOOP("BusUsage", "--device 设备 [线路选项] --address 地址 文件"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "把 .sav 文件写回变频器（只限 QD30 系列），再存储到EEPROM。有缺陷的文件在通讯前\n"
         "即被拒绝。被 Ctrl-C 中断时说明已有多少个参数写入变频器（未存储到EEPROM）。"),
     Operands::Files,
     completeTransfer},
    {Verb::Report,
     "report",
     VELKARO_TRANSLATE_NOOP("BusUsage", "--device 设备 [线路选项] --address 地址 文件.csv"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "读出变频器全部功能组的参数（任何系列），写成参数报表（CSV，UTF-8）：变频器名称、\n"
         "机型、额定功率、读取时间，每个参数一行：功能组、功能号、参数名称、当前值、单位、\n"
         "参数范围、修改属性、备注。中断或失败时不留下文件。"),
     Operands::Files,
     completeTransfer},
    {Verb::Compare, "compare",
     VELKARO_TRANSLATE_NOOP("BusUsage", "--device 设备 [线路选项] --address 地址 文件"),
     VELKARO_TRANSLATE_NOOP("BusUsage", "文件 文件"),
     VELKARO_TRANSLATE_NOOP(
         "BusUsage", "读出变频器的全部参数，与参数报表或 .sav 文件对比；给两个文件时对比这两个\n"
                     "文件，不用串口。每个不同的参数输出一行（制表符分隔）：功能号  参数名称\n"
                     "第一方的值  第二方的值；最后一行为“N differ, M equal”。机型不同时不对比。"),
     Operands::Files, completeCompare},
    {Verb::Control,
     "control",
     VELKARO_TRANSLATE_NOOP("BusUsage", "--device 设备 [线路选项] --address 地址 命令..."),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "先搜寻 --address 上的变频器并读出其控制块，再按给出的顺序逐条执行命令，每条等到\n"
         "变频器确认、拒绝或超时后再执行下一条；其间每 100 ms 读一次状态，被拒绝的命令读状态\n"
         "后重发，最多三次。命令：run（运行）、forward（正转）、reverse（反转）、stop（停机）、\n"
         "coast（自由停机）、estop（紧急停机）、reset（故障复位）、store（存储到EEPROM）、\n"
         "frequency=赫兹（给定频率，0..655.35，例如 frequency=35.5）。每条命令输出一行\n"
         "（制表符分隔）：命令  结果，结果为 已确认、被拒绝：异常名称 (代码)、超时 或 已取消，\n"
         "例如“运行  已确认”“存储到EEPROM  被拒绝：非法功能 (01)”。"),
     Operands::ControlSteps,
     completeControl},
    {Verb::Read,
     "read",
     VELKARO_TRANSLATE_NOOP(
         "BusUsage", "--device 设备 [线路选项] --address 地址\n"
                     "(--parameter 功能号 | --group 功能组 | --register 寄存器 [--count 个数])"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "--parameter 功能号（例如 F0-05、Pr05）读出一个参数，--group 功能组（例如 F0，或从 0\n"
         "起的序号）读出一组参数，每个参数一行：功能号  参数名称  当前值（带单位）；\n"
         "--register 寄存器（十进制或 0x 十六进制）读出 --count 个（默认 1，最多 125）寄存器，\n"
         "每个一行：寄存器  十六进制值  十进制值。读取失败时输出一行：所读内容  结果。"),
     Operands::None,
     completeRead},
    {Verb::Write,
     "write",
     VELKARO_TRANSLATE_NOOP("BusUsage",
                            "--device 设备 [线路选项] --address 地址\n"
                            "(--parameter 功能号 --value 数值 | --register 寄存器 --word 字)"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "--parameter 功能号 --value 数值：按参数表的小数位和正负写入一个参数，数值超出该参数\n"
         "的寄存器范围（或不是数值）时不写入，退出码 2；--register 寄存器 --word 字（0..65535，\n"
         "或 0x 十六进制）：原样写入一个寄存器。输出一行：所写内容  结果，例如\n"
         "“F0-09 = 12.5s  已确认”“0x0103 = 0x0005  被拒绝：非法数据值 (03)”。写入的值不存入\n"
         "EEPROM，需要时再执行 control ... store。"),
     Operands::None,
     completeWrite},
    {Verb::Log,
     "log",
     VELKARO_TRANSLATE_NOOP(
         "BusUsage", "--device 设备 [线路选项] [--from 地址] [--count 个数] [--station 站名]\n"
                     "[--dsn 数据源] [--mqtt 地址 [--mqtt-credentials 文件] [--mqtt-ca 文件]\n"
                     "[--ha-discovery]] [--for 秒数]"),
     {},
     VELKARO_TRANSLATE_NOOP(
         "BusUsage",
         "无人值守的记录器（可作为系统服务 velkaro-log@.service 运行）：先搜寻，再像本站一样\n"
         "每 100 ms 轮询一次找到的变频器，每 5 秒写一次运行记录（数据源第一次使用时像本站一样\n"
         "设置好），给出 --mqtt 时把每台变频器的状态发布到 MQTT 代理（只发布，不接受任何命令）。\n"
         "每分钟重新搜寻范围内缺少的地址；串口断开后每 5 秒试着重新打开。每个事件（找到、\n"
         "不再应答、恢复应答、故障、串口、数据源、MQTT 代理）在标准错误上输出一行。\n"
         "收到 SIGTERM 或 SIGINT，或记录满 --for 秒后，写完排队的记录，正常结束（退出码 0）。"),
     Operands::None,
     completeLog},
};

} // namespace

std::span<const BusCommandEntry> busCommandTable() {
    return kCommands;
}

} // namespace velkaro
