#include "link/link_snapshot.h"

#include "records/history_export.h"

#include <QProgressDialog>
#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>

#include "records/data_source.h"
#include "records/display_options.h"
#include "records/history_panel.h"
#include "support/recording_messages.h"
#include "support/records_database.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {

using testing::Engine;
using testing::RecordsDatabase;

class HistoryExportTest : public testing::RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        panel = std::make_unique<HistoryPanel>(&area, view, options, messages);
        panel->setClock([this] { return now; });
    }

    QWidget area;
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

    panel->historyExport().setPageHook([](QProgressDialog& progress, long) { progress.cancel(); });
    EXPECT_FALSE(panel->historyExport().exportTo(path, panel->exportQuery()));
    EXPECT_FALSE(std::filesystem::exists(path.toStdString()));
    EXPECT_EQ(messages.count(), 0u);

    panel->historyExport().setPageHook({});
    ASSERT_TRUE(panel->historyExport().exportTo(path, panel->exportQuery()));
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

INSTANTIATE_TEST_SUITE_P(Engines, HistoryExportTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         testing::engineName);

} // namespace
} // namespace velkaro
