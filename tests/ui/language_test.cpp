// The display language: how it is chosen, what the translators change, and
// that the choice in the options dialog is kept.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/main_window.h"
#include "files/parameter_file.h"
#include "files/parameter_report.h"
#include "i18n/language_choice.h"
#include "i18n/translators.h"
#include "link/drive_link.h"
#include "link/link_snapshot.h"
#include "records/run_record.h"
#include "registry/catalogue.h"
#include "registry/state_texts.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"
#include "support/case_names.h"
#include "support/recording_messages.h"
#include "support/station.h"
#include "support/temp_dir.h"
#include "ui/about_dialog.h"
#include "ui/access_gate.h"
#include "ui/amend_dialog.h"
#include "ui/comparison_window.h"
#include "ui/connection_dialog.h"
#include "ui/engineer_pin_dialog.h"
#include "ui/line_finder_dialog.h"
#include "ui/link_diagnostics_window.h"
#include "ui/live_curve_window.h"
#include "ui/mqtt_dialog.h"
#include "ui/notice_centre.h"
#include "ui/notice_log.h"
#include "ui/qt_operator_messages.h"
#include "ui/records/action_records_window.h"
#include "ui/records/display_options_dialog.h"
#include "ui/records/station_settings.h"
#include "ui/records/trend_window.h"
#include "ui/rename_dialog.h"
#include "ui/station_link.h"
#include "ui/station_mqtt.h"
#include "ui/window_selection.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

struct EnvironmentCase {
    const char* label;
    std::map<std::string, std::string> variables;
    Language expected;
};

