#include "bus/bus_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "link/device_address.h"
#include "link/line_finder.h"
#include "link/link_settings.h"
#include "registry/drive_table.h"
#include "registry/fixed_point.h"

namespace velkaro {

namespace {

constexpr int kMostAddresses = kLastBusAddress;

bool parseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

template <std::size_t N>
bool oneOf(const std::array<std::string_view, N>& choices, std::string_view value) {
    return std::find(choices.begin(), choices.end(), value) != choices.end();
}

using Command = BusOptions::Command;

/// The line options belong to the commands that run at one setting; find tries them all.
bool refusedLineOption(Command c, std::string_view name) {
    const bool lineOption =
        name == "--baud" || name == "--parity" || name == "--data" || name == "--stop";
    return lineOption && c == Command::Find;
}

/// Checks and stores one option value; the reason in `error` when refused.
bool applyOption(BusOptions& o, std::string_view name, const std::string& value,
                 std::string& error) {
    if (name == "--device") {
        o.device = value;
    } else if (name == "--address" && o.command == Command::Find) {
        if (!parseInt(value, o.from) || o.from < kFirstBusAddress || o.from > kLastBusAddress) {
            error = "地址应在 1..247 之间：" + value;
        }
    } else if (refusedLineOption(o.command, name)) {
        error = "find 逐一试验全部线路设置，不接受 " + std::string(name);
    } else if (name == "--baud") {
        o.baud = value;
        if (!oneOf(baudChoices, value)) {
            error = "波特率只能是 38400、19200、9600、4800、2400 或 1200：" + value;
        }
    } else if (name == "--parity") {
        o.parity = value;
        if (value != "N" && value != "E" && value != "O") {
            error = "校验只能是 N、E 或 O：" + value;
        }
    } else if (name == "--data") {
        o.dataBits = value;
        if (!oneOf(dataBitsChoices, value)) {
            error = "数据位只能是 8 或 7：" + value;
        }
    } else if (name == "--stop") {
        o.stopBits = value;
        if (!oneOf(stopBitsChoices, value)) {
            error = "停止位只能是 1 或 2：" + value;
        }
    } else if (name == "--from" && o.command != Command::Find) {
        if (!parseInt(value, o.from) || o.from < kFirstBusAddress || o.from > kLastBusAddress) {
            error = "起始地址应在 1..247 之间：" + value;
        }
    } else if (name == "--count") {
        const int least = o.command == Command::Find ? 1 : 0;
        if (!parseInt(value, o.count) || o.count < least || o.count > kMostAddresses) {
            error = "搜寻长度应在 " + std::to_string(least) + "..247 之间：" + value;
        }
    } else if (name == "--for" && (o.command == Command::Watch || o.command == Command::Monitor)) {
        if (const std::optional<double> seconds = parsePositiveNumber(value)) {
            o.forSeconds = *seconds;
        } else {
            error = "监视时间应为正的秒数：" + value;
        }
    } else {
        error = "未知选项：" + std::string(name);
    }
    return error.empty();
}

} // namespace

std::optional<BusOptions> parseBusOptions(int argc, char** argv, std::string& error) {
    BusOptions o;
    if (argc < 2) {
        error = "缺少命令";
        return std::nullopt;
    }
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        return o;
    }
    if (command == "scan") {
        o.command = Command::Scan;
    } else if (command == "watch") {
        o.command = Command::Watch;
    } else if (command == "monitor") {
        o.command = Command::Monitor;
    } else if (command == "find") {
        o.command = Command::Find;
    } else {
        error = "未知命令：" + std::string(command);
        return std::nullopt;
    }
    for (int i = 2; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            o.command = Command::Help;
            return o;
        }
        if (name == "--fast-replies") {
            o.fastReplies = true;
            continue;
        }
        if (name == "--stats" && o.command == Command::Watch) {
            o.stats = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = std::string(name) + " 缺少取值";
            return std::nullopt;
        }
        if (!applyOption(o, name, argv[++i], error)) {
            return std::nullopt;
        }
    }
    if (o.device.empty()) {
        error = "缺少 --device 设备";
        return std::nullopt;
    }
    if (o.command == Command::Find && isNetworkDevice(o.device)) {
        error = std::string(kNetworkLineFind);
        return std::nullopt;
    }
    if (o.from + o.count - 1 > kLastBusAddress) {
        o.count = kLastBusAddress - o.from + 1; // the search never goes past 247
    }
    return o;
}

