// Every field an operator can type into, fed what operators (and pasted
// clipboards) produce: empty text, letters, signs, exponents, control
// characters, quotes, spaces and 10,000 characters. Each field gives a refusal
// with a message or the accepted value; nothing crashes, and nothing the
// operator did not ask for reaches a drive.

#include "registry/catalogue.h"
#include "registry/fixed_point.h"
#include "support/case_names.h"
#include "support/station.h"
#include "support/temp_dir.h"
#include "ui/amend_dialog.h"
#include "ui/connection_dialog.h"
#include "ui/motor_panel.h"
#include "ui/parameter_export_import.h"
#include "ui/parameter_panel.h"
#include "ui/records/display_options_dialog.h"
#include "ui/rename_dialog.h"
#include "ui/station_link.h"
#include "widgets/skinned_button.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

using testing::LabelName;
using testing::Station;

const std::string kTenThousand(10'000, '7');
const std::string kNotAnInteger = "请输入一个整数。";

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

/// A window field's test: the station started, and for the fields that act
/// on a drive a QD30 at address 3 connected and selected.
template <class Case> class WindowFieldTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { st.start(); }
    /// Connects the QD30 at address 3; its slot.
    int connectQd30() {
        st.bus.addDrive(3, sim::Series::QD30, 750);
        st.connect(3, 1, 1000);
        const int slot = st.slotOfAddress(3);
        EXPECT_GE(slot, 0);
        return slot;
    }

    Station st;
};

// ------------------------------------------------------- connection dialog

struct ConnectionCase {
    const char* label;
    std::string timeout;
    std::string start;
    std::string length;
    std::optional<std::string> refusal; ///< message, or none when accepted
    int startStored = 0;
    unsigned lengthStored = 0;
};

std::vector<ConnectionCase> connectionCases() {
    const std::string range247 = "请输入一个介于 0 和 247 之间的整数。";
    return {
        {"defaults", "200", "1", "5", std::nullopt, 1, 5},
        {"blanks around", " 300 ", "\t10 ", " 3", std::nullopt, 10, 3},
        {"empty timeout", "", "1", "5", kNotAnInteger},
        {"letters", "abc", "1", "5", kNotAnInteger},
        {"exponent", "1e3", "1", "5", kNotAnInteger},
        {"fullwidth digits", "２００", "1", "5", kNotAnInteger},
        {"ten thousand digits", "200", kTenThousand, "5", kNotAnInteger},
        {"beyond int", "99999999999", "1", "5", kNotAnInteger},
        {"control characters", "200", std::string("1\x01", 2), "5", kNotAnInteger},
        {"negative start", "200", "-1", "5", range247},
        {"start 248", "200", "248", "1", range247},
        {"start 256 broadcast", "200", "256", "1", range247},
        {"length 248", "200", "0", "248", range247},
        {"length past 247", "200", "200", "49", "请输入一个介于 0 和 48 之间的整数。"},
        {"length to 247", "200", "200", "48", std::nullopt, 200, 48},
        {"start 0", "200", "0", "5", std::nullopt, 0, 5},
    };
}

class ConnectionFieldsTest : public WindowFieldTest<ConnectionCase> {};

