// control, read and write: one drive's requests from a console, each line
// the outcome the link gave for it.

#include "bus/drive_commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "bus/bus_action_log.h"
#include "bus/bus_session.h"
#include "bus/console_interrupt.h"
#include "bus/link_waiter.h"
#include "files/parameter_compare.h"
#include "registry/catalogue.h"
#include "registry/fixed_point.h"
#include "registry/language.h"

namespace velkaro {

namespace {

// A group of 100 rows is four chunks, each with its retries.
constexpr int kReadBudgetMs = 30'000;

std::string hexWord(uint16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", word);
    return text;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// Codes and labels as typed: "f0-05" names F0-05, "fb" the group FB.
bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

struct CataloguePlace {
    int group = -1;
    int row = -1;
    ParamDescriptor entry;
};

/// The parameter whose code is `code` ("F0-05", "Pr05") in the series' catalogue.
std::optional<CataloguePlace> findParameter(std::string_view series, std::string_view code) {
    const SeriesCatalogue* catalogue = catalogueFor(series);
    for (int group = 0; catalogue != nullptr && group < static_cast<int>(catalogue->groups.size());
         ++group) {
        for (int row = 0; row < groupSize(series, group, SizePurpose::Transfer); ++row) {
            const std::optional<ParamDescriptor> d = descriptor(series, group, row);
            if (d && sameName(d->code, code)) {
                return CataloguePlace{group, row, *d};
            }
        }
    }
    return std::nullopt;
}

/// The group labelled `text` ("F0"), or at position `text` ("0"); -1 if none.
int findGroup(std::string_view series, std::string_view text) {
    const std::vector<std::string_view> labels = groupLabels(series);
    for (std::size_t g = 0; g < labels.size(); ++g) {
        if (sameName(labels[g], text) || std::to_string(g) == text) {
            return static_cast<int>(g);
        }
    }
    return -1;
}

/// A link text in the display language. The link keeps its texts in Chinese,
/// as the action log stores them; they are literals (marked in requests.cpp),
/// so a view of one ends in its null.
std::string shownText(std::string_view linkText) {
    return translated("Requests", std::string(linkText).c_str());
}

/// A command-line mistake found once the drive's series is known.
int mistake(std::ostream& errors, const std::string& why) {
    errors << "velkaro-bus: " << why << std::endl;
    return kDriveCommandMistake;
}

/// The request's line, and what the operator must be told; the exit status.
int tell(const std::string& what, const std::optional<Outcome>& outcome, std::ostream& out,
         std::ostream& errors) {
    // No outcome within the budget: the request was cancelled, nothing came.
    out << what << '\t' << (outcome ? outcomeText(*outcome) : shownText(toString(Result::TimedOut)))
        << std::endl;
    if (outcome && !outcome->message.empty()) {
        errors << outcome->message << std::endl;
    }
    return outcome && outcome->confirmed() ? kDriveCommandDone : kDriveCommandFailed;
}

int control(LinkWaiter& wait, const Target& drive, const BusOptions& o, std::ostream& out,
            std::ostream& errors) {
    // As on the station: the drive's status is read every 100 ms while its
    // commands wait, and a refused command goes again after a fresh read.
    wait.setStatusPolls(true);
    int status = kDriveCommandDone;
    for (const ControlStep& step : o.steps) {
        if (wait.interrupted()) {
            break; // the commands after an interrupt are not given
        }
        const std::optional<Outcome> outcome =
            wait.request(drive, step.command, kOperationBudgetMs);
        status = std::max(status, tell(shownCommandName(step.command), outcome, out, errors));
    }
    return status;
}

int readRegisters(LinkWaiter& wait, const Target& drive, const BusOptions& o, std::ostream& out,
                  std::ostream& errors) {
    const uint16_t first = *o.registerAddress;
    if (first + o.count > 0x10000) {
        return mistake(errors, translated("BusDrive", "寄存器 ") + hexWord(first) +
                                   translated("BusDrive", " 之后没有 ") + std::to_string(o.count) +
                                   translated("BusDrive", " 个寄存器"));
    }
    const std::optional<Outcome> read =
        wait.request(drive, ParameterRead{-1, first, o.count}, kReadBudgetMs);
    if (!read || !read->confirmed()) {
        return tell(hexWord(first) + " ×" + std::to_string(o.count), read, out, errors);
    }
    for (std::size_t i = 0; i < read->words.size(); ++i) {
        const uint16_t word = read->words[i];
        out << hexWord(static_cast<uint16_t>(first + i)) << '\t' << hexWord(word) << '\t' << word
            << '\n';
    }
    out.flush();
    return kDriveCommandDone;
}

void printParameter(std::ostream& out, const ParamDescriptor& d, uint16_t word) {
    out << d.code << '\t' << displayName(d) << '\t' << valueWithUnit(d, word) << '\n';
}

int readParameters(LinkWaiter& wait, const Target& drive, const std::string& series,
                   const BusOptions& o, std::ostream& out, std::ostream& errors) {
    if (!o.parameter.empty()) {
        const std::optional<CataloguePlace> p = findParameter(series, o.parameter);
        if (!p) {
            return mistake(errors, translated("BusDrive", "参数 ") + o.parameter +
                                       translated("BusDrive", " 不在 ") + series +
                                       translated("BusDrive", " 的参数表中"));
        }
        const std::optional<Outcome> read =
            wait.request(drive, ParameterRead{-1, registerOf(p->group, p->row), 1}, kReadBudgetMs);
        if (!read || !read->confirmed() || read->words.empty()) {
            return tell(std::string(p->entry.code), read, out, errors);
        }
        printParameter(out, p->entry, read->words[0]);
        out.flush();
        return kDriveCommandDone;
    }
    const int group = findGroup(series, o.group);
    if (group < 0) {
        return mistake(errors, translated("BusDrive", "功能组 ") + o.group +
                                   translated("BusDrive", " 不在 ") + series +
                                   translated("BusDrive", " 的参数表中"));
    }
    const std::optional<Outcome> read = wait.request(drive, ParameterRead{group}, kReadBudgetMs);
    if (!read || !read->confirmed()) {
        return tell(std::string(groupLabels(series)[static_cast<std::size_t>(group)]), read, out,
                    errors);
    }
    // The rows the station lists: a QD10's factory rows are read, not shown.
    const int rows = std::min(groupSize(series, group), static_cast<int>(read->words.size()));
    for (int row = 0; row < rows; ++row) {
        if (const std::optional<ParamDescriptor> d = descriptor(series, group, row)) {
            printParameter(out, *d, read->words[static_cast<std::size_t>(row)]);
        }
    }
    out.flush();
    return kDriveCommandDone;
}

int write(LinkWaiter& wait, const Target& drive, const std::string& series, const BusOptions& o,
          std::ostream& out, std::ostream& errors) {
    ParameterWrite write;
    std::string what;
    if (!o.parameter.empty()) {
        const std::optional<CataloguePlace> p = findParameter(series, o.parameter);
        if (!p) {
            return mistake(errors, translated("BusDrive", "参数 ") + o.parameter +
                                       translated("BusDrive", " 不在 ") + series +
                                       translated("BusDrive", " 的参数表中"));
        }
        const unsigned decimals = decimalsOf(p->entry);
        // The station's own rule: a number its register holds, signed or not.
        if (const auto refusal =
                registerValueRefusal(o.value, decimals, isSignedParameter(p->entry))) {
            return mistake(errors,
                           std::string(p->entry.code) + translated("BusDrive", "：") + *refusal);
        }
        const int32_t value = parseEnteredNumber(o.value, decimals)->value;
        write.registerAddress = registerOf(p->group, p->row);
        write.word = static_cast<uint16_t>(value & 0xFFFF);
        write.group = p->group;
        write.row = p->row;
        what = std::string(p->entry.code) + " = " + valueWithUnit(p->entry, write.word);
    } else {
        write.registerAddress = *o.registerAddress;
        write.word = *o.word;
        what = hexWord(write.registerAddress) + " = " + hexWord(write.word);
    }
    return tell(what, wait.request(drive, write, kOperationBudgetMs), out, errors);
}

} // namespace

std::string outcomeText(const Outcome& outcome) {
    std::string text = shownText(toString(outcome.result));
    if (outcome.result == Result::Refused && outcome.exception != 0) {
        char code[8];
        std::snprintf(code, sizeof code, " (%02X)", outcome.exception);
        text += translated("BusDrive", "：") + shownText(exceptionName(outcome.exception)) + code;
    } else if (outcome.result != Result::Confirmed && outcome.result != Result::TimedOut &&
               !outcome.why.empty() && outcome.why != toString(outcome.result)) {
        // The reason stays Chinese in the action log; only the line is in
        // the display language.
        text += translated("BusDrive", "：") + shownWhy(outcome);
    }
    return text;
}

int serveDriveCommand(LinkWaiter& wait, const BusOptions& options, std::ostream& out,
                      std::ostream& errors) {
    const Target drive = connectDriveAt(wait, options.address);
    if (wait.interrupted()) {
        return kDriveCommandFailed;
    }
    if (drive.slot < 0) {
        errors << translated("BusDrive", "地址") << options.address
               << translated("BusDrive", "上没有找到变频器。") << std::endl;
        return kDriveCommandFailed;
    }
    const LinkSnapshot now = wait.link().snapshot();
    const DriveRecord* record = now.drive(drive.slot);
    const std::string series = record != nullptr ? record->series : std::string();
    switch (options.command) {
    case BusOptions::Command::Control:
        return control(wait, drive, options, out, errors);
    case BusOptions::Command::Read:
        return options.registerAddress ? readRegisters(wait, drive, options, out, errors)
                                       : readParameters(wait, drive, series, options, out, errors);
    case BusOptions::Command::Write:
        return write(wait, drive, series, options, out, errors);
    default:
        return kDriveCommandMistake;
    }
}

int runDriveCommand(const BusOptions& options) {
    BusSession session(options, std::cerr);
    std::string error;
    if (!session.open(error)) {
        std::cerr << "velkaro-bus: " << error << std::endl;
        return interruptFlag().load() ? interruptedExitStatus() : kDriveCommandMistake;
    }
    LinkWaiter wait(session.link(),
                    [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    wait.setInterrupt(&interruptFlag());
    // Reads change nothing: only control and write leave rows.
    std::optional<BusActionLog> actions;
    if (options.command != BusOptions::Command::Read) {
        actions.emplace();
        actions->attach(wait);
    }
    const int status = serveDriveCommand(wait, options, std::cout, std::cerr);
    // A port lost on the way has been told by the link; nothing after it was served.
    const bool lost = session.portLost();
    session.close();
    if (wait.interrupted()) {
        return interruptedExitStatus();
    }
    return lost ? kDriveCommandMistake : status;
}

} // namespace velkaro
