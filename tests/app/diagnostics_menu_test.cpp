// The station's diagnostics entries in 系统管理: where they stand, that the
// diagnostics window leaves the bus alone when closed, and that the line
// finder's setting is applied to the link and shown in the status bar.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <functional>
#include <string>

#include "link/diagnostics/line_finder.h"
#include "support/mqtt_broker.h"
#include "support/station.h"
#include "ui/line_finder_dialog.h"
#include "ui/link_diagnostics_window.h"
#include "ui/mqtt_dialog.h"
#include "ui/station_mqtt.h"
#include "ui/status_panel.h"
#include "ui/traffic_model.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

QMenu* systemMenu(MainWindow& window) {
    for (QAction* action : window.menuBar()->actions()) {
        if (action->text() == QStringLiteral("系统管理")) {
            return action->menu();
        }
    }
    return nullptr;
}

QAction* entry(MainWindow& window, const QString& text) {
    for (QAction* action : systemMenu(window)->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

TEST(DiagnosticsMenuTest, EntriesFollowTheDesignedOnes) {
    Station st;
    ASSERT_TRUE(st.start());
    QStringList texts;
    for (QAction* action : systemMenu(*st.window)->actions()) {
        if (!action->isSeparator()) {
            texts.append(action->text());
        }
    }
    // The designed entries, the window's own, and the notice centre and exit last.
    EXPECT_EQ(texts, (QStringList{"增加连接", "断开连接", "名字更改", "趋势图...", "通讯诊断...",
                                  "检测通讯参数...", "实时曲线...", "MQTT...", "操作记录...",
                                  "消息记录...", "退          出"}));
}

TEST(DiagnosticsMenuTest, ClosingTheWindowStopsNothingOnTheBus) {
    Station st;
    ASSERT_TRUE(st.start());
    st.bus.addDrive(1, sim::Series::QD10, 75);
    st.bus.addDrive(2, sim::Series::QD30, 750);
    st.connect(1, 2);
    entry(*st.window, QStringLiteral("通讯诊断..."))->trigger();
    auto* diagnostics = st.window->findChild<LinkDiagnosticsWindow*>();
    ASSERT_NE(diagnostics, nullptr);
    EXPECT_TRUE(diagnostics->isVisible());
    EXPECT_TRUE(diagnostics->refreshing());
    st.run(500);
    diagnostics->refresh();
    EXPECT_GT(diagnostics->trafficModel()->rowCount(), 0);

    diagnostics->close();
    EXPECT_FALSE(diagnostics->refreshing());
    const LinkSnapshot before = st.link.snapshot();
    st.run(500);
    const LinkSnapshot after = st.link.snapshot();
    EXPECT_GT(after.framesWritten, before.framesWritten);
    EXPECT_GT(after.statusReadCount[0], before.statusReadCount[0]);
}

TEST(DiagnosticsMenuTest, TheFoundSettingIsAppliedAndShown) {
    Station st;
    ASSERT_TRUE(st.start());
    st.bus.setLine({19200, 'E', 8, 1});
    st.bus.addDrive(4, sim::Series::QD30, 750);
    entry(*st.window, QStringLiteral("检测通讯参数..."))->trigger();
    auto* finder = st.window->findChild<LineFinderDialog*>();
    ASSERT_NE(finder, nullptr);
    finder->firstAddress()->setValue(4);
    finder->start();
    ASSERT_TRUE(finder->running());
    // The drive answers at its own setting only; the run is cancelled once it did.
    ASSERT_GE(st.runUntilSeen(
                  [](const LinkSnapshot& v) {
                      return !v.finder.found.empty() && !v.finder.found[0].names.empty();
                  },
                  20000),
              0);
    finder->cancel();
    ASSERT_GE(st.runUntilSeen([](const LinkSnapshot& v) { return !v.finder.running; }, 20000), 0);
    finder->follow();
    EXPECT_FALSE(finder->running());
    ASSERT_GE(finder->findings()->count(), 1);
    EXPECT_EQ(finder->findings()->item(0)->text(), "19200 E 8 1    4#QD30-7.50");
    EXPECT_EQ(st.link.settings().baudText, "9600"); // given back until applied

    // The first finding is chosen: the operator only has to press apply.
    QPushButton* apply = nullptr;
    for (auto* button : finder->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("应用所选参数")) {
            apply = button;
        }
    }
    ASSERT_NE(apply, nullptr);
    ASSERT_TRUE(apply->isEnabled());
    apply->click();
    EXPECT_EQ(st.link.settings().settingsText(), "19200E81");
    EXPECT_EQ(st.window->statusPaneText(2), "19200");
    EXPECT_EQ(st.window->statusPaneText(3), "偶效验");
    EXPECT_TRUE(st.link.snapshot().linkOpen);
    EXPECT_EQ(st.messages.count(), 0u);
}

/// 系统管理 → MQTT... leaves the window free, shows the station's name the
/// topics carry, keeps what 应用 was given and says what is wrong with it.
TEST(DiagnosticsMenuTest, MqttDialogKeepsItsSettingsAndTellsAMistake) {
    Station st;
    ASSERT_TRUE(st.start());
    st.window->displayOptions().stationName = "1号线";
    entry(*st.window, QStringLiteral("MQTT..."))->trigger();
    auto* dialog = st.window->findChild<MqttDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("status"))->text(), "未启用");
    EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("station"))->text(), "1号线");

    dialog->findChild<QCheckBox*>(QStringLiteral("enabled"))->setChecked(true);
    dialog->findChild<QLineEdit*>(QStringLiteral("url"))->setText(" tcp://broker:1883 ");
    dialog->findChild<QLineEdit*>(QStringLiteral("credentials"))->setText("/etc/velkaro/x.mqtt");
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("应用")) {
            b->click();
        }
    }
    EXPECT_TRUE(dialog->findChild<QLabel*>(QStringLiteral("status"))->text().contains("mqtt://"));
    const StationMqttSettings kept = loadStationMqttSettings();
    EXPECT_TRUE(kept.enabled);
    EXPECT_EQ(kept.url, "tcp://broker:1883");
    EXPECT_EQ(kept.credentialsFile, "/etc/velkaro/x.mqtt");
}

