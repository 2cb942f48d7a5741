#include "ui/parameter_panel.h"

#include "registry/catalogue.h"
#include "registry/fixed_point.h"
#include "support/link_harness.h"
#include "ui/amend_dialog.h"
#include "ui/station_link.h"
#include "widgets/skinned_button.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

/// A station link on a simulated bus, with the panel on a bare window area.
class ParameterPanelTest : public ::testing::Test, protected testing::SimLink {
protected:
    ParameterPanelTest() {
        leaveOutcomes(); // the station takes them
        panel = std::make_unique<ParameterPanel>(&area, station, messages,
                                                 [this] { return selectedName; });
        panel->setPanelVisible(true);
    }

    /// Connects the drive at `address` through the link's search and selects
    /// it as the window does; returns its slot.
    int connectAndSelect(int address, sim::Series series, int rating) {
        const int slot = connect(address, series, rating);
        EXPECT_GE(slot, 0);
        select(slot);
        return slot;
    }
    void select(int slot) {
        station.refresh();
        station.setSelectedSlot(slot);
        const DriveRecord* drive = station.selectedDrive();
        selectedName = drive != nullptr ? drive->name : std::string();
        panel->selectionChanged();
        settle();
    }
    /// Lets every request the panel gave end, then refreshes the list.
    void settle() {
        for (int i = 0; i < 20000 && !station.idle(); ++i) {
            run(1);
            station.takeOutcomes();
        }
        EXPECT_TRUE(station.idle());
        panel->refreshParameterList();
    }
    /// Writes of a register (function 0x10) sent since the last clear.
    std::vector<uint16_t> wordsWrittenTo(uint16_t reg) const {
        std::vector<uint16_t> words;
        for (const auto& frame : transport.framesSent())
            if (frame.size() >= 9 && frame[1] == 0x10 && ((frame[2] << 8) | frame[3]) == reg)
                words.push_back(static_cast<uint16_t>((frame[7] << 8) | frame[8]));
        return words;
    }
    std::size_t writesSent() const {
        std::size_t writes = 0;
        for (const auto& frame : transport.framesSent())
            writes += frame.size() > 1 && frame[1] == 0x10;
        return writes;
    }

    QString cell(int row, int column) const {
        const QTableWidgetItem* item = panel->parameterList()->item(row, column);
        return item ? item->text() : QString();
    }
    void selectRow(int row) { panel->parameterList()->selectRow(row); }

    /// First row of the group whose descriptor satisfies `wanted`.
    static int rowWhere(std::string_view series, int group,
                        const std::function<bool(const ParamDescriptor&)>& wanted) {
        for (int row = 0; row < groupSize(series, group); ++row)
            if (const auto d = descriptor(series, group, row); d && wanted(*d))
                return row;
        return -1;
    }

    /// Double-clicks `row` and answers the amend dialog: types `text`, then
    /// presses "保存" (or closes it). Returns what the dialog showed.
    AmendTexts amend(int row, const QString& text, bool save) {
        AmendTexts shown;
        panel->setAmendRunner([&](AmendDialog& dialog) {
            shown = {dialog.numberBox()->text(), dialog.rangeBox()->text(),
                     dialog.currentBox()->text()};
            dialog.newValueBox()->setText(text);
            if (!save)
                return static_cast<int>(QDialog::Rejected);
            dialog.saveButton()->click();
            return dialog.result();
        });
        selectRow(row);
        panel->onParameterDoubleClick();
        return shown;
    }

    StationLink station{link, messages};
    QWidget area;
    std::string selectedName;
    std::unique_ptr<ParameterPanel> panel;
};