std::string busUsage() {
    return R"(用法：
  velkaro-bus scan  --device 设备 [线路选项] --from 地址 --count 个数
  velkaro-bus watch --device 设备 [线路选项] --from 地址 --count 个数 --for 秒数 [--stats]
  velkaro-bus monitor --device 设备 [线路选项] --from 地址 --count 个数 --for 秒数
  velkaro-bus find --device 设备 [--address 地址] [--count 个数]
  velkaro-bus export|import --device 设备 --address 地址 [--baud 波特率] [--fast-replies] 文件
  velkaro-bus report  --device 设备 --address 地址 [--baud 波特率] 文件.csv
  velkaro-bus compare --device 设备 --address 地址 [--baud 波特率] 文件
  velkaro-bus compare 文件 文件
  velkaro-bus --version

设备    串口设备路径（例如 /dev/ttyUSB0），或
        tcp://主机:端口          串口服务器（透明传输，RTU 帧原样经 TCP 传送）
        modbus-tcp://主机:端口   Modbus TCP 网关（单元号 = 变频器地址）
        经网络连接时线路选项不起作用；连接限时 3 秒。

scan    搜寻 --from 起（1..247）的 --count 个地址，每找到一台变频器输出一行名字，
        例如 3#QD30-7.50。没有找到变频器时不输出，退出码 0。
watch   先搜寻，再每 100 ms 轮询一次状态，每次收到状态输出一行（制表符分隔）：
        秒数  变频器名  状态  故障/报警原因  输出频率=..Hz  设定频率=..Hz
        输出电流=..A  输出电压=..V  输出转矩=..%  母线电压=..V
        共监视 --for 秒（默认 10），Ctrl-C 提前结束。
        加 --stats 时，监视结束后每台变频器输出一行通讯统计（制表符分隔）：名字、
        请求、应答、超时、重试、CRC错误、残帧、他址帧、迟到、短应答、异常（按代码）、
        应答时间 最近/最小/平均/最大（ms）、最后应答（秒数）。
monitor 先搜寻，再像 watch 一样轮询，每一帧输出一行（制表符分隔）：开始后的毫秒数、
        TX 或 RX、帧的字节（两位大写十六进制，以空格分隔；超时无字节时为 --）、
        说明，例如“读 0x3210 ×16”“应答 16 字”“异常 02 非法地址”“CRC 错误”。
find    逐一试验本站提供的全部线路设置（6 种波特率 × 3 种校验 × 2 种停止位，先 8 位
        数据位再 7 位，波特率由高到低），在每种设置下对 --address 起（默认 1）的
        --count 个地址（默认 1）做回送测试；每种有变频器应答的设置输出一行，例如
        “19200 E 8 1  3#QD30-7.50”。进度输出到标准错误。找到时退出码 0，没有
        任何应答时退出码 1。虚拟串口（pty）只传递波特率，校验和数据位不起作用；经网络连接的端口不能检测。
export  读出变频器的全部参数存入 .sav 文件；import 把 .sav 文件写回变频器。
report  读出变频器全部功能组的参数，写成参数报表（CSV，UTF-8）：变频器名称、机型、
        额定功率、读取时间，每个参数一行：功能组、功能号、参数名称、当前值、单位、
        参数范围、修改属性、备注。
compare 读出变频器的全部参数，与参数报表或 .sav 文件对比；给两个文件时对比这两个
        文件，不用串口。每个不同的参数输出一行（制表符分隔）：功能号  参数名称
        第一方的值  第二方的值；最后一行为“N differ, M equal”。机型不同时不对比。

线路选项（默认 9600 N 8 1）：
  --baud 38400|19200|9600|4800|2400|1200
  --parity N|E|O
  --data 8|7
  --stop 1|2
  --fast-replies          应答一收全（按帧头长度且 CRC 正确）即结束，不等 20 ms 静默

退出码：0 成功；1 串口打不开、连接不上、通讯中串口丢失或通讯未能完成；2 命令行有误。
compare 的退出码：0 没有不同；1 有不同；2 出错（命令行、文件、机型或通讯）。
操作提示信息输出到标准错误。串口因权限打不开时，请把账户加入 dialout 组后重新登录。
)";
}

} // namespace velkaro
