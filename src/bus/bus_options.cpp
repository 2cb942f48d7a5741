// The one parser of velkaro-bus: a table of subcommands and a table of
// options, from which --help is made as well.

#include "bus/bus_options.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "link/device_address.h"
#include "link/line_finder.h"
#include "link/link_settings.h"
#include "registry/drive_table.h"
#include "registry/fixed_point.h"

namespace velkaro {

namespace {

using Verb = BusOptions::Command;
using Operands = BusCommandSpec::Operands;

constexpr int kMostRegisters = 125; // what one read reply can carry

bool parseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

bool parseAddress(std::string_view text, int& value) {
    return parseInt(text, value) && value >= kFirstBusAddress && value <= kLastBusAddress;
}

template <std::size_t N>
bool oneOf(const std::array<std::string_view, N>& choices, std::string_view value) {
    return std::find(choices.begin(), choices.end(), value) != choices.end();
}

/// A register or a raw word: decimal, or hexadecimal after 0x.
std::optional<uint16_t> parseWord(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

struct ControlName {
    std::string_view text;
    velkaro::Command command;
};
constexpr ControlName kControlNames[] = {
    {"run", {velkaro::Command::Kind::Word, command_word::kRun}},
    {"forward", {velkaro::Command::Kind::Word, command_word::kRun}},
    {"reverse", {velkaro::Command::Kind::Word, command_word::kReverse}},
    {"stop", {velkaro::Command::Kind::Word, command_word::kStop}},
    {"coast", {velkaro::Command::Kind::Word, command_word::kCoastStop}},
    {"estop", {velkaro::Command::Kind::Word, command_word::kEmergencyStop}},
    {"reset", {velkaro::Command::Kind::Word, command_word::kFaultReset}},
    {"store", {velkaro::Command::Kind::Store, 1}},
};
constexpr std::string_view kFrequencyPrefix = "frequency=";

// ------------------------------------------------------------------ options

std::string applyDevice(BusOptions& o, const std::string& v) {
    o.device = v;
    return v.empty() ? "--device 需要设备路径" : "";
}

std::string applyBaud(BusOptions& o, const std::string& v) {
    o.baud = v;
    o.lineGiven = true;
    return oneOf(baudChoices, v) ? "" : "波特率只能是 38400、19200、9600、4800、2400 或 1200：" + v;
}

std::string applyParity(BusOptions& o, const std::string& v) {
    o.parity = v;
    o.lineGiven = true;
    return v == "N" || v == "E" || v == "O" ? "" : "校验只能是 N、E 或 O：" + v;
}

std::string applyDataBits(BusOptions& o, const std::string& v) {
    o.dataBits = v;
    o.lineGiven = true;
    return oneOf(dataBitsChoices, v) ? "" : "数据位只能是 8 或 7：" + v;
}

std::string applyStopBits(BusOptions& o, const std::string& v) {
    o.stopBits = v;
    o.lineGiven = true;
    return oneOf(stopBitsChoices, v) ? "" : "停止位只能是 1 或 2：" + v;
}

std::string applyFastReplies(BusOptions& o, const std::string&) {
    o.fastReplies = true;
    o.lineGiven = true;
    return "";
}

std::string applyFrom(BusOptions& o, const std::string& v) {
    return parseAddress(v, o.from) ? "" : "起始地址应在 1..247 之间：" + v;
}

std::string applyCount(BusOptions& o, const std::string& v) {
    o.countGiven = true;
    if (o.command == Verb::Read) {
        return parseInt(v, o.count) && o.count >= 1 && o.count <= kMostRegisters
                   ? ""
                   : "寄存器个数应在 1..125 之间：" + v;
    }
    return parseInt(v, o.count) && o.count >= 1 && o.count <= kLastBusAddress
               ? ""
               : "地址个数应在 1..247 之间：" + v;
}

std::string applyAddress(BusOptions& o, const std::string& v) {
    // find tests from this address on; every other command serves the drive there.
    int& address = o.command == Verb::Find ? o.from : o.address;
    return parseAddress(v, address) ? "" : "地址应在 1..247 之间：" + v;
}

std::string applyFor(BusOptions& o, const std::string& v) {
    const std::optional<double> seconds = parsePositiveNumber(v);
    o.forSeconds = seconds.value_or(0.0);
    return seconds ? "" : "监视时间应为正的秒数：" + v;
}

std::string applyStats(BusOptions& o, const std::string&) {
    o.stats = true;
    return "";
}

std::string applyParameter(BusOptions& o, const std::string& v) {
    o.parameter = v;
    return v.empty() ? "--parameter 需要功能号，例如 F0-05" : "";
}

std::string applyGroup(BusOptions& o, const std::string& v) {
    o.group = v;
    return v.empty() ? "--group 需要功能组，例如 F0" : "";
}

std::string applyRegister(BusOptions& o, const std::string& v) {
    o.registerAddress = parseWord(v);
    return o.registerAddress ? "" : "寄存器应在 0..65535（或 0x0000..0xFFFF）之间：" + v;
}

std::string applyValue(BusOptions& o, const std::string& v) {
    o.value = v;
    return v.empty() ? "--value 需要参数值" : "";
}

std::string applyWord(BusOptions& o, const std::string& v) {
    o.word = parseWord(v);
    return o.word ? "" : "写入的字应在 0..65535（或 0x0000..0xFFFF）之间：" + v;
}

constexpr BusCommandSet bits(std::initializer_list<Verb> verbs) {
    BusCommandSet set = 0;
    for (Verb v : verbs) {
        set |= commandBit(v);
    }
    return set;
}

constexpr BusCommandSet kSearching = bits({Verb::Scan, Verb::Watch, Verb::Monitor});
constexpr BusCommandSet kOneDrive = bits({Verb::Export, Verb::Import, Verb::Report, Verb::Compare,
                                          Verb::Control, Verb::Read, Verb::Write});
constexpr BusCommandSet kLine = kSearching | kOneDrive;
constexpr BusCommandSet kAll = kLine | commandBit(Verb::Find);

constexpr BusOptionSpec kOptions[] = {
    {"--device", "设备", kAll,
     "串口设备路径（例如 /dev/ttyUSB0）；或 tcp://主机:端口，串口服务器\n"
     "（透明传输，RTU 帧原样经 TCP 传送）；或 modbus-tcp://主机:端口，\n"
     "Modbus TCP 网关（单元号 = 变频器地址）。经网络连接时线路选项不起\n"
     "作用；连接限时 3 秒。",
     applyDevice},
    {"--baud", "38400|19200|9600|4800|2400|1200", kLine, "线路选项：波特率（默认 9600）",
     applyBaud},
    {"--parity", "N|E|O", kLine, "线路选项：校验（默认 N）", applyParity},
    {"--data", "8|7", kLine, "线路选项：数据位（默认 8）", applyDataBits},
    {"--stop", "1|2", kLine, "线路选项：停止位（默认 1）", applyStopBits},
    {"--fast-replies", "", kAll,
     "线路选项：应答一收全（按帧头长度且 CRC 正确）即结束，\n不等 20 ms 静默", applyFastReplies},
    {"--from", "地址", kSearching, "scan、watch、monitor 搜寻的第一个地址，1..247（默认 1）",
     applyFrom},
    {"--count", "个数", kSearching | bits({Verb::Find, Verb::Read}),
     "scan、watch、monitor 搜寻的地址个数（默认到 247 为止），\n"
     "find 试验的地址个数（默认 1），地址范围不能超过 247；\n"
     "read --register 读出的寄存器个数（默认 1，最多 125）",
     applyCount},
    {"--address", "地址", kOneDrive | commandBit(Verb::Find),
     "变频器的地址，1..247；find 试验的第一个地址（默认 1）", applyAddress},
    {"--for", "秒数", bits({Verb::Watch, Verb::Monitor}), "监视的秒数（默认 10）", applyFor},
    {"--stats", "", commandBit(Verb::Watch), "watch 结束时每台变频器输出一行通讯统计", applyStats},
    {"--parameter", "功能号", bits({Verb::Read, Verb::Write}), "参数的功能号，例如 F0-05、Pr05",
     applyParameter},
    {"--group", "功能组", commandBit(Verb::Read), "功能组，例如 F0，或从 0 起的序号", applyGroup},
    {"--register", "寄存器", bits({Verb::Read, Verb::Write}), "寄存器地址，十进制或 0x 十六进制",
     applyRegister},
    {"--value", "数值", commandBit(Verb::Write), "参数值，按参数表的单位和小数位", applyValue},
    {"--word", "字", commandBit(Verb::Write), "原样写入的字，0..65535 或 0x 十六进制", applyWord},
};

// ------------------------------------------------------- whole command lines

/// A range of addresses never goes past 247.
std::string rangeMistake(const BusOptions& o) {
    if (o.from + o.count - 1 > kLastBusAddress) {
        return "地址范围 " + std::to_string(o.from) + ".." + std::to_string(o.from + o.count - 1) +
               " 超出了 1..247";
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
        return std::string(kNetworkLineFind);
    }
    if (!o.countGiven) {
        o.count = 1; // every setting is tried at each address: 72 echo tests apiece
    }
    return rangeMistake(o);
}

/// export, import and report: one drive, one file.
std::string completeTransfer(BusOptions& o) {
    if (o.address == 0) {
        return "缺少 --address 地址";
    }
    return o.files.size() == 1 ? "" : "需要一个文件名";
}

/// compare: a drive and one file, or two files and no line at all.
std::string completeCompare(BusOptions& o) {
    if (!o.device.empty()) {
        return completeTransfer(o);
    }
    if (o.address != 0 || o.lineGiven) {
        return "缺少 --device 设备";
    }
    return o.files.size() == 2 ? "" : "compare 需要 --device 设备和一个文件，或两个文件";
}

std::string completeControl(BusOptions& o) {
    if (o.address == 0) {
        return "缺少 --address 地址";
    }
    return o.steps.empty() ? "缺少控制命令，例如 run、stop、frequency=35.5" : "";
}

std::string completeRead(BusOptions& o) {
    if (o.address == 0) {
        return "缺少 --address 地址";
    }
    const int asked = static_cast<int>(!o.parameter.empty()) + static_cast<int>(!o.group.empty()) +
                      static_cast<int>(o.registerAddress.has_value());
    if (asked != 1) {
        return "read 需要 --parameter、--group 或 --register 中的一个";
    }
    return o.countGiven && !o.registerAddress ? "--count 只用于 --register" : "";
}

std::string completeWrite(BusOptions& o) {
    if (o.address == 0) {
        return "缺少 --address 地址";
    }
    const bool parameter = !o.parameter.empty();
    const bool reg = o.registerAddress.has_value();
    if (parameter == reg) {
        return "write 需要 --parameter 或 --register 中的一个";
    }
    if (parameter && (o.value.empty() || o.word)) {
        return "--parameter 需要 --value 参数值";
    }
    if (reg && (!o.word || !o.value.empty())) {
        return "--register 需要 --word 字";
    }
    return "";
}

constexpr BusCommandSpec kCommands[] = {
    {Verb::Scan,
     "scan",
     "--device 设备 [线路选项] [--from 地址] [--count 个数]",
     {},
     "搜寻 --from 起的 --count 个地址（默认 1..247），每找到一台变频器输出一行名字，\n"
     "例如 3#QD30-7.50。搜寻多于 8 个地址且输出到终端时，标准错误上显示进度：\n"
     "正在试的地址、第几个、已找到几台。没有变频器应答时说明下一步（find），\n"
     "退出码 1。Ctrl-C 结束搜寻，输出已找到的变频器，退出码 130。",
     Operands::None,
     completeSearch},
    {Verb::Watch,
     "watch",
     "--device 设备 [线路选项] [--from 地址] [--count 个数] [--for 秒数]\n[--stats]",
     {},
     "先像 scan 一样搜寻，再每 100 ms 轮询一次状态，每次收到状态输出一行（制表符分隔）：\n"
     "秒数  变频器名  状态  故障/报警原因  输出频率=..Hz  设定频率=..Hz\n"
     "输出电流=..A  输出电压=..V  输出转矩=..%  母线电压=..V\n"
     "变频器不再应答时输出一行状态“通讯断线”，并在标准错误上说明一次；恢复应答时\n"
     "再说明一次。共监视 --for 秒（默认 10），Ctrl-C 提前结束（退出码 130）。\n"
     "加 --stats 时，监视结束后每台变频器输出一行通讯统计（制表符分隔）：名字、\n"
     "请求、应答、超时、重试、CRC错误、残帧、他址帧、迟到、短应答、异常（按代码）、\n"
     "应答时间 最近/最小/平均/最大（ms）、最后应答（秒数）。",
     Operands::None,
     completeSearch},
    {Verb::Monitor,
     "monitor",
     "--device 设备 [线路选项] [--from 地址] [--count 个数] [--for 秒数]",
     {},
     "先搜寻，再像 watch 一样轮询，每一帧输出一行（制表符分隔）：开始后的毫秒数、\n"
     "TX 或 RX、帧的字节（两位大写十六进制，以空格分隔；超时无字节时为 --）、\n"
     "说明，例如“读 0x3210 ×16”“应答 16 字”“异常 02 非法地址”“CRC 错误”。",
     Operands::None,
     completeSearch},
    {Verb::Find,
     "find",
     "--device 设备 [--address 地址] [--count 个数] [--fast-replies]",
     {},
     "逐一试验本站提供的全部线路设置（6 种波特率 × 3 种校验 × 2 种停止位，先 8 位\n"
     "数据位再 7 位，波特率由高到低），在每种设置下对 --address 起（默认 1）的\n"
     "--count 个地址（默认 1）做回送测试；每种有变频器应答的设置输出一行，例如\n"
     "“19200 E 8 1  3#QD30-7.50”。进度输出到标准错误。没有任何应答时退出码 1。\n"
     "虚拟串口（pty）只传递波特率，校验和数据位不起作用；经网络连接的端口不能检测。",
     Operands::None,
     completeFind},
    {Verb::Export,
     "export",
     "--device 设备 [线路选项] --address 地址 文件",
     {},
     "读出变频器的全部参数存入 .sav 文件（QD10、QD30 系列）。中断或失败时不留下文件。",
     Operands::Files,
     completeTransfer},
    {Verb::Import,
     "import",
     "--device 设备 [线路选项] --address 地址 文件",
     {},
     "把 .sav 文件写回变频器（只限 QD30 系列），再存储到EEPROM。有缺陷的文件在通讯前\n"
     "即被拒绝。被 Ctrl-C 中断时说明已有多少个参数写入变频器（未存储到EEPROM）。",
     Operands::Files,
     completeTransfer},
    {Verb::Report,
     "report",
     "--device 设备 [线路选项] --address 地址 文件.csv",
     {},
     "读出变频器全部功能组的参数（任何系列），写成参数报表（CSV，UTF-8）：变频器名称、\n"
     "机型、额定功率、读取时间，每个参数一行：功能组、功能号、参数名称、当前值、单位、\n"
     "参数范围、修改属性、备注。中断或失败时不留下文件。",
     Operands::Files,
     completeTransfer},
    {Verb::Compare, "compare", "--device 设备 [线路选项] --address 地址 文件", "文件 文件",
     "读出变频器的全部参数，与参数报表或 .sav 文件对比；给两个文件时对比这两个\n"
     "文件，不用串口。每个不同的参数输出一行（制表符分隔）：功能号  参数名称\n"
     "第一方的值  第二方的值；最后一行为“N differ, M equal”。机型不同时不对比。",
     Operands::Files, completeCompare},
    {Verb::Control,
     "control",
     "--device 设备 [线路选项] --address 地址 命令...",
     {},
     "先搜寻 --address 上的变频器并读出其控制块，再按给出的顺序逐条执行命令，每条等到\n"
     "变频器确认、拒绝或超时后再执行下一条；其间每 100 ms 读一次状态，被拒绝的命令读状态\n"
     "后重发，最多三次。命令：run（运行）、forward（正转）、reverse（反转）、stop（停机）、\n"
     "coast（自由停机）、estop（紧急停机）、reset（故障复位）、store（存储到EEPROM）、\n"
     "frequency=赫兹（给定频率，0..655.35，例如 frequency=35.5）。每条命令输出一行\n"
     "（制表符分隔）：命令  结果，结果为 已确认、被拒绝：异常名称 (代码)、超时 或 已取消，\n"
     "例如“运行  已确认”“存储到EEPROM  被拒绝：非法功能 (01)”。",
     Operands::ControlSteps,
     completeControl},
    {Verb::Read,
     "read",
     "--device 设备 [线路选项] --address 地址\n"
     "(--parameter 功能号 | --group 功能组 | --register 寄存器 [--count 个数])",
     {},
     "--parameter 功能号（例如 F0-05、Pr05）读出一个参数，--group 功能组（例如 F0，或从 0\n"
     "起的序号）读出一组参数，每个参数一行：功能号  参数名称  当前值（带单位）；\n"
     "--register 寄存器（十进制或 0x 十六进制）读出 --count 个（默认 1，最多 125）寄存器，\n"
     "每个一行：寄存器  十六进制值  十进制值。读取失败时输出一行：所读内容  结果。",
     Operands::None,
     completeRead},
    {Verb::Write,
     "write",
     "--device 设备 [线路选项] --address 地址\n"
     "(--parameter 功能号 --value 数值 | --register 寄存器 --word 字)",
     {},
     "--parameter 功能号 --value 数值：按参数表的小数位和正负写入一个参数，数值超出该参数\n"
     "的寄存器范围（或不是数值）时不写入，退出码 2；--register 寄存器 --word 字（0..65535，\n"
     "或 0x 十六进制）：原样写入一个寄存器。输出一行：所写内容  结果，例如\n"
     "“F0-09 = 12.5s  已确认”“0x0103 = 0x0005  被拒绝：非法数据值 (03)”。写入的值不存入\n"
     "EEPROM，需要时再执行 control ... store。",
     Operands::None,
     completeWrite},
};

const BusCommandSpec* commandNamed(std::string_view name) {
    for (const BusCommandSpec& c : kCommands) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

const BusOptionSpec* optionNamed(std::string_view name) {
    for (const BusOptionSpec& o : kOptions) {
        if (o.name == name) {
            return &o;
        }
    }
    return nullptr;
}

bool isLineOption(std::string_view name) {
    return name == "--baud" || name == "--parity" || name == "--data" || name == "--stop";
}

/// A word that is not an option: a file, a control command, or a mistake.
std::string takeOperand(BusOptions& o, const BusCommandSpec& spec, const std::string& word) {
    switch (spec.operands) {
    case Operands::Files:
        o.files.push_back(word);
        return "";
    case Operands::ControlSteps:
        if (const std::optional<velkaro::Command> step = parseControlStep(word)) {
            o.steps.push_back({word, *step});
            return "";
        }
        return "未知控制命令：" + word +
               "（可用 run、forward、reverse、stop、coast、estop、reset、store、"
               "frequency=0..655.35）";
    case Operands::None:
        break;
    }
    return std::string(spec.name) + " 不接受参数：" + word;
}

/// One option of `spec`'s command at argv[i], with its value (from "=" or the
/// next word, advancing i); the mistake, or empty.
std::string takeOption(BusOptions& o, const BusCommandSpec& spec, int argc, char** argv, int& i) {
    std::string_view word = argv[i];
    std::optional<std::string> value;
    if (const std::size_t equals = word.find('='); equals != std::string_view::npos) {
        value = std::string(word.substr(equals + 1));
        word = word.substr(0, equals);
    }
    const BusOptionSpec* option = optionNamed(word);
    if (option == nullptr) {
        return "未知选项：" + std::string(word);
    }
    if ((option->commands & commandBit(spec.command)) == 0) {
        if (spec.command == Verb::Find && isLineOption(word)) {
            return "find 逐一试验全部线路设置，不接受 " + std::string(word);
        }
        return std::string(spec.name) + " 不接受 " + std::string(word);
    }
    if (option->value.empty()) {
        return value ? std::string(word) + " 不带取值" : option->apply(o, {});
    }
    if (!value) {
        if (i + 1 >= argc) {
            return std::string(word) + " 缺少取值";
        }
        value = argv[++i];
    }
    return option->apply(o, *value);
}

} // namespace

std::span<const BusCommandSpec> busCommandTable() {
    return kCommands;
}

std::span<const BusOptionSpec> busOptionTable() {
    return kOptions;
}

std::optional<velkaro::Command> parseControlStep(std::string_view text) {
    for (const ControlName& n : kControlNames) {
        if (n.text == text) {
            return n.command;
        }
    }
    if (!text.starts_with(kFrequencyPrefix)) {
        return std::nullopt;
    }
    // The drive takes the frequency in 0.01 Hz in one unsigned register.
    const std::optional<FixedParse> hz =
        parseEnteredNumber(text.substr(kFrequencyPrefix.size()), 2);
    if (!hz || !hz->inRange || hz->value < 0 || hz->value > 0xFFFF) {
        return std::nullopt;
    }
    return velkaro::Command::frequency(static_cast<uint16_t>(hz->value));
}

std::optional<BusOptions> parseBusOptions(int argc, char** argv, std::string& error) {
    BusOptions o;
    if (argc < 2) {
        error = "缺少命令";
        return std::nullopt;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        return o;
    }
    if (name == "--version") {
        o.command = Verb::Version;
        return o;
    }
    const BusCommandSpec* spec = commandNamed(name);
    if (spec == nullptr) {
        error = "未知命令：" + std::string(name);
        return std::nullopt;
    }
    o.command = spec->command;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            o.command = Verb::Help;
            return o;
        }
        error = word.starts_with("-") && word.size() > 1 ? takeOption(o, *spec, argc, argv, i)
                                                         : takeOperand(o, *spec, word);
        if (!error.empty()) {
            return std::nullopt;
        }
    }
    if (o.device.empty() && spec->command != Verb::Compare) {
        error = "缺少 --device 设备";
        return std::nullopt;
    }
    error = spec->complete(o);
    if (!error.empty()) {
        return std::nullopt;
    }
    return o;
}

} // namespace velkaro
