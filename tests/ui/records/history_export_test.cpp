#include "link/link_snapshot.h"

#include "ui/records/history_export.h"

#include <QCoreApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "i18n/translators.h"
#include "records/data_source.h"
#include "records/display_options.h"
#include "support/recording_messages.h"
#include "support/records_database.h"
#include "ui/records/history_panel.h"
#include "ui/records/station_records.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using testing::Engine;
using testing::RecordsDatabase;

class HistoryExportTest : public testing::RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        records = std::make_unique<StationRecords>(messages, std::string(kRunRecordConnect));
        panel = std::make_unique<HistoryPanel>(&area, view, options, messages, *records);
        panel->setClock([this] { return now; });
        ASSERT_TRUE(records->settle());
    }

    /// Exports the grid's rows to `path`; whether the file was written.
    bool exportTo(const QString& path) {
        std::optional<bool> written;
        HistoryExport& exporter = panel->historyExport();
        QObject::connect(&exporter, &HistoryExport::finished, [&](bool ok) { written = ok; });
        exporter.exportTo(path, panel->exportQuery());
        EXPECT_TRUE(exporter.running()) << "the export runs on the records worker";
        EXPECT_TRUE(records->settle());
        QObject::disconnect(&exporter, &HistoryExport::finished, nullptr, nullptr);
        EXPECT_TRUE(written.has_value());
        return written.value_or(false);
    }

    QWidget area;
    std::unique_ptr<StationRecords> records;
    std::unique_ptr<HistoryPanel> panel;
};

// "导出..." takes the grid's window and drive filter; the operator's cancel
// between two pages leaves no file and no message.
TEST_P(HistoryExportTest, ExportsTheGridsWindowAndFilterOrNothingWhenCancelled) {
    EXPECT_LT(panel->exportButton()->geometry().right(), panel->optionsButton()->geometry().left());
    panel->setPanelVisible(false);
    EXPECT_TRUE(panel->exportButton()->isHidden());

    options.displayWindowHours = 1;
    options.displayDriveName = "2#QD20-11.00";
    db->insert(now - 2 * 3600, "2#QD20-11.00", "10.00");
    db->insert(now - 600, "1#QD10-7.5", "20.00");
    db->insert(now - 300, "2#QD20-11.00", "30.00");
    db->insert(now, "2#QD20-11.00", "40.00");
    db->insert(now - 60, "2#QD20-11.00", "50.00", "停止中 ", std::string("二号站")); // not ours
    const QString path = QString::fromStdString((db->folder() / "history.csv").string());

    HistoryExport& exporter = panel->historyExport();
    exporter.setPageHook([&exporter](long) { exporter.cancel(); });
    EXPECT_FALSE(exportTo(path));
    EXPECT_FALSE(std::filesystem::exists(path.toStdString()));
    EXPECT_EQ(messages.count(), 0u);

    exporter.setPageHook({});
    ASSERT_TRUE(exportTo(path));
    std::ifstream in(path.toStdString());
    std::vector<std::string> frequencies;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        frequencies.push_back(line.substr(33, 5)); // after the time and the name
    }
    EXPECT_EQ(frequencies, (std::vector<std::string>{"30.00", "40.00"}));
    EXPECT_NE(messages.last().text.find("已导出 2 条记录"), std::string::npos);
}

// Under English the operator reads why a file could not be written in
// English; the file written next keeps the Chinese head and row texts that
// stations in either language share.
TEST_P(HistoryExportTest, ErrorsInTheDisplayLanguageFilesInChinese) {
    installTranslators(*QCoreApplication::instance(), Language::English);
    struct Restore {
        ~Restore() { installTranslators(*QCoreApplication::instance(), Language::Chinese); }
    } restore;
    options.displayWindowHours = 1;
    db->insert(now - 60, "1#QD10-7.5", "20.00", "停止中 ");

    const std::string missing = (db->folder() / "no-such-folder" / "history.csv").string();
    EXPECT_FALSE(exportTo(QString::fromStdString(missing)));
    const std::string error = messages.last().text;
    EXPECT_EQ(error.rfind("Cannot write the file " + missing + ": ", 0), 0u) << error;

    const std::string path = (db->folder() / "history.csv").string();
    ASSERT_TRUE(exportTo(QString::fromStdString(path)));
    std::ifstream in(path);
    std::string head;
    std::string row;
    std::getline(in, head);
    std::getline(in, row);
    EXPECT_NE(head.find("记录时间,名字,运行频率"), std::string::npos) << head;
    EXPECT_NE(row.find(",\"停止中 \","), std::string::npos) << row;
}

INSTANTIATE_TEST_SUITE_P(Engines, HistoryExportTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         testing::engineName);

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