/// Turned on in the MQTT dialog, the station publishes to a real broker what
/// the logger does: each drive's retained state and its status "online"; a
/// drive 断开连接 by the operator has its retained state cleared, a drive that
/// stops answering keeps its topic with the lost state; turned off, "offline".
TEST(DiagnosticsMenuTest, PublishingToARealBrokerFromTheDialog) {
    if (!MqttBroker::available()) {
        GTEST_SKIP() << "no mosquitto broker (Debian package mosquitto)";
    }
    MqttBroker broker;
    ASSERT_TRUE(broker.start());
    MqttSubscriber client(broker.port());
    Station st;
    ASSERT_TRUE(st.start());
    st.window->displayOptions().stationName = "1号线";
    st.bus.addDrive(1, sim::Series::QD30, 750);
    st.bus.addDrive(2, sim::Series::QD30, 750);
    st.connect(1, 2);
    // The station's passes run while a real client waits for the broker.
    const auto runUntil = [&](const std::function<bool()>& seen) {
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(8);
             std::chrono::steady_clock::now() < end;) {
            st.run(100);
            if (seen()) {
                return true;
            }
            QTest::qWait(20);
        }
        return false;
    };
    const std::string status = "velkaro/1号线/status";
    const std::string state1 = "velkaro/1号线/1/state";
    const std::string state2 = "velkaro/1号线/2/state";

    entry(*st.window, QStringLiteral("MQTT..."))->trigger();
    auto* dialog = st.window->findChild<MqttDialog*>();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QCheckBox*>(QStringLiteral("enabled"))->setChecked(true);
    dialog->findChild<QLineEdit*>(QStringLiteral("url"))
        ->setText(QString::fromStdString(broker.url()));
    dialog->findChild<QLineEdit*>(QStringLiteral("credentials"))->clear(); // anonymous
    const auto apply = [dialog] {
        for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
            if (b->text() == QStringLiteral("应用")) {
                b->click();
            }
        }
    };
    apply();
    ASSERT_TRUE(runUntil([&] {
        return client.last(state1).find("\"name\":\"1#QD30-7.50\"") != std::string::npos &&
               client.last(state2).find("\"state\":\"停止中\"") != std::string::npos;
    })) << dialog->findChild<QLabel*>(QStringLiteral("status"))->text().toStdString();
    EXPECT_EQ(client.last(status), "online");
    const std::string json = client.last(state1);
    for (const char* field : {"\"address\":1,", "\"series\":\"QD30\"", "\"state\":\"停止中\"",
                              "\"output_frequency\":", "\"bus_voltage\":", "\"time\":\""}) {
        EXPECT_NE(json.find(field), std::string::npos) << field << " in " << json;
    }
    EXPECT_TRUE(runUntil([&] {
        return dialog->findChild<QLabel*>(QStringLiteral("status"))->text().startsWith("已连接");
    }));

    // The operator takes drive 2 out: its state is cleared on the broker.
    QTreeWidget* list = st.window->statusPanel().driveList();
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (list->topLevelItem(row)->text(0) == QStringLiteral("2#QD30-7.50")) {
            list->setCurrentItem(list->topLevelItem(row));
        }
    }
    ASSERT_EQ(st.window->selection().selectedName, "2#QD30-7.50");
    st.window->disconnectDrive();
    ASSERT_EQ(st.slotOf("2#QD30-7.50"), -1);
    EXPECT_TRUE(runUntil([&] { return client.seen(state2) && client.last(state2).empty(); }))
        << client.last(state2);
    // Drive 1 stops answering: it stays, said lost.
    st.bus.removeDrive(1);
    EXPECT_TRUE(runUntil([&] {
        return client.last(state1).find("\"state\":\"通讯断线\"") != std::string::npos;
    })) << client.last(state1);
    {
        // What a dashboard that subscribes now is given.
        MqttSubscriber later(broker.port());
        EXPECT_TRUE(later.waitFor(state1, "通讯断线", std::chrono::seconds(3)));
        EXPECT_FALSE(later.seen(state2)) << later.last(state2);
    }

    dialog->findChild<QCheckBox*>(QStringLiteral("enabled"))->setChecked(false);
    apply();
    EXPECT_TRUE(client.waitFor(status, "offline", std::chrono::seconds(3)));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("status"))->text(), "未启用");

    // Drive 1 taken out while publishing is off: cleared once it is on again.
    list->setCurrentItem(list->topLevelItem(0));
    ASSERT_EQ(st.window->selection().selectedName, "1#QD30-7.50");
    st.window->disconnectDrive();
    ASSERT_EQ(st.slotOf("1#QD30-7.50"), -1);
    st.run(300);
    dialog->findChild<QCheckBox*>(QStringLiteral("enabled"))->setChecked(true);
    apply();
    EXPECT_TRUE(runUntil([&] {
        return client.last(status) == "online" && client.last(state1).empty();
    })) << client.last(state1);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