class LanguageFromEnvironment : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(LanguageFromEnvironment, FollowsTheCLibrary) {
    const EnvironmentCase& c = GetParam();
    const auto lookup = [&c](const char* name) -> const char* {
        const auto found = c.variables.find(name);
        return found == c.variables.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(languageFromEnvironment(lookup), c.expected);
}

const Language zh = Language::Chinese;
const Language en = Language::English;

INSTANTIATE_TEST_SUITE_P(
    Table, LanguageFromEnvironment,
    ::testing::Values(
        EnvironmentCase{"nothing_set", {}, zh},
        EnvironmentCase{"lang_english", {{"LANG", "en_US.UTF-8"}}, en},
        EnvironmentCase{"lang_bare_en", {{"LANG", "en"}}, en},
        EnvironmentCase{"lang_chinese", {{"LANG", "zh_CN.UTF-8"}}, zh},
        EnvironmentCase{"lang_german", {{"LANG", "de_DE.UTF-8"}}, zh},
        EnvironmentCase{"lang_c", {{"LANG", "C"}}, zh},
        EnvironmentCase{"lang_c_utf8", {{"LANG", "C.UTF-8"}}, zh},
        EnvironmentCase{"lang_posix", {{"LANG", "POSIX"}}, zh},
        EnvironmentCase{"lang_modifier", {{"LANG", "en_IE@euro"}}, en},
        EnvironmentCase{
            "lc_all_over_lang", {{"LC_ALL", "zh_CN.UTF-8"}, {"LANG", "en_US.UTF-8"}}, zh},
        EnvironmentCase{"lc_all_english", {{"LC_ALL", "en_GB.UTF-8"}, {"LANG", "zh_CN.UTF-8"}}, en},
        EnvironmentCase{
            "lc_messages_over_lang", {{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "zh_CN.UTF-8"}}, en},
        EnvironmentCase{"lc_all_over_lc_messages",
                        {{"LC_ALL", "zh_TW.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}},
                        zh},
        EnvironmentCase{"empty_lc_all_skipped", {{"LC_ALL", ""}, {"LANG", "en_US.UTF-8"}}, en},
        EnvironmentCase{"language_first", {{"LANGUAGE", "en"}, {"LANG", "zh_CN.UTF-8"}}, en},
        EnvironmentCase{
            "language_chinese_first", {{"LANGUAGE", "zh_CN:en"}, {"LANG", "en_US.UTF-8"}}, zh},
        EnvironmentCase{"language_first_known_entry",
                        {{"LANGUAGE", "fr:de:en_GB:zh"}, {"LANG", "fr_FR.UTF-8"}},
                        en},
        EnvironmentCase{
            "language_without_ours", {{"LANGUAGE", "fr:de"}, {"LANG", "en_US.UTF-8"}}, zh},
        EnvironmentCase{"language_ignored_under_c", {{"LANGUAGE", "en"}, {"LANG", "C"}}, zh},
        EnvironmentCase{"language_ignored_without_locale", {{"LANGUAGE", "en"}}, zh},
        EnvironmentCase{"language_ignored_under_lc_all_posix",
                        {{"LANGUAGE", "en"}, {"LC_ALL", "POSIX"}, {"LANG", "en_US.UTF-8"}},
                        zh},
        EnvironmentCase{"empty_language_skipped", {{"LANGUAGE", ""}, {"LANG", "en_US.UTF-8"}}, en}),
    testing::LabelName());

struct ArgumentCase {
    const char* label;
    std::vector<const char*> arguments;
    std::optional<Language> expected;
    bool problem;
};

class LanguageArgument : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(LanguageArgument, ReadsTheOption) {
    const ArgumentCase& c = GetParam();
    std::vector<const char*> argv{"velkaro"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    std::string problem;
    EXPECT_EQ(languageArgument(static_cast<int>(argv.size()), argv.data(), problem), c.expected);
    EXPECT_EQ(!problem.empty(), c.problem) << problem;
}

INSTANTIATE_TEST_SUITE_P(
    Table, LanguageArgument,
    ::testing::Values(ArgumentCase{"none", {"--station", "A"}, std::nullopt, false},
                      ArgumentCase{"separate", {"--language", "en"}, en, false},
                      ArgumentCase{"joined", {"--language=zh"}, zh, false},
                      ArgumentCase{"last_counts", {"--language", "zh", "--language=en"}, en, false},
                      ArgumentCase{"missing_value", {"--language"}, std::nullopt, true},
                      ArgumentCase{"unknown_value", {"--language", "fr"}, std::nullopt, true},
                      ArgumentCase{"empty_joined", {"--language="}, std::nullopt, true}),
    testing::LabelName());

TEST(ChooseLanguage, CommandLineThenStoredThenEnvironment) {
    EXPECT_EQ(chooseLanguage(en, zh, zh), en);
    EXPECT_EQ(chooseLanguage(std::nullopt, en, zh), en);
    EXPECT_EQ(chooseLanguage(std::nullopt, std::nullopt, en), en);
    EXPECT_EQ(chooseLanguage(zh, en, en), zh);
}

// Each test leaves the designed Chinese installed behind it.
class Translators : public ::testing::Test {
protected:
    void TearDown() override { installTranslators(*QCoreApplication::instance(), zh); }
};

TEST_F(Translators, QtsOwnTextsFollowTheLanguage) {
    const InstalledCatalogues chinese = installTranslators(*QCoreApplication::instance(), zh);
    ASSERT_TRUE(chinese.qt) << "Qt's catalogues under " << qtTranslationsFolder().toStdString();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("查找范围："));

    const InstalledCatalogues english = installTranslators(*QCoreApplication::instance(), en);
    EXPECT_TRUE(english.station);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    EXPECT_EQ(displayLanguage(), en);
}

TEST_F(Translators, CoreTextsShownTranslatedButStoredInChinese) {
    installTranslators(*QCoreApplication::instance(), en);
    DriveRecord drive;
    drive.online = 1;
    drive.series = "QD30";
    drive.status[0] = status_bit::kFault;
    drive.status[9] = 3;
    EXPECT_EQ(shownStateTexts(drive).state, "Tripped");
    EXPECT_EQ(shownStateTexts(drive).cause, "Overcurrent during deceleration");
    EXPECT_EQ(driveStateTexts(drive).state, "故障中") << "what is stored stays Chinese";
    EXPECT_EQ(driveStateTexts(drive).cause, "减速运行过流");

    drive.status[0] = status_bit::kAlarm;
    drive.status[10] = 0x0001 | 0x0040; // motor overload, input phase loss
    drive.status[11] = 0;
    EXPECT_EQ(shownStateTexts(drive).cause, "Motor overload, Input phase loss");
    EXPECT_EQ(driveStateTexts(drive).cause, "电机过载输入缺相");

    // A cause read back from a run record, where an alarm set has no separator.
    for (const auto& [stored, shown] : std::vector<std::pair<std::string, std::string>>{
             {"电机过载输入缺相", "Motor overload, Input phase loss"},
             {"减速运行过流", "Overcurrent during deceleration"},
             {"未知代码42", "Unknown code 42"},
             {"电机过载某事", "电机过载某事"},
             {"4097", "4097"}}) {
        EXPECT_EQ(shownStoredCause(stored), shown) << stored;
    }

    // A command cancelled by a stronger one: the reason stays Chinese for the
    // action log, and reads whole in English, a value included.
    Outcome cancelled;
    cancelled.result = Result::Cancelled;
    cancelled.why = supersededWhy(Command::word(command_word::kEmergencyStop));
    cancelled.supersededBy = Command::word(command_word::kEmergencyStop);
    EXPECT_EQ(cancelled.why, "紧急停机命令优先");
    EXPECT_EQ(shownWhy(cancelled), "Emergency stop takes precedence");
    EXPECT_EQ(shownCommandName(Command::frequency(3000)), "Frequency reference 30.00Hz");
    EXPECT_EQ(shownCommandName(Command::word(0x1234)), "Command word 0x1234");
    EXPECT_EQ(commandName(Command::word(0x1234)), "命令字 0x1234");

    installTranslators(*QCoreApplication::instance(), zh);
    EXPECT_EQ(shownStateTexts(drive).cause, "电机过载输入缺相");
    EXPECT_EQ(shownStoredCause("电机过载输入缺相"), "电机过载输入缺相");
    EXPECT_EQ(shownWhy(cancelled), "紧急停机命令优先");
}

TEST_F(Translators, OptionsDialogKeepsTheLanguageForTheNextStart) {
    installTranslators(*QCoreApplication::instance(), zh);
    DisplayOptions options;
    testing::RecordingMessages messages;
    {
        DisplayOptionsDialog dialog(nullptr, options, {}, messages);
        EXPECT_EQ(dialog.languageList()->currentIndex(), 0);
        dialog.languageList()->setCurrentIndex(1);
        dialog.confirmButton()->click();
    }
    EXPECT_EQ(savedLanguage(), en);
    EXPECT_EQ(displayLanguage(), zh) << "taken at the next start, not now";
    EXPECT_EQ(messages.count(), 0u);
    ASSERT_TRUE(saveLanguage(zh));
}

TEST_F(Translators, BeforeTheApplicationAndInMessageBoxes) {
    // --help and a wrong option are answered before the application exists.
    installEarlyTranslator(en);
    EXPECT_EQ(translated("velkaro::Main", "未知选项"), "unknown option");
    EXPECT_EQ(translated("StateTexts", "故障中"), "Tripped");

    // A core text marked for the message boxes is shown, and kept in the
    // notice centre, in the display language; any other text as it came.
    installTranslators(*QCoreApplication::instance(), en);
    QtOperatorMessages boxes;
    boxes.notify("该操作需要工程师权限，请先输入工程师密码。", "信息提示");
    boxes.notify("一号泵 已停机", "");
    ASSERT_EQ(boxes.log().entries().size(), 2u);
    EXPECT_EQ(boxes.log().entries()[0].text,
              QStringLiteral("This needs engineer access; enter the engineer PIN first."));
    EXPECT_EQ(boxes.log().entries()[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(boxes.log().entries()[1].text, QStringLiteral("一号泵 已停机"));
}

// What one station writes, another reads: rows, files and reports keep the
// designed Chinese whatever the display language.
struct StoredTexts {
    std::vector<RunRecord> rows;
    std::string sav;
    std::string report;
};

StoredTexts writtenUnder(Language language) {
    installTranslators(*QCoreApplication::instance(), language);
    LinkSnapshot view;
    const auto put = [&view](int slot, const char* name, int32_t status, int32_t fault) {
        DriveRecord& drive = view.table.slots[static_cast<std::size_t>(slot)];
        drive.name = name;
        drive.series = "QD30";
        drive.online = 1;
        drive.status[0] = status;
        drive.status[9] = fault;
        drive.status[10] = 0x0001;
        view.statusRead[static_cast<std::size_t>(slot)] = true;
        view.table.driveNames[view.table.driveCount++] = name;
    };
    put(0, "一号泵", status_bit::kFault, 3);
    put(1, "二号泵", status_bit::kAlarm, 0);
    put(2, "三号泵", status_bit::kRunning | status_bit::kForward, 0);

    StoredTexts stored;
    stored.rows = runRecordsOf(view);
    testing::TempDir folder;
    ParameterImage image{};
    image[0] = 30;
    image[4] = 0x34;
    image[5] = 0x12;
    EXPECT_TRUE(writeParameterFile(folder.file("a.sav"), image, 200).ok);
    stored.sav = testing::fileText(folder.file("a.sav"));
    ParameterReport report;
    report.driveName = "一号泵";
    report.series = "QD30";
    report.ratedPower = "7.50";
    report.readTime = "2026-12-09 10:00:00";
    report.words.assign(catalogueFor("QD30")->entries.size(), 1);
    stored.report = reportText(report);
    return stored;
}

TEST_F(Translators, StoredRowsFilesAndReportsAreTheSameInEitherLanguage) {
    const StoredTexts chinese = writtenUnder(zh);
    const StoredTexts english = writtenUnder(en);
    ASSERT_EQ(english.rows.size(), 3u);
    ASSERT_EQ(english.rows.size(), chinese.rows.size());
    for (std::size_t i = 0; i < chinese.rows.size(); ++i) {
        EXPECT_EQ(english.rows[i].name, chinese.rows[i].name);
        EXPECT_EQ(english.rows[i].workingState, chinese.rows[i].workingState);
        for (Quantity quantity : allQuantities()) {
            EXPECT_EQ(valueOf(english.rows[i], quantity), valueOf(chinese.rows[i], quantity))
                << "row " << i;
        }
    }
    EXPECT_EQ(english.rows[0].workingState, "故障中 减速运行过流");
    EXPECT_EQ(english.sav, chinese.sav);
    EXPECT_FALSE(english.report.empty());
    EXPECT_EQ(english.report, chinese.report);
}

// Windows at their designed size in English: no label, button or box cuts its
// text. The pictures go to $VELKARO_SCREENSHOTS when it is set
// (docs/screenshots/en/ for the documentation).
QStringList cutTexts(QWidget& window) {
    QStringList cut;
    const auto tooNarrow = [](const QWidget& widget, const QString& text, int room) {
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            QString shown = line;
            shown.remove(QLatin1Char('&'));
            if (widget.fontMetrics().horizontalAdvance(shown) > room) {
                return true;
            }
        }
        return false;
    };
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->wordWrap() || label->text().isEmpty() ||
            label->textFormat() == Qt::RichText) {
            continue;
        }
        if (tooNarrow(*label, label->text(), label->contentsRect().width())) {
            cut << label->text();
        }
    }
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&window) || button->text().isEmpty()) {
            continue;
        }
        // A box or a radio button draws its indicator before the text.
        const bool boxed = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
        const int room = boxed ? button->width() - button->sizeHint().width() +
                                     button->fontMetrics().horizontalAdvance(button->text())
                               : button->width() - 4;
        if (tooNarrow(*button, button->text(), room)) {
            cut << button->text();
        }
    }
    // Cells and headings of lists, trees and tables: the delegate keeps a
    // margin of three pixels at either side; a heading's own size hint keeps
    // two or three beside its text.
    for (QAbstractItemView* view : window.findChildren<QAbstractItemView*>()) {
        if (!view->isVisibleTo(&window) || view->model() == nullptr) {
            continue;
        }
        const QAbstractItemModel& model = *view->model();
        std::vector<QModelIndex> parents{QModelIndex()};
        for (int p = 0; p < 2 && p < static_cast<int>(parents.size()); ++p) {
            const QModelIndex parent = parents[static_cast<std::size_t>(p)];
            for (int row = 0; row < std::min(model.rowCount(parent), 100); ++row) {
                for (int column = 0; column < model.columnCount(parent); ++column) {
                    const QModelIndex index = model.index(row, column, parent);
                    const QString text = index.data().toString();
                    const QRect rect = view->visualRect(index);
                    if (!text.isEmpty() && rect.width() > 0 &&
                        view->fontMetrics().horizontalAdvance(text) > rect.width() - 6) {
                        cut << text;
                    }
                }
                if (p == 0 && model.hasChildren(model.index(row, 0, parent))) {
                    parents.push_back(model.index(row, 0, parent));
                }
            }
        }
    }
    for (QHeaderView* header : window.findChildren<QHeaderView*>()) {
        if (!header->isVisibleTo(&window) || header->orientation() != Qt::Horizontal ||
            header->model() == nullptr) {
            continue;
        }
        for (int section = 0; section < header->count(); ++section) {
            const QString text = header->model()->headerData(section, Qt::Horizontal).toString();
            if (!header->isSectionHidden(section) && header->sectionSize(section) > 0 &&
                header->fontMetrics().horizontalAdvance(text) > header->sectionSize(section) - 3) {
                cut << text;
            }
        }
    }
    for (QGroupBox* group : window.findChildren<QGroupBox*>()) {
        if (group->isVisibleTo(&window) && tooNarrow(*group, group->title(), group->width() - 8)) {
            cut << group->title();
        }
    }
    return cut;
}

