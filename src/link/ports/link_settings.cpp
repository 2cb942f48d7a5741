#include "link/ports/link_settings.h"

#include <algorithm>
#include <cstdlib>

#include "link/ports/serial_port.h"
#include "registry/language.h"

namespace velkaro {

const std::array<std::string_view, 8> portChoices = {"COM1", "COM2", "COM3", "COM4",
                                                     "COM5", "COM6", "COM7", "COM8"};
const std::array<std::string_view, 6> baudChoices = {"38400", "19200", "9600",
                                                     "4800",  "2400",  "1200"};
const std::array<std::string_view, 3> parityChoices = {"无", "奇校验", "偶校验"};
const std::array<std::string_view, 2> dataBitsChoices = {"8", "7"};
const std::array<std::string_view, 2> stopBitsChoices = {"1", "2"};

namespace {
template <std::size_t N> int clampChoice(int choice, const std::array<std::string_view, N>&) {
    return std::clamp(choice, 0, static_cast<int>(N) - 1);
}
} // namespace

void LinkSettings::applyChoices(int port, int baud, int parity, int dataBits, int stopBits) {
    portChoice = clampChoice(port, portChoices);
    baudChoice = clampChoice(baud, baudChoices);
    parityChoice = clampChoice(parity, parityChoices);
    dataBitsChoice = clampChoice(dataBits, dataBitsChoices);
    stopBitsChoice = clampChoice(stopBits, stopBitsChoices);

    portNumber = portChoice + 1;
    baudText = baudChoices[baudChoice];
    static constexpr const char* letters[] = {"N", "O", "E"};
    parityLetter = letters[parityChoice];
    dataBitsText = dataBitsChoices[dataBitsChoice];
    stopBitsText = stopBitsChoices[stopBitsChoice];
}

std::string LinkSettings::settingsText() const {
    return baudText + parityLetter + dataBitsText + stopBitsText;
}

unsigned LinkSettings::interFrameTicks() const {
    const long baud = std::max(1, std::atoi(baudText.c_str()));
    const int tickUs = std::max(1, tickPeriodMs) * 1000;
    if (baud > 19200) {
        return static_cast<unsigned>((1750 + tickUs - 1) / tickUs);
    }
    // start bit + data bits + parity bit + stop bits; 3.5 characters = 7 half characters
    const long bits = 1 + std::atoi(dataBitsText.c_str()) + (parityLetter == "N" ? 0 : 1) +
                      std::atoi(stopBitsText.c_str());
    const long gapUs = (7 * bits * 1'000'000L / 2 + baud - 1) / baud;
    return static_cast<unsigned>((gapUs + tickUs - 1) / tickUs);
}

unsigned LinkSettings::transmitHoldTicks() const {
    return frameEnd == FrameEnd::Completion ? interFrameTicks() : 0;
}

OpenLinkResult openLink(SerialPort& port, const LinkSettings& settings, bool& linkOpen) {
    linkOpen = false;
    if (port.isOpen()) {
        port.close();
    }
    port.selectPort(settings.portNumber);
    port.setReceiveBufferSize(512);
    port.setTransmitBufferSize(512);
    port.discardPendingOutput();
    if (!port.isOpen() && !port.open()) {
        // A network device text is no serial port; its reason names what is wrong.
        const bool network = port.devicePath().find("://") != std::string::npos;
        return {false, (network ? translated("PortTexts", "无法打开 ")
                                : translated("PortTexts", "无法打开串口 ")) +
                           port.devicePath() + translated("PortTexts", "：") + port.lastError()};
    }
    port.setReadEverything();
    port.setBinaryMode();
    port.disableReceiveEvents();
    const char parity = settings.parityLetter.empty() ? 'N' : settings.parityLetter[0];
    if (!port.applyLineSettings(std::atoi(settings.baudText.c_str()), parity,
                                std::atoi(settings.dataBitsText.c_str()),
                                std::atoi(settings.stopBitsText.c_str()))) {
        const std::string reason = port.lastError();
        port.close();
        return {false, translated("PortTexts", "无法设置串口 ") + port.devicePath() + " (" +
                           settings.settingsText() + translated("PortTexts", ")：") + reason};
    }
    linkOpen = true;
    return {true, {}};
}

} // namespace velkaro
