#pragma once

#include <array>
#include <string>
#include <string_view>

#include "link/protocol/frame_codec.h"

namespace velkaro {

class SerialPort;

extern const std::array<std::string_view, 8> portChoices;     // "COM1".."COM8"
extern const std::array<std::string_view, 6> baudChoices;     // "38400".."1200"
extern const std::array<std::string_view, 3> parityChoices;   // "无", "奇校验", "偶校验"
extern const std::array<std::string_view, 2> dataBitsChoices; // "8", "7"
extern const std::array<std::string_view, 2> stopBitsChoices; // "1", "2"

struct LinkSettings {
    int portChoice = 0;
    int portNumber = 1;
    int baudChoice = 2;
    std::string baudText = "9600";
    int parityChoice = 0;
    std::string parityLetter = "N";
    int dataBitsChoice = 0;
    std::string dataBitsText = "8";
    int stopBitsChoice = 0;
    std::string stopBitsText = "1";
    int replyTimeoutTicks = 200;
    unsigned frameGapTicks = 20;
    int tickPeriodMs = 1;
    /// Silence by default; Completion ("快速应答识别") ends a reply at its last byte.
    FrameEnd frameEnd = FrameEnd::Silence;
    bool settingsChanged = false;

    /// Stores the five choice positions and derives the texts and port number
    /// from the lists (out-of-range positions are clamped to the list).
    void applyChoices(int port, int baud, int parity, int dataBits, int stopBits);
    /// Baud, parity, data bits and stop bits joined: "9600N81".
    std::string settingsText() const;
    /// Ticks of silence the drives need between two frames: 3.5 characters of
    /// this character format, 1.75 ms above 19200 baud, rounded up to whole ticks.
    unsigned interFrameTicks() const;
    /// What the transmit step holds a request for: the inter-frame silence when
    /// replies end on completion, nothing when they end by the long silence.
    unsigned transmitHoldTicks() const;
};

struct OpenLinkResult {
    bool ok = false;
    std::string message; ///< for the operator when !ok: device and the system's reason
};

/// Reopens and configures the port in the eight steps; `linkOpen` is false
/// from the first step and true only when every step succeeded.
OpenLinkResult openLink(SerialPort& port, const LinkSettings& settings, bool& linkOpen);

} // namespace velkaro