void showAndCheck(QWidget& window, const QString& name) {
    window.show();
    QApplication::processEvents();
    if (const char* folder = std::getenv("VELKARO_SCREENSHOTS"); folder && *folder) {
        window.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name +
                           QStringLiteral(".png"));
    }
    EXPECT_EQ(cutTexts(window).join(QStringLiteral(" | ")).toStdString(), "") << name.toStdString();
    window.hide();
}

class EnglishWindows : public Translators {
protected:
    void SetUp() override { installTranslators(*QCoreApplication::instance(), en); }

    sim::BusSimulator bus;
    sim::MemoryTransport transport{bus};
    testing::RecordingMessages messages;
    DriveLink link{transport, messages};
    StationLink station{link, messages};
};

TEST_F(EnglishWindows, DialogsHoldTheirTexts) {
    DisplayOptions options;
    DisplayOptionsDialog displayOptions(nullptr, options, {"一号泵"}, messages);
    showAndCheck(displayOptions, QStringLiteral("display-options-dialog"));
    ConnectionDialog connection(station, messages);
    showAndCheck(connection, QStringLiteral("connection-dialog"));
    RenameDialog rename(QStringLiteral("一号泵"));
    showAndCheck(rename, QStringLiteral("rename-dialog"));
    AmendDialog amend(nullptr, messages,
                      {QStringLiteral("F0-05 Maximum frequency"), QStringLiteral("50.00~655.35"),
                       QStringLiteral("50.00")},
                      true, RegisterKind{2, false});
    showAndCheck(amend, QStringLiteral("amend-dialog"));
    AboutDialog about;
    showAndCheck(about, QStringLiteral("about-dialog"));
    LineFinderDialog finder(nullptr, station, messages);
    showAndCheck(finder, QStringLiteral("line-finder-dialog"));
    testing::TempDir folder;
    AccessGate gate(folder.file("pin"));
    EngineerPinDialog pin(nullptr, gate, station, EngineerPinDialog::Mode::Settings);
    showAndCheck(pin, QStringLiteral("engineer-pin-dialog"));
    EngineerPinDialog unlock(nullptr, gate, station, EngineerPinDialog::Mode::Unlock);
    showAndCheck(unlock, QStringLiteral("engineer-unlock-dialog"));
}

