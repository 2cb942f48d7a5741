#include "sim/drive_faults.h"

#include <charconv>
#include <cstdio>

namespace velkaro::sim {

namespace {

constexpr uint16_t kStoreRegister = 0x3209;
constexpr uint16_t kControlFirst = 0x3200;

std::optional<unsigned> parseNumber(std::string_view text, unsigned most) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > most) {
        return std::nullopt;
    }
    return value;
}

} // namespace

bool Refusal::refuses(uint16_t first, const std::vector<uint16_t>& values, bool parameters) const {
    const std::size_t count = values.size();
    const auto covers = [&](uint32_t from, uint32_t to) {
        return first < to && from < uint32_t{first} + count;
    };
    const bool storeAsked =
        covers(kStoreRegister, kStoreRegister + 1) && values[kStoreRegister - first] != 0;
    return ((what & Store) != 0 && storeAsked) ||
           ((what & Control) != 0 && covers(kControlFirst, kStoreRegister)) ||
           ((what & Parameters) != 0 && parameters) ||
           ((what & Register) != 0 && covers(registerAddress, registerAddress + 1u));
}

std::string Refusal::text() const {
    std::string names;
    const auto add = [&names](const std::string& name) {
        names += names.empty() ? name : "," + name;
    };
    if ((what & Store) != 0) {
        add("store");
    }
    if ((what & Control) != 0) {
        add("control");
    }
    if ((what & Parameters) != 0) {
        add("parameters");
    }
    if ((what & Register) != 0) {
        char reg[16];
        std::snprintf(reg, sizeof reg, "0x%04X", registerAddress);
        add(reg);
    }
    char code[16];
    std::snprintf(code, sizeof code, " code %02X", this->code);
    return names + code;
}

std::optional<Refusal> parseRefusal(std::string_view text) {
    Refusal r;
    const std::size_t colon = text.find(':');
    const std::string_view what = text.substr(0, colon);
    if (colon != std::string_view::npos) {
        const auto code = parseNumber(text.substr(colon + 1), 255);
        if (!code || *code == 0) {
            return std::nullopt;
        }
        r.code = static_cast<uint8_t>(*code);
    }
    if (what == "store") {
        r.what = Refusal::Store;
    } else if (what == "control") {
        r.what = Refusal::Control;
    } else if (what == "parameters") {
        r.what = Refusal::Parameters;
    } else if (const auto reg = parseNumber(what, 0xFFFF)) {
        r.what = Refusal::Register;
        r.registerAddress = static_cast<uint16_t>(*reg);
    } else {
        return std::nullopt;
    }
    return r;
}

bool DriveFaults::healthy() const {
    return !silent && corruptCrcShare <= 0.0 && lateReplyMs == 0 && splitPauseMs == 0 &&
           wrongAddress == 0 && !rejectImportWithBusy && !refusal.any();
}

} // namespace velkaro::sim