TEST_F(ParameterPanelTest, Qd10ListsItsOnlyGroupAs88RowsWithTheDrivesValues) {
    connectAndSelect(1, sim::Series::QD10, 75);
    ASSERT_EQ(panel->groupSelector()->count(), 1);
    EXPECT_EQ(panel->groupSelector()->itemText(0), "Pr");

    QTableWidget* list = panel->parameterList();
    ASSERT_EQ(list->rowCount(), 88);
    EXPECT_EQ(list->columnCount(), 5);
    EXPECT_EQ(cell(0, 0), "Pr00");
    EXPECT_EQ(cell(87, 0), "Pr87");
    const auto first = descriptor("QD10", 0, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(cell(0, 2).toStdString(), first->range);
    EXPECT_EQ(cell(0, 3).toStdString(), first->name);
    EXPECT_EQ(cell(0, 4).toStdString(), first->description);
    const auto drive = bus.drive(1);
    EXPECT_EQ(cell(0, 1).toStdString(),
              formatFixed(static_cast<int16_t>(drive->holdingRegister(0)), decimalsOf(*first)));
}

TEST_F(ParameterPanelTest, ValuesFollowTheSignBitWithTheParametersDecimalsAndOnlyChangedCellsMove) {
    connectAndSelect(1, sim::Series::QD10, 75);
    struct Case {
        unsigned decimals;
        bool isSigned;
        uint16_t word;
        const char* shown;
    };
    // 400.00 Hz must not read -255.36, nor 65535 read -1, on an unsigned parameter.
    for (const Case& c : {Case{1, true, 0xFFFB, "-0.5"}, Case{2, false, 40000, "400.00"},
                          Case{0, false, 65535, "65535"}, Case{2, false, 1234, "12.34"}}) {
        const int row = rowWhere("QD10", 0, [&](const ParamDescriptor& d) {
            return decimalsOf(d) == c.decimals && isSignedParameter(d) == c.isSigned;
        });
        ASSERT_GE(row, 0) << "no QD10 parameter with " << c.decimals << " decimals";
        QTableWidgetItem* before = panel->parameterList()->item(row, 1);
        QTableWidgetItem* neighbour = panel->parameterList()->item(row == 0 ? 1 : 0, 1);
        const QString neighbourText = neighbour->text();
        bus.drive(1)->setHoldingRegister(registerOf(0, row), c.word);
        panel->readGroupAgain();
        settle();
        EXPECT_EQ(cell(row, 1), c.shown) << c.word;
        // A plain refresh rewrites the cell, it does not rebuild the list.
        EXPECT_EQ(panel->parameterList()->item(row, 1), before);
        EXPECT_EQ(neighbour->text(), neighbourText);
    }
}

TEST_F(ParameterPanelTest, ConfirmedValueIsScaledShownAtOnceThenReplacedByTheDrivesValue) {
    connectAndSelect(1, sim::Series::QD10, 75);
    const int row = rowWhere("QD10", 0, [](const ParamDescriptor& d) {
        return decimalsOf(d) == 1 && !isSignedParameter(d);
    });
    ASSERT_GE(row, 0);
    transport.clearFramesSent();
    const AmendTexts shown = amend(row, "12.5", true);
    EXPECT_EQ(shown.number, cell(row, 0) + " " + cell(row, 3));
    EXPECT_EQ(shown.range, cell(row, 2));
    EXPECT_EQ(shown.current, cell(row, 1));
    EXPECT_EQ(panel->informationText()->text(), ParameterPanel::parameterInfoText("QD10", 0, row));
    panel->refreshParameterList();
    EXPECT_EQ(cell(row, 1), "12.5");

    // The drive takes it: register written once, the control block written
    // again after it, the re-read keeps 12.5.
    settle();
    run(300);
    EXPECT_EQ(wordsWrittenTo(registerOf(0, row)), std::vector<uint16_t>{125});
    EXPECT_FALSE(wordsWrittenTo(0x3200).empty()) << "the control block follows the parameter";
    EXPECT_EQ(bus.drive(1)->holdingRegister(registerOf(0, row)), 125);
    EXPECT_EQ(cell(row, 1), "12.5");
    EXPECT_EQ(messages.count(), 0u);

    // The drive refuses the next one: the operator is told which parameter
    // and why, and the re-read brings the drive's own value back.
    bus.drive(1)->setAllowedRange(registerOf(0, row), 0, 100);
    amend(row, "30.0", true);
    panel->refreshParameterList();
    EXPECT_EQ(cell(row, 1), "30.0");
    settle();
    EXPECT_EQ(cell(row, 1), "12.5");
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_EQ(messages.last(),
              (testing::RecordingMessages::Message{
                  "变频器 1#QD10-7.5 拒绝了参数 " + std::string(descriptor("QD10", 0, row)->code) +
                      " 的修改：非法数据值。",
                  "信息提示", false}));
}

TEST_F(ParameterPanelTest, DialogClosedWithoutSaveOrLeftEmptyWritesNothing) {
    connectAndSelect(1, sim::Series::QD10, 75);
    amend(3, "7", true); // a first change, confirmed
    settle();
    transport.clearFramesSent();
    const auto valuesBefore = panel->shownValues();

    amend(5, "9", false); // second parameter, closed without "保存"
    amend(6, "", true);   // confirmed with nothing typed
    EXPECT_TRUE(station.idle());
    EXPECT_EQ(panel->shownValues(), valuesBefore);
    run(600);
    for (const auto& frame : transport.framesSent())
        EXPECT_FALSE(frame[1] == 0x10 && ((frame[2] << 8) | frame[3]) < 0x3200)
            << "a parameter write went out";
}

TEST_F(ParameterPanelTest, ValueBeyondTheSixteenBitRegisterIsRefusedNotCut) {
    connectAndSelect(1, sim::Series::QD10, 75);
    const int row = rowWhere("QD10", 0, [](const ParamDescriptor& d) {
        return decimalsOf(d) == 1 && !isSignedParameter(d);
    });
    ASSERT_GE(row, 0);
    for (const char* text : {"6553.6", "-0.1", "99999999999"}) {
        messages.clear();
        bool stillOpen = false;
        panel->setAmendRunner([&](AmendDialog& dialog) {
            dialog.newValueBox()->setText(text);
            dialog.saveButton()->click();
            stillOpen = dialog.result() != QDialog::Accepted;
            return static_cast<int>(QDialog::Rejected); // the operator gives up
        });
        selectRow(row);
        panel->onParameterDoubleClick();
        EXPECT_TRUE(stillOpen) << text;
        ASSERT_EQ(messages.count(), 1u) << text;
        EXPECT_NE(messages.last().text.find("0.0～6553.5"), std::string::npos)
            << messages.last().text;
        EXPECT_TRUE(station.idle()) << text;
    }
    // The top of the unsigned word is still accepted.
    messages.clear();
    transport.clearFramesSent();
    amend(row, "6553.5", true);
    EXPECT_EQ(messages.count(), 0u);
    settle();
    EXPECT_EQ(wordsWrittenTo(registerOf(0, row)), std::vector<uint16_t>{65535});
}

TEST(AmendRangeTest, TypedTextIsANumberWithinTheRegisterOrRefused) {
    struct Limit {
        const char* text;
        RegisterKind kind;
        bool refused;
    };
    for (const Limit& l : {Limit{"-3276.8", {1, true}, false}, Limit{"-3276.9", {1, true}, true},
                           Limit{"3276.7", {1, true}, false}, Limit{"3276.8", {1, true}, true},
                           Limit{"65535", {0, false}, false}, Limit{"65536", {0, false}, true},
                           Limit{"-1", {0, false}, true}, Limit{"abc", {0, false}, true},
                           Limit{"12,5", {1, false}, true}, Limit{" １２．５ ", {1, false}, false},
                           Limit{"－3。5", {1, true}, false}, Limit{"", {2, false}, false}})
        EXPECT_EQ(AmendDialog::refusalFor(l.text, l.kind).has_value(), l.refused) << l.text;
}

TEST_F(ParameterPanelTest, Qd40SignedParameterTakesANegativeValue) {
    // QD40 has no range texts: only the format bit tells a signed parameter.
    connectAndSelect(1, sim::Series::QD40, 1100);
    int group = 0;
    int row = -1;
    for (; row < 0 && group < panel->groupSelector()->count(); ++group)
        row =
            rowWhere("QD40", group, [](const ParamDescriptor& d) { return isSignedParameter(d); });
    ASSERT_GE(row, 0);
    panel->groupSelector()->setCurrentIndex(group - 1);
    settle();
    const unsigned decimals = decimalsOf(*descriptor("QD40", group - 1, row));
    transport.clearFramesSent();
    amend(row, QString::fromStdString(formatFixed(-3, decimals)), true);
    EXPECT_EQ(messages.count(), 0u);
    settle();
    EXPECT_EQ(wordsWrittenTo(registerOf(group - 1, row)), std::vector<uint16_t>{0xFFFD});
}

TEST_F(ParameterPanelTest, EepromStoreNeedsASelectedDriveAndIsSentOnce) {
    panel->storeToEeprom(); // nothing selected
    EXPECT_TRUE(station.idle());
    connectAndSelect(1, sim::Series::QD30, 750);
    transport.clearFramesSent();
    panel->eepromButton()->click();
    EXPECT_FALSE(station.idle());
    settle();
    run(600);
    EXPECT_EQ(bus.drive(1)->eepromStoreCount(), 1);
    EXPECT_EQ(wordsWrittenTo(0x3209), std::vector<uint16_t>{1});
    EXPECT_EQ(messages.count(), 0u);
}

TEST_F(ParameterPanelTest, AnotherGroupShowsItsRowsAtOnceAndItsValuesAfterTheRead) {
    connectAndSelect(1, sim::Series::QD30, 750);
    ASSERT_GT(panel->groupSelector()->count(), 2);
    bus.drive(1)->setHoldingRegister(registerOf(2, 0), 321);
    panel->groupSelector()->setCurrentIndex(2);
    EXPECT_EQ(panel->shownGroup(), 2);
    EXPECT_TRUE(panel->reading());
    panel->refreshParameterList();
    ASSERT_EQ(panel->parameterList()->rowCount(), groupSize("QD30", 2));
    EXPECT_EQ(cell(0, 0).toStdString(), descriptor("QD30", 2, 0)->code);
    settle();
    EXPECT_EQ(cell(0, 1).toStdString(), formatFixed(321, decimalsOf(*descriptor("QD30", 2, 0))));
}

TEST_F(ParameterPanelTest, ClickShowsCodeNameRangeAndDescriptionForEverySeries) {
    connectAndSelect(4, sim::Series::QD20, 6);
    selectRow(2);
    panel->onParameterClick();
    const auto d = descriptor("QD20", 0, 2);
    ASSERT_TRUE(d);
    const std::string expected = std::string(d->code) + std::string(d->name) + "  可设置范围：" +
                                 std::string(d->range) + " " + std::string(d->description);
    EXPECT_EQ(panel->informationText()->text().toStdString(), expected);
}

TEST_F(ParameterPanelTest, WithoutASelectionLeftoverRowsShowNothingAndWriteNothing) {
    EXPECT_EQ(panel->informationText()->text(), "双击修改参数。");
    connectAndSelect(1, sim::Series::QD10, 75);
    station.setSelectedSlot(-1);
    selectedName.clear();
    transport.clearFramesSent();
    panel->refreshParameterList();
    ASSERT_EQ(panel->parameterList()->rowCount(), 88); // kept, but inert

    selectRow(4);
    panel->onParameterClick();
    EXPECT_EQ(panel->informationText()->text(), "双击修改参数。");
    const AmendTexts shown = amend(4, "5", true);
    EXPECT_TRUE(shown.number.isEmpty());
    EXPECT_TRUE(shown.range.isEmpty());
    EXPECT_TRUE(shown.current.isEmpty());
    EXPECT_TRUE(station.idle());
    run(600);
    EXPECT_EQ(writesSent(), 0u);
}

TEST_F(ParameterPanelTest, DriveOfAnUnknownSeriesListsNothing) {
    // No simulated drive is of an unknown series: the table gets one as an
    // identification would put it there.
    const int slot = testing::connectDrive(*lock(), 9, "QD99", "1.00");
    select(slot);
    EXPECT_EQ(panel->groupSelector()->count(), 0);
    EXPECT_EQ(panel->parameterList()->rowCount(), 0);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