TEST_F(EnglishWindows, DiagnosticsWindowHoldsItsTexts) {
    LinkDiagnosticsWindow diagnostics(nullptr, station, messages);
    showAndCheck(diagnostics, QStringLiteral("link-diagnostics"));
}

TEST_F(EnglishWindows, MainWindowPanelsHoldTheirTexts) {
    testing::Station main;
    ASSERT_TRUE(main.start());
    main.connect(1, 2);
    for (const auto& [panel, name] :
         {std::pair{PanelSystemStatus, "system-status"},
          std::pair{PanelMotorControl, "motor-control"}, std::pair{PanelParameters, "parameters"},
          std::pair{PanelHistory, "history"}}) {
        main.window->selectPanel(panel);
        showAndCheck(*main.window, QString::fromLatin1(name));
    }
}

TEST_F(EnglishWindows, RecordAndCurveWindowsHoldTheirTexts) {
    testing::Station main;
    ASSERT_TRUE(main.start());
    main.connect(1, 2);
    DisplayOptions options;
    TrendWindow trends(main.window->station().view(), options, messages, main.window->records());
    showAndCheck(trends, QStringLiteral("trends"));
    main.window->openActionRecords();
    ActionRecordsWindow* actions = main.window->findChild<ActionRecordsWindow*>();
    ASSERT_NE(actions, nullptr);
    showAndCheck(*actions, QStringLiteral("action-records"));
    main.window->openLiveCurves(main.selectedSlot());
    LiveCurveWindow* curves = main.window->findChild<LiveCurveWindow*>();
    ASSERT_NE(curves, nullptr);
    showAndCheck(*curves, QStringLiteral("live-curves"));
}

