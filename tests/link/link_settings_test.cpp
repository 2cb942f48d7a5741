#include "link/ports/link_settings.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/ports/serial_port.h"

using namespace velkaro;

namespace {
namespace VELKARO_UNITY_ID {

// Records what openLink asks of the port, and fails where told to.
class RecordingPort : public SerialPort {
public:
    std::vector<std::string> calls;
    bool opened = false;
    bool failOpen = false;
    bool failSettings = false;
    int port = 0, baud = 0, dataBits = 0, stopBits = 0;
    char parity = '?';

    bool isOpen() const override { return opened; }
    void close() override {
        calls.push_back("close");
        opened = false;
    }
    void selectPort(int n) override {
        calls.push_back("select");
        port = n;
    }
    void setReceiveBufferSize(std::size_t) override { calls.push_back("rxbuf"); }
    void setTransmitBufferSize(std::size_t) override { calls.push_back("txbuf"); }
    void discardPendingOutput() override { calls.push_back("discard"); }
    bool open() override {
        calls.push_back("open");
        opened = !failOpen;
        return opened;
    }
    void setReadEverything() override { calls.push_back("readall"); }
    void setBinaryMode() override { calls.push_back("binary"); }
    void disableReceiveEvents() override { calls.push_back("noevents"); }
    bool applyLineSettings(int b, char p, int d, int s) override {
        calls.push_back("line");
        baud = b, parity = p, dataBits = d, stopBits = s;
        return !failSettings;
    }
    std::size_t bytesWaiting() override { return 0; }
    std::size_t read(uint8_t*, std::size_t) override { return 0; }
    bool write(const uint8_t*, std::size_t) override { return true; }
    std::string devicePath() const override { return "/dev/ttyS" + std::to_string(port - 1); }
    std::string lastError() const override { return "No such file or directory"; }
};

TEST(LinkSettings, DefaultsAndChoices) {
    LinkSettings settings;
    EXPECT_EQ(settings.portNumber, 1);
    EXPECT_EQ(settings.settingsText(), "9600N81");
    EXPECT_EQ(settings.replyTimeoutTicks, 200);
    EXPECT_EQ(settings.frameGapTicks, 20u);
    EXPECT_FALSE(settings.settingsChanged);

    settings.applyChoices(2, 1, 2, 1, 1); // COM3, 19200, 偶校验, 7, 2
    EXPECT_EQ(settings.portNumber, 3);
    EXPECT_EQ(settings.settingsText(), "19200E72");
    settings.applyChoices(7, 5, 1, 0, 0);
    EXPECT_EQ(settings.portNumber, 8);
    EXPECT_EQ(settings.settingsText(), "1200O81");
    settings.applyChoices(99, -4, 7, 5, 5);
    EXPECT_EQ(settings.portNumber, 8) << "positions are clamped to the lists";
    EXPECT_EQ(settings.baudText, "38400");
}

TEST(OpenLink, EightStepsInOrderThenLinkOpen) {
    RecordingPort port;
    port.opened = true;
    LinkSettings settings;
    bool linkOpen = false;
    const OpenLinkResult result = openLink(port, settings, linkOpen);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(linkOpen);
    const std::vector<std::string> expected = {"close", "select",  "rxbuf",  "txbuf",    "discard",
                                               "open",  "readall", "binary", "noevents", "line"};
    EXPECT_EQ(port.calls, expected);
    EXPECT_EQ(port.port, 1);
    EXPECT_EQ(port.baud, 9600);
    EXPECT_EQ(port.parity, 'N');
    EXPECT_EQ(port.dataBits, 8);
    EXPECT_EQ(port.stopBits, 1);
}

TEST(OpenLink, FailureLeavesLinkClosedWithDeviceAndReason) {
    RecordingPort port;
    port.failOpen = true;
    LinkSettings settings;
    settings.applyChoices(2, 2, 0, 0, 0);
    bool linkOpen = true;
    const OpenLinkResult result = openLink(port, settings, linkOpen);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(linkOpen);
    EXPECT_NE(result.message.find("/dev/ttyS2"), std::string::npos) << result.message;
    EXPECT_NE(result.message.find("No such file or directory"), std::string::npos);

    RecordingPort refusing;
    refusing.failSettings = true;
    EXPECT_FALSE(openLink(refusing, settings, linkOpen).ok);
    EXPECT_FALSE(linkOpen);
}

} // namespace VELKARO_UNITY_ID
} // namespace
