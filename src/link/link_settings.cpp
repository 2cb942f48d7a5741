#include "link/link_settings.h"

#include <algorithm>
#include <cstdlib>

#include "link/serial_port.h"

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
        return {false, "无法打开串口 " + port.devicePath() + "：" + port.lastError()};
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
        return {false, "无法设置串口 " + port.devicePath() + " (" + settings.settingsText() +
                           ")：" + reason};
    }
    linkOpen = true;
    return {true, {}};
}

} // namespace velkaro
