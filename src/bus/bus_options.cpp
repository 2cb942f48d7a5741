// The one parser of velkaro-bus: it reads the table of subcommands
// (bus_command_table.cpp) and the table of options below, from which --help
// is made as well.

#include "bus/bus_options.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "link/ports/link_settings.h"
#include "mqtt/mqtt_settings.h"
#include "records/station_name.h"
#include "registry/drive_table.h"
#include "registry/fixed_point.h"
#include "registry/language.h"

namespace velkaro {

namespace {

using Verb = BusOptions::Command;
using Operands = BusCommandEntry::Operands;

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
    return v.empty() ? translated("BusOptions", "--device 需要设备路径") : "";
}

std::string applyBaud(BusOptions& o, const std::string& v) {
    o.baud = v;
    o.lineGiven = true;
    return oneOf(baudChoices, v)
               ? ""
               : translated("BusOptions", "波特率只能是 38400、19200、9600、4800、2400 或 1200：") +
                     v;
}

std::string applyParity(BusOptions& o, const std::string& v) {
    o.parity = v;
    o.lineGiven = true;
    return v == "N" || v == "E" || v == "O"
               ? ""
               : translated("BusOptions", "校验只能是 N、E 或 O：") + v;
}

std::string applyDataBits(BusOptions& o, const std::string& v) {
    o.dataBits = v;
    o.lineGiven = true;
    return oneOf(dataBitsChoices, v) ? "" : translated("BusOptions", "数据位只能是 8 或 7：") + v;
}

std::string applyStopBits(BusOptions& o, const std::string& v) {
    o.stopBits = v;
    o.lineGiven = true;
    return oneOf(stopBitsChoices, v) ? "" : translated("BusOptions", "停止位只能是 1 或 2：") + v;
}

std::string applyFastReplies(BusOptions& o, const std::string&) {
    o.fastReplies = true;
    o.lineGiven = true;
    return "";
}

std::string applyFrom(BusOptions& o, const std::string& v) {
    return parseAddress(v, o.from) ? ""
                                   : translated("BusOptions", "起始地址应在 1..247 之间：") + v;
}

std::string applyCount(BusOptions& o, const std::string& v) {
    o.countGiven = true;
    if (o.command == Verb::Read) {
        return parseInt(v, o.count) && o.count >= 1 && o.count <= kMostRegisters
                   ? ""
                   : translated("BusOptions", "寄存器个数应在 1..125 之间：") + v;
    }
    return parseInt(v, o.count) && o.count >= 1 && o.count <= kLastBusAddress
               ? ""
               : translated("BusOptions", "地址个数应在 1..247 之间：") + v;
}

std::string applyAddress(BusOptions& o, const std::string& v) {
    // find tests from this address on; every other command serves the drive there.
    int& address = o.command == Verb::Find ? o.from : o.address;
    return parseAddress(v, address) ? "" : translated("BusOptions", "地址应在 1..247 之间：") + v;
}

std::string applyFor(BusOptions& o, const std::string& v) {
    const std::optional<double> seconds = parsePositiveNumber(v);
    o.forSeconds = seconds.value_or(0.0);
    o.forGiven = true;
    return seconds ? "" : translated("BusOptions", "监视时间应为正的秒数：") + v;
}

std::string applyStation(BusOptions& o, const std::string& v) {
    o.station = v;
    const std::string problem = stationNameProblem(v);
    return problem.empty() ? "" : translated("BusOptions", "--station：") + problem;
}

std::string applyDsn(BusOptions& o, const std::string& v) {
    o.dsn = v;
    // A name only: anything after ';' would be more of the connect string.
    return v.empty() || v.find_first_of(";{}=") != std::string::npos
               ? translated("BusOptions", "--dsn 需要数据源名称：") + v
               : "";
}

std::string applyMqtt(BusOptions& o, const std::string& v) {
    o.mqttUrl = v;
    MqttSettings settings;
    return parseBrokerUrl(v, settings);
}

std::string applyMqttCredentials(BusOptions& o, const std::string& v) {
    o.mqttCredentials = v;
    return v.empty() ? translated("BusOptions", "--mqtt-credentials 需要文件名") : "";
}

std::string applyMqttCa(BusOptions& o, const std::string& v) {
    o.mqttCa = v;
    return v.empty() ? translated("BusOptions", "--mqtt-ca 需要文件名") : "";
}

std::string applyHaDiscovery(BusOptions& o, const std::string&) {
    o.haDiscovery = true;
    return "";
}

std::string applyStats(BusOptions& o, const std::string&) {
    o.stats = true;
    return "";
}

std::string applyParameter(BusOptions& o, const std::string& v) {
    o.parameter = v;
    return v.empty() ? translated("BusOptions", "--parameter 需要功能号，例如 F0-05") : "";
}

std::string applyGroup(BusOptions& o, const std::string& v) {
    o.group = v;
    return v.empty() ? translated("BusOptions", "--group 需要功能组，例如 F0") : "";
}

std::string applyRegister(BusOptions& o, const std::string& v) {
    o.registerAddress = parseWord(v);
    return o.registerAddress
               ? ""
               : translated("BusOptions", "寄存器应在 0..65535（或 0x0000..0xFFFF）之间：") + v;
}

std::string applyValue(BusOptions& o, const std::string& v) {
    o.value = v;
    return v.empty() ? translated("BusOptions", "--value 需要参数值") : "";
}

std::string applyWord(BusOptions& o, const std::string& v) {
    o.word = parseWord(v);
    return o.word
               ? ""
               : translated("BusOptions", "写入的字应在 0..65535（或 0x0000..0xFFFF）之间：") + v;
}

constexpr BusCommandSet bits(std::initializer_list<Verb> verbs) {
    BusCommandSet set = 0;
    for (Verb v : verbs) {
        set |= commandBit(v);
    }
    return set;
}

constexpr BusCommandSet kSearching = bits({Verb::Scan, Verb::Watch, Verb::Monitor, Verb::Log});
constexpr BusCommandSet kOneDrive = bits({Verb::Export, Verb::Import, Verb::Report, Verb::Compare,
                                          Verb::Control, Verb::Read, Verb::Write});
constexpr BusCommandSet kLine = kSearching | kOneDrive;
constexpr BusCommandSet kAll = kLine | commandBit(Verb::Find);

constexpr BusOptionEntry kOptions[] = {
    {"--device", VELKARO_TRANSLATE_NOOP("BusUsage", "设备"), kAll,
     VELKARO_TRANSLATE_NOOP("BusUsage",
                            "串口设备路径（例如 /dev/ttyUSB0）；或 tcp://主机:端口，串口服务器\n"
                            "（透明传输，RTU 帧原样经 TCP 传送）；或 modbus-tcp://主机:端口，\n"
                            "Modbus TCP 网关（单元号 = 变频器地址）。经网络连接时线路选项不起\n"
                            "作用；连接限时 3 秒。"),
     applyDevice},
    {"--baud", "38400|19200|9600|4800|2400|1200", kLine,
     VELKARO_TRANSLATE_NOOP("BusUsage", "线路选项：波特率（默认 9600）"), applyBaud},
    {"--parity", "N|E|O", kLine, VELKARO_TRANSLATE_NOOP("BusUsage", "线路选项：校验（默认 N）"),
     applyParity},
    {"--data", "8|7", kLine, VELKARO_TRANSLATE_NOOP("BusUsage", "线路选项：数据位（默认 8）"),
     applyDataBits},
    {"--stop", "1|2", kLine, VELKARO_TRANSLATE_NOOP("BusUsage", "线路选项：停止位（默认 1）"),
     applyStopBits},
    {"--fast-replies", "", kAll,
     VELKARO_TRANSLATE_NOOP(
         "BusUsage", "线路选项：应答一收全（按帧头长度且 CRC 正确）即结束，\n不等 20 ms 静默"),
     applyFastReplies},
    {"--from", VELKARO_TRANSLATE_NOOP("BusUsage", "地址"), kSearching,
     VELKARO_TRANSLATE_NOOP("BusUsage", "scan、watch、monitor 搜寻的第一个地址，1..247（默认 1）"),
     applyFrom},
    {"--count", VELKARO_TRANSLATE_NOOP("BusUsage", "个数"),
     kSearching | bits({Verb::Find, Verb::Read}),
     VELKARO_TRANSLATE_NOOP("BusUsage", "scan、watch、monitor 搜寻的地址个数（默认到 247 为止），\n"
                                        "find 试验的地址个数（默认 1），地址范围不能超过 247；\n"
                                        "read --register 读出的寄存器个数（默认 1，最多 125）"),
     applyCount},
    {"--address", VELKARO_TRANSLATE_NOOP("BusUsage", "地址"), kOneDrive | commandBit(Verb::Find),
     VELKARO_TRANSLATE_NOOP("BusUsage", "变频器的地址，1..247；find 试验的第一个地址（默认 1）"),
     applyAddress},
    {"--for", VELKARO_TRANSLATE_NOOP("BusUsage", "秒数"),
     bits({Verb::Watch, Verb::Monitor, Verb::Log}),
     VELKARO_TRANSLATE_NOOP("BusUsage", "监视的秒数（默认 10）；log 记录的秒数（默认一直记录）"),
     applyFor},
    {"--stats", "", commandBit(Verb::Watch),
     VELKARO_TRANSLATE_NOOP("BusUsage", "watch 结束时每台变频器输出一行通讯统计"), applyStats},
    {"--parameter", VELKARO_TRANSLATE_NOOP("BusUsage", "功能号"), bits({Verb::Read, Verb::Write}),
     VELKARO_TRANSLATE_NOOP("BusUsage", "参数的功能号，例如 F0-05、Pr05"), applyParameter},
    {"--group", VELKARO_TRANSLATE_NOOP("BusUsage", "功能组"), commandBit(Verb::Read),
     VELKARO_TRANSLATE_NOOP("BusUsage", "功能组，例如 F0，或从 0 起的序号"), applyGroup},
    {"--register", VELKARO_TRANSLATE_NOOP("BusUsage", "寄存器"), bits({Verb::Read, Verb::Write}),
     VELKARO_TRANSLATE_NOOP("BusUsage", "寄存器地址，十进制或 0x 十六进制"), applyRegister},
    {"--value", VELKARO_TRANSLATE_NOOP("BusUsage", "数值"), commandBit(Verb::Write),
     VELKARO_TRANSLATE_NOOP("BusUsage", "参数值，按参数表的单位和小数位"), applyValue},
    {"--word", VELKARO_TRANSLATE_NOOP("BusUsage", "字"), commandBit(Verb::Write),
     VELKARO_TRANSLATE_NOOP("BusUsage", "原样写入的字，0..65535 或 0x 十六进制"), applyWord},
    {"--station", VELKARO_TRANSLATE_NOOP("BusUsage", "站名"), commandBit(Verb::Log),
     VELKARO_TRANSLATE_NOOP(
         "BusUsage", "写入运行记录和 MQTT 主题的站名（默认为本站保存的站名，\n没有时为主机名）"),
     applyStation},
    {"--dsn", VELKARO_TRANSLATE_NOOP("BusUsage", "数据源"), commandBit(Verb::Log),
     VELKARO_TRANSLATE_NOOP("BusUsage", "运行记录写入的 ODBC 数据源（默认“变频器运行记录”）"),
     applyDsn},
    {"--mqtt", VELKARO_TRANSLATE_NOOP("BusUsage", "地址"), commandBit(Verb::Log),
     VELKARO_TRANSLATE_NOOP("BusUsage",
                            "把变频器状态发布到 MQTT 代理：mqtt://主机[:端口]（默认 1883）\n"
                            "或 mqtts://主机[:端口]（TLS，默认 8883）"),
     applyMqtt},
    {"--mqtt-credentials", VELKARO_TRANSLATE_NOOP("BusUsage", "文件"), commandBit(Verb::Log),
     VELKARO_TRANSLATE_NOOP("BusUsage",
                            "MQTT 用户名和密码所在的文件（user=用户名、password=密码 两行）"),
     applyMqttCredentials},
    {"--mqtt-ca", VELKARO_TRANSLATE_NOOP("BusUsage", "文件"), commandBit(Verb::Log),
     VELKARO_TRANSLATE_NOOP("BusUsage", "mqtts:// 用来验证代理的 CA 证书（PEM）"), applyMqttCa},
    {"--ha-discovery", "", commandBit(Verb::Log),
     VELKARO_TRANSLATE_NOOP("BusUsage", "为每台变频器的数值发布 Home Assistant 自动发现消息"),
     applyHaDiscovery},
};

const BusCommandEntry* commandNamed(std::string_view name) {
    for (const BusCommandEntry& c : busCommandTable()) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

const BusOptionEntry* optionNamed(std::string_view name) {
    for (const BusOptionEntry& o : kOptions) {
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
std::string takeOperand(BusOptions& o, const BusCommandEntry& entry, const std::string& word) {
    switch (entry.operands) {
    case Operands::Files:
        o.files.push_back(word);
        return "";
    case Operands::ControlSteps:
        if (const std::optional<velkaro::Command> step = parseControlStep(word)) {
            o.steps.push_back({word, *step});
            return "";
        }
        return translated("BusOptions", "未知控制命令：") + word +
               translated("BusOptions",
                          "（可用 run、forward、reverse、stop、coast、estop、reset、store、"
                          "frequency=0..655.35）");
    case Operands::None:
        break;
    }
    return std::string(entry.name) + translated("BusOptions", " 不接受参数：") + word;
}

/// One option of `entry`'s command at argv[i], with its value (from "=" or the
/// next word, advancing i); the mistake, or empty.
std::string takeOption(BusOptions& o, const BusCommandEntry& entry, int argc, char** argv, int& i) {
    std::string_view word = argv[i];
    std::optional<std::string> value;
    if (const std::size_t equals = word.find('='); equals != std::string_view::npos) {
        value = std::string(word.substr(equals + 1));
        word = word.substr(0, equals);
    }
    const BusOptionEntry* option = optionNamed(word);
    if (option == nullptr) {
        return translated("BusOptions", "未知选项：") + std::string(word);
    }
    if ((option->commands & commandBit(entry.command)) == 0) {
        if (entry.command == Verb::Find && isLineOption(word)) {
            return translated("BusOptions", "find 逐一试验全部线路设置，不接受 ") +
                   std::string(word);
        }
        return std::string(entry.name) + translated("BusOptions", " 不接受 ") + std::string(word);
    }
    if (option->value.empty()) {
        return value ? std::string(word) + translated("BusOptions", " 不带取值")
                     : option->apply(o, {});
    }
    if (!value) {
        if (i + 1 >= argc) {
            return std::string(word) + translated("BusOptions", " 缺少取值");
        }
        value = argv[++i];
    }
    return option->apply(o, *value);
}

} // namespace

std::span<const BusOptionEntry> busOptionTable() {
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
        error = translated("BusOptions", "缺少命令");
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
    const BusCommandEntry* entry = commandNamed(name);
    if (entry == nullptr) {
        error = translated("BusOptions", "未知命令：") + std::string(name);
        return std::nullopt;
    }
    o.command = entry->command;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            o.command = Verb::Help;
            return o;
        }
        error = word.starts_with("-") && word.size() > 1 ? takeOption(o, *entry, argc, argv, i)
                                                         : takeOperand(o, *entry, word);
        if (!error.empty()) {
            return std::nullopt;
        }
    }
    if (o.device.empty() && entry->command != Verb::Compare) {
        error = translated("BusOptions", "缺少 --device 设备");
        return std::nullopt;
    }
    error = entry->complete(o);
    if (!error.empty()) {
        return std::nullopt;
    }
    return o;
}

} // namespace velkaro