TEST_P(ConnectionFieldsTest, ConnectStoresTheRangeOrRefusesWithTheMessage) {
    const ConnectionCase& c = GetParam();
    ConnectionDialog dialog(st.window->station(), st.messages, st.window.get());
    dialog.timeoutEdit()->setText(q(c.timeout));
    dialog.startAddressEdit()->setText(q(c.start));
    dialog.searchLengthEdit()->setText(q(c.length));
    st.messages.clear();
    const bool connected = dialog.connectDrives();
    // The first address goes to the probe on the next tick; the progress then
    // spans the range searched.
    st.step();
    const LinkSnapshot view = st.link.snapshot();
    if (c.refusal) {
        EXPECT_FALSE(connected);
        ASSERT_EQ(st.messages.count(), 1u);
        EXPECT_EQ(st.messages.texts()[0], *c.refusal);
        EXPECT_FALSE(view.searching) << "a refused range started a search";
    } else {
        EXPECT_TRUE(connected);
        EXPECT_EQ(st.messages.count(), 0u);
        const bool searched = c.startStored > 0 && c.lengthStored > 0;
        EXPECT_EQ(view.searching, searched);
        if (searched) {
            EXPECT_EQ(view.progress, (Progress{0, c.startStored + static_cast<int>(c.lengthStored),
                                               c.startStored + 1}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, ConnectionFieldsTest, ::testing::ValuesIn(connectionCases()),
                         LabelName());

// ----------------------------------------------------------- rename dialog

struct RenameCase {
    const char* label;
    std::string typed;
    std::optional<std::string> refusal;
    std::string stored; ///< the name the drive has afterwards ("" = unchanged)
};

std::vector<RenameCase> renameCases() {
    const std::string cut = std::string(255, '7');
    return {
        {"quotes", "Pump \"A\" 'b'", std::nullopt, "Pump \"A\" 'b'"},
        {"only spaces", "   ", std::nullopt, "   "},
        {"control characters", std::string("a\tb\x01", 4), std::nullopt,
         std::string("a\tb\x01", 4)},
        {"chinese", "一号泵", std::nullopt, "一号泵"},
        // The run-record column holds 255 characters: the edit takes no more.
        {"ten thousand characters", kTenThousand, std::nullopt, cut},
        {"empty", "", "变频器名字不能为空！", ""},
        {"own name", "__own__", "该名字已经存在！", ""},
    };
}

class RenameFieldTest : public WindowFieldTest<RenameCase> {};

TEST_P(RenameFieldTest, TypedNameIsStoredOrRefusedAndTheDriveStillAnswers) {
    const RenameCase& c = GetParam();
    const int slot = connectQd30();
    ASSERT_GE(slot, 0);
    const std::string before = st.link.snapshot().table.slots[static_cast<std::size_t>(slot)].name;
    const std::string typed = c.typed == "__own__" ? before : c.typed;
    st.window->setRenameDialogRunner([&](RenameDialog& dialog) {
        dialog.newNameEdit()->setText(q(typed));
        dialog.accept();
        return true;
    });
    st.messages.clear();
    st.window->renameSelectedDrive();
    uint32_t reads = 0;
    {
        const LinkSnapshot view = st.link.snapshot();
        const std::string& now = view.table.slots[static_cast<std::size_t>(slot)].name;
        const std::string& expected = c.stored.empty() ? before : c.stored;
        EXPECT_EQ(now.size(), expected.size());
        EXPECT_TRUE(now == expected) << "stored: " << now.substr(0, 40);
        reads = view.statusReadCount[static_cast<std::size_t>(slot)];
    }
    if (c.refusal) {
        ASSERT_EQ(st.messages.count(), 1u);
        EXPECT_EQ(st.messages.texts()[0], *c.refusal);
    } else {
        EXPECT_EQ(st.messages.count(), 0u);
    }
    st.run(1000);
    const LinkSnapshot view = st.link.snapshot();
    EXPECT_GT(view.statusReadCount[static_cast<std::size_t>(slot)], reads);
    EXPECT_EQ(view.table.slots[static_cast<std::size_t>(slot)].online, 1);
}

INSTANTIATE_TEST_SUITE_P(Names, RenameFieldTest, ::testing::ValuesIn(renameCases()), LabelName());

// --------------------------------------------------------- frequency entry

constexpr std::string_view kFrequencyRefusal =
    "输入的频率超出范围，请输入 0.00 到 655.35 之间的数值！";
constexpr std::string_view kFrequencyNotANumber =
    "输入的频率不是有效的数值，请输入 0.00 到 655.35 之间的数值！";

struct FrequencyCase {
    const char* label;
    std::string typed;
    std::optional<int32_t> stored; ///< controlSet[1] afterwards; none: refused, unchanged
    std::string_view refusal = kFrequencyRefusal;
};

std::vector<FrequencyCase> frequencyCases() {
    return {
        {"plain", "50", 5000},
        {"three decimals", "12.345", 1234},
        {"blanks", "  25.5  ", 2550},
        {"full width", "２５．５", 2550},
        {"exponent", "1e1", std::nullopt, kFrequencyNotANumber},
        {"top of the word", "655.35", 65535},
        {"zero", "0", 0},
        {"negative", "-0.01", std::nullopt},
        {"one past the top", "655.36", std::nullopt},
        {"huge exponent", "1e9", std::nullopt, kFrequencyNotANumber},
        {"ten thousand digits", kTenThousand, std::nullopt},
        {"letters", "abc", std::nullopt, kFrequencyNotANumber},
        {"comma", "12,5", std::nullopt, kFrequencyNotANumber},
        {"control character first",
         std::string("\x01"
                     "5",
                     2),
         std::nullopt, kFrequencyNotANumber},
        {"unit after the number", "30Hz", std::nullopt, kFrequencyNotANumber},
    };
}

class FrequencyFieldTest : public WindowFieldTest<FrequencyCase> {};

TEST_P(FrequencyFieldTest, EnteredValueReachesTheDriveOrIsRefusedAndNothingElseIsSent) {
    const FrequencyCase& c = GetParam();
    const int slot = connectQd30();
    ASSERT_GE(slot, 0);
    st.window->selectPanel(PanelMotorControl);
    st.messages.clear();
    const uint16_t before = st.bus.drive(3)->holdingRegister(0x3201);
    st.window->motorPanel().frequencyEdit()->setText(q(c.typed));
    st.window->motorPanel().onFrequencyEntered();
    st.run(2000);
    const uint16_t after = st.bus.drive(3)->holdingRegister(0x3201);
    // The link keeps the unsigned register sign-extended.
    const int32_t wanted =
        st.link.snapshot().table.slots[static_cast<std::size_t>(slot)].controlSet[1] & 0xFFFF;
    if (c.stored) {
        EXPECT_EQ(wanted, *c.stored);
        EXPECT_EQ(st.messages.count(), 0u);
        // The drive holds exactly the word asked for, or refused it and holds the old one.
        EXPECT_TRUE(after == static_cast<uint16_t>(*c.stored) || after == before) << after;
    } else {
        ASSERT_EQ(st.messages.count(), 1u);
        EXPECT_EQ(st.messages.texts()[0], c.refusal);
        EXPECT_FALSE(st.messages.last().modal) << "the box would hold the stop keys";
        EXPECT_EQ(after, before) << "a refused frequency reached the drive";
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, FrequencyFieldTest, ::testing::ValuesIn(frequencyCases()),
                         LabelName());

// ------------------------------------------------------------ amend dialog

struct AmendCase {
    const char* label;
    std::string typed;
    bool written; ///< the new value goes to the drive
};

std::vector<AmendCase> amendCases() {
    return {
        {"in range", "1", true},
        {"blanks", " 2 ", true},
        {"beyond 16 bits", "70000", false},
        {"exponent beyond", "1e9", false},
        {"ten thousand digits", kTenThousand, false},
        {"negative on unsigned", "-1", false},
        {"not a number", "1O", false},
        {"empty writes nothing", "", false},
    };
}

class AmendFieldTest : public WindowFieldTest<AmendCase> {};

TEST_P(AmendFieldTest, NewValueIsWrittenScaledOrRefusedBeforeAnythingIsSent) {
    const AmendCase& c = GetParam();
    ASSERT_GE(connectQd30(), 0);
    st.window->selectPanel(PanelParameters);
    st.run(1000);
    constexpr int kGroup = 1;
    constexpr int kRow = 0;
    ParameterPanel& panel = st.window->parameterPanel();
    panel.groupSelector()->setCurrentIndex(kGroup);
    st.run(2000);
    ASSERT_GT(panel.parameterList()->rowCount(), kRow);
    const auto d = descriptor("QD30", kGroup, kRow);
    ASSERT_TRUE(d.has_value());
    const uint16_t before = st.bus.drive(3)->holdingRegister(registerOf(kGroup, kRow));
    panel.parameterList()->setCurrentCell(kRow, 0);
    bool refusedInDialog = false;
    panel.setAmendRunner([&](AmendDialog& dialog) {
        dialog.newValueBox()->setText(q(c.typed));
        const std::size_t shown = st.messages.count();
        dialog.accept();
        refusedInDialog = st.messages.count() > shown;
        return dialog.result();
    });
    st.transport.clearFramesSent();
    panel.onParameterDoubleClick();
    st.run(3000);
    const uint16_t after = st.bus.drive(3)->holdingRegister(registerOf(kGroup, kRow));
    const int32_t scaled = parseFixed(c.typed, decimalsOf(*d));
    if (c.written) {
        EXPECT_FALSE(refusedInDialog);
        // Written as asked, or refused by the drive (its own range): never another value.
        EXPECT_TRUE(after == static_cast<uint16_t>(scaled) || after == before) << after;
    } else {
        EXPECT_TRUE(refusedInDialog || c.typed.empty());
        EXPECT_EQ(after, before);
        for (const auto& frame : st.transport.framesSent()) {
            const bool parameterWrite =
                frame[1] == 0x10 && ((frame[2] << 8) | frame[3]) == registerOf(kGroup, kRow);
            EXPECT_FALSE(parameterWrite) << "a refused value was sent";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, AmendFieldTest, ::testing::ValuesIn(amendCases()), LabelName());

// --------------------------------------------------------- display options

struct OptionsCase {
    const char* label;
    std::string window;
    std::string interval;
    std::string storage;
    std::optional<std::string> refusal;
};

std::vector<OptionsCase> optionsCases() {
    return {
        {"accepted", "3", "10", "48", std::nullopt},
        {"window 0", "0", "10", "48", "请输入 1 到 72 之间的整数。"},
        {"window 73", "73", "10", "48", "请输入 1 到 72 之间的整数。"},
        {"interval 0", "3", "0", "48", "请输入 1 到 120 之间的整数。"},
        {"interval letters", "3", "abc", "48", "请输入 1 到 120 之间的整数。"},
        {"storage 11", "3", "10", "11", "请输入 12 到 72 之间的整数。"},
        {"storage ten thousand digits", "3", "10", kTenThousand, "请输入 12 到 72 之间的整数。"},
        {"negative", "-3", "10", "48", "请输入 1 到 72 之间的整数。"},
        {"control characters", std::string("3\x01", 2), "10", "48", "请输入 1 到 72 之间的整数。"},
    };
}

class DisplayOptionsFieldsTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(DisplayOptionsFieldsTest, AllAppliedOrNoneWithTheFirstFieldsRange) {
    const OptionsCase& c = GetParam();
    testing::RecordingMessages messages;
    DisplayOptions options;
    const DisplayOptions original = options;
    DisplayOptionsDialog dialog(nullptr, options, {"1#QD10-7.5"}, messages);
    dialog.windowField()->setText(q(c.window));
    dialog.intervalField()->setText(q(c.interval));
    dialog.storageField()->setText(q(c.storage));
    dialog.confirmButton()->click();
    if (c.refusal) {
        ASSERT_EQ(messages.count(), 1u);
        EXPECT_EQ(messages.texts()[0], *c.refusal);
        EXPECT_EQ(options.recordIntervalMs, original.recordIntervalMs);
        EXPECT_EQ(options.displayWindowHours, original.displayWindowHours);
        EXPECT_EQ(options.maxStorageHours, original.maxStorageHours);
    } else {
        EXPECT_EQ(messages.count(), 0u);
        EXPECT_EQ(options.displayWindowHours, 3u);
        EXPECT_EQ(options.recordIntervalMs, 10'000u);
        EXPECT_EQ(options.maxStorageHours, 48u);
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, DisplayOptionsFieldsTest, ::testing::ValuesIn(optionsCases()),
                         LabelName());

// ------------------------------------------------------------- file names

struct FileCase {
    const char* label;
    std::string name; ///< appended to a fresh folder
    bool exported;
};

std::vector<FileCase> fileCases() {
    return {
        {"plain", "/pump", true},
        {"quotes and spaces", "/ pump \"3\" 'a' ", true},
        {"control characters", std::string("/a\tb\x01"), true},
        {"ten thousand characters", "/" + std::string(10'000, 'p'), false},
        {"missing folder", "/no such folder/pump.sav", false},
    };
}

class FileNameFieldTest : public WindowFieldTest<FileCase> {};

TEST_P(FileNameFieldTest, ExportWritesTheChosenFileOrSaysWhyAndImportRefusesWhatItCannotRead) {
    const FileCase& c = GetParam();
    const testing::TempDir folder;
    const std::string chosen = folder.path().string() + c.name;
    st.bus.addDrive(1, sim::Series::QD10, 75);
    st.connect(1, 1, 1000);
    ParameterExportImport transfer(st.window.get(), st.window->station(), st.messages);
    transfer.setSaveFileChooser([&] { return q(chosen); });
    st.messages.clear();
    transfer.exportParameters();
    st.run(5000);
    const std::string written = ParameterExportImport::withSavExtension(q(chosen)).toStdString();
    EXPECT_FALSE(st.link.snapshot().transferRunning);
    if (c.exported) {
        EXPECT_EQ(st.messages.count(), 0u);
        EXPECT_TRUE(std::filesystem::exists(written));
    } else {
        ASSERT_EQ(st.messages.count(), 1u);
        EXPECT_EQ(st.messages.texts()[0], written + "不存在，请输入正确的文件名称");
    }
    // The same name for an import: read and refused for the QD10 (export-only
    // series), or refused as unreadable; nothing goes to the drive either way.
    transfer.setOpenFileChooser([&] { return q(written); });
    st.messages.clear();
    st.transport.clearFramesSent();
    transfer.importParameters();
    st.run(2000);
    EXPECT_EQ(st.messages.count(), 1u);
    for (const auto& frame : st.transport.framesSent()) {
        EXPECT_FALSE(frame[1] == 0x10 && ((frame[2] << 8) | frame[3]) < 0x3200)
            << "a parameter was written";
    }
}

INSTANTIATE_TEST_SUITE_P(Names, FileNameFieldTest, ::testing::ValuesIn(fileCases()), LabelName());

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