TEST_F(EnglishWindows, MqttNoticeAndComparisonWindowsHoldTheirTexts) {
    StationMqtt mqtt;
    DisplayOptions options;
    MqttDialog broker(mqtt, options, nullptr);
    showAndCheck(broker, QStringLiteral("mqtt-dialog"));
    NoticeLog log;
    log.add(QStringLiteral("Information"), QStringLiteral("Drive 1#QD10-7.5 has tripped"),
            QDateTime::currentDateTime());
    NoticeCentre notices(log, nullptr);
    showAndCheck(notices, QStringLiteral("notice-centre"));
    ParameterComparison comparison;
    comparison.ok = true;
    comparison.series = "QD30";
    comparison.differences.push_back({0, "F0", "F0-05", "最大频率", "50.00Hz", "60.00Hz"});
    comparison.equal = 41;
    ComparisonWindow compared(nullptr, messages, comparison, QStringLiteral("1#QD30-7.50"),
                              QStringLiteral("pump.sav"), QStringLiteral("1#QD30-7.50"),
                              QStringLiteral("/tmp/pump.sav"));
    showAndCheck(compared, QStringLiteral("parameter-comparison"));

    // Shown in English, saved as designed.
    EXPECT_EQ(compared.table()->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("Group"));
    testing::TempDir folder;
    const QString saved = QString::fromStdString(folder.file("diff.csv"));
    compared.setSaveFileChooser([&saved] { return saved; });
    compared.saveAsCsv();
    EXPECT_EQ(testing::fileText(saved.toStdString()),
              "\xEF\xBB\xBF功能组,功能号,参数名称,1#QD30-7.50,pump.sav\r\n"
              "F0,F0-05,最大频率,50.00Hz,60.00Hz\r\n"
              "1 项不同，41 项相同\r\n");
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
