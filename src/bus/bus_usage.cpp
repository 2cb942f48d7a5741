// velkaro-bus --help, laid out from the tables the parser reads.

#include <algorithm>
#include <string>
#include <string_view>

#include "bus/bus_options.h"
#include "registry/language.h"

namespace velkaro {

namespace {

constexpr std::string_view kProgram = "velkaro-bus ";
constexpr std::size_t kNameWidth = 8;    // "monitor " and its paragraph
constexpr std::size_t kOptionWidth = 26; // "  --register 寄存器      " and its help

/// Columns on a terminal: a CJK character or full-width sign (three bytes in
/// UTF-8) takes two.
std::size_t displayWidth(std::string_view text) {
    std::size_t width = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) {
            continue; // continuation byte
        }
        width += byte >= 0xE0 ? 2 : 1;
    }
    return width;
}

/// `text`'s lines, the first after `head` padded to `width`, the others
/// indented to it.
std::string hanging(std::string_view head, std::size_t width, std::string_view text) {
    std::string out(head);
    const std::size_t used = displayWidth(head);
    bool first = true;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (first && used < width) {
            out.append(width - used, ' ');
        } else {
            out += '\n';
            out.append(width, ' ');
        }
        first = false;
        out.append(text.substr(start, end - start));
        start = end + 1;
    }
    return out + '\n';
}

/// A text of the tables (each one literal, so null-terminated) in the display language.
std::string shown(std::string_view text) {
    return text.empty() ? std::string() : translated("BusUsage", text.data());
}

std::string synopsisLines() {
    std::string out = translated("BusUsage", "用法：") + '\n';
    for (const BusCommandEntry& c : busCommandTable()) {
        const std::string head = "  " + std::string(kProgram) + std::string(c.name);
        out += hanging(head, 2 + kProgram.size() + kNameWidth, shown(c.synopsis));
        if (!c.otherForm.empty()) {
            out += "  " + std::string(kProgram) + std::string(c.name) + ' ' + shown(c.otherForm) +
                   '\n';
        }
    }
    return out + "  " + std::string(kProgram) + "--help | --version\n";
}

std::string commandParagraphs() {
    std::string out = translated("BusUsage", "命令：") + '\n';
    for (const BusCommandEntry& c : busCommandTable()) {
        out += hanging(c.name, kNameWidth, shown(c.description));
    }
    return out;
}

std::string optionLines() {
    std::string out = translated("BusUsage", "选项：") + '\n';
    for (const BusOptionEntry& o : busOptionTable()) {
        std::string head = "  " + std::string(o.name);
        if (!o.value.empty()) {
            head += ' ' + shown(o.value);
        }
        out += hanging(head, kOptionWidth, shown(o.help));
    }
    out += hanging("  --language zh|en", kOptionWidth,
                   translated("BusUsage", "显示语言：zh 中文，en 英文（默认按 LANGUAGE、LC_ALL、\n"
                                          "LC_MESSAGES、LANG 的区域设置）"));
    out += hanging("  -h, --help", kOptionWidth, translated("BusUsage", "显示本说明后退出"));
    out += hanging("  --version", kOptionWidth, translated("BusUsage", "显示版本后退出"));
    return out;
}

/// Closes the help; begins with an empty line.
constexpr const char* kClosing = VELKARO_TRANSLATE_NOOP(
    "BusUsage",
    "线路选项为 --baud、--parity、--data、--stop 和 --fast-replies，默认 9600 N 8 1。\n"
    "选项的取值可以写在后面，也可以用等号连接（--from=3）。\n"
    "\n"
    "退出码：0 成功；1 串口打不开、连接不上、通讯中串口丢失或通讯未能完成，scan、watch、\n"
    "monitor、find 没有变频器应答；2 命令行有误；130 被 Ctrl-C 中断（SIGTERM 时为 143）。\n"
    "compare 的退出码：0 没有不同；1 有不同；2 出错（命令行、文件、机型或通讯）。\n"
    "control、read、write 的退出码：0 每个请求都已确认；1 有请求被拒绝、超时或取消，或地址上\n"
    "没有变频器；2 命令行有误（包括功能号或功能组不在该机型的参数表中、参数值超出参数的寄存器\n"
    "范围），或串口打不开、连接不上、通讯中串口丢失。\n"
    "操作提示信息输出到标准错误。串口因权限打不开时，请把账户加入 dialout 组后重新登录。\n"
    "详见 man velkaro-bus。\n");

} // namespace

std::string busUsage() {
    return synopsisLines() + '\n' + commandParagraphs() + '\n' + optionLines() + "\n" +
           translated("BusUsage", kClosing);
}

} // namespace velkaro
