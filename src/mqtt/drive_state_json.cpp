#include "mqtt/drive_state_json.h"

#include <cstdio>

#include "registry/fixed_point.h"
#include "registry/state_texts.h"

namespace velkaro {

namespace {

struct NumberField {
    const char* key;
    StatusQuantity quantity;
};

// The status block in the units the drives report.
constexpr NumberField kNumbers[] = {
    {"output_frequency", kRunningFrequency},
    {"set_frequency", kSetFrequency},
    {"output_current", kOutputCurrent},
    {"output_voltage", kOutputVoltage},
    {"bus_voltage", kBusVoltage},
    {"torque", kOutputTorque},
};

} // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string isoLocalTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    // %z gives +0800; ISO 8601 as JSON readers expect it wants +08:00.
    std::string iso(text);
    if (iso.size() >= 5) {
        iso.insert(iso.size() - 2, ":");
    }
    return iso;
}

std::string driveStateBody(const DriveRecord& drive) {
    const StateTexts texts = driveStateTexts(drive);
    std::string body = "{\"name\":" + jsonString(drive.name) + ",\"address\":";
    // The address is kept as the decimal text the search gave it.
    const bool digits = !drive.address.empty() &&
                        drive.address.find_first_not_of("0123456789") == std::string::npos;
    body += digits ? drive.address : jsonString(drive.address);
    body += ",\"series\":" + jsonString(drive.series);
    body += ",\"rating\":" + jsonString(drive.ratedPower);
    body += ",\"state\":" + jsonString(texts.state);
    body += ",\"cause\":" + jsonString(texts.cause);
    for (const NumberField& f : kNumbers) {
        body += ",\"";
        body += f.key;
        body += "\":";
        body += formatFixed(statusValue(drive, f.quantity), f.quantity.decimals);
    }
    return body + "}";
}

std::string driveStateJson(std::string_view body, std::time_t when) {
    std::string json(body.substr(0, body.empty() ? 0 : body.size() - 1));
    json += ",\"time\":" + jsonString(isoLocalTime(when)) + "}";
    return json;
}

} // namespace velkaro
