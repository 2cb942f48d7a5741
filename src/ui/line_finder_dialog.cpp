#include "link/operator_messages.h"

#include "ui/line_finder_dialog.h"

#include "registry/drive_table.h"
#include "ui/dialog_look.h"
#include "ui/station_link.h"
#include "widgets/skinned_button.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QSpinBox>
#include <QVBoxLayout>

#include "widgets/qt_text.h"
#include <algorithm>

namespace velkaro {

namespace {

constexpr int kFollowPeriodMs = 100;

QString toQString(const std::string& text) {
    return QString::fromStdString(text);
}

/// "COM2（/dev/ttyUSB1）".
std::string portText(int portChoice, const std::string& device) {
    const auto index = static_cast<std::size_t>(
        std::clamp(portChoice, 0, static_cast<int>(portChoices.size()) - 1));
    return std::string(portChoices[index]) + "（" + device + "）";
}

} // namespace

LineFinderDialog::LineFinderDialog(QWidget* parent, StationLink& station,
                                   OperatorMessages& messages)
    : QDialog(parent), m_station(station), m_messages(messages), m_guard(this, station, messages) {
    setWindowTitle(tr("检测通讯参数"));
    setModal(false);
    applyDialogLook(this);

    m_first = new QSpinBox(this);
    m_first->setRange(kFirstBusAddress, kLastBusAddress);
    m_count = new QSpinBox(this);
    m_count->setRange(1, kLastBusAddress);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, static_cast<int>(kLineChoiceCount));
    m_progress->setValue(0);
    m_status = new QLabel(
        tr("逐一试验全部波特率、校验、数据位和停止位，每种设置下对各地址做回送测试。"), this);
    m_status->setWordWrap(true);
    m_findings = new QListWidget(this);
    m_start = createDialogButton(tr("开始检测"), this);
    m_cancel = createDialogButton(tr("取消"), this);
    m_apply = createDialogButton(tr("应用所选参数"), this);
    m_apply->setEnabled(false);
    connect(m_start, &QPushButton::clicked, this, &LineFinderDialog::start);
    connect(m_cancel, &QPushButton::clicked, this, &LineFinderDialog::cancel);
    connect(m_apply, &QPushButton::clicked, this, &LineFinderDialog::applySelected);
    connect(m_findings, &QListWidget::currentRowChanged, this,
            [this](int row) { m_apply->setEnabled(row >= 0 && !running()); });

    auto* form = new QFormLayout;
    form->addRow(tr("起始地址："), m_first);
    form->addRow(tr("地址个数："), m_count);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {m_start, m_apply, m_cancel}) {
        button->setMinimumWidth(90);
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(m_findings, 1);
    layout->addLayout(buttons);

    m_following.setInterval(kFollowPeriodMs);
    connect(&m_following, &QTimer::timeout, this, &LineFinderDialog::follow);
    resize(420, 340);
}

void LineFinderDialog::start() {
    m_ended.reset();
    // The port tried is the one the link is on now: the findings hold for it alone.
    const int port = m_station.link().settings().portChoice;
    const std::string device = m_station.link().snapshot().devicePath;
    // An earlier run's outcome, come late, is not this run's end.
    const unsigned serial = ++m_runs;
    m_run = m_station.submit({}, FindLine{m_first->value(), m_count->value()},
                             [this, serial](const Outcome& o) {
                                 if (serial == m_runs) {
                                     m_ended = o;
                                 }
                             });
    if (m_ended && m_ended->result == Result::Refused) {
        // Refused at once: a network port, the link closed or busy, drives connected.
        m_run = 0;
        m_messages.notify(std::exchange(m_ended, std::nullopt)->message, std::string(kInfoCaption));
        return;
    }
    m_foundPort = port;
    m_foundDevice = device;
    m_found.clear();
    m_findings->clear();
    m_apply->setEnabled(false);
    m_start->setEnabled(false);
    m_progress->setValue(0);
    m_status->setText(tr("等待通讯空闲..."));
    m_following.start();
}

void LineFinderDialog::cancel() {
    if (!running()) {
        close();
        return;
    }
    m_station.cancel(m_run);
}

void LineFinderDialog::takeFindings(const std::vector<FoundLine>& found, std::size_t complete) {
    if (complete != m_found.size() && complete <= found.size()) {
        m_found.assign(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(complete));
        showFindings();
    }
}

void LineFinderDialog::follow() {
    // The run's outcome, if it has come since the last pass.
    m_station.takeOutcomes();
    if (!m_ended) {
        const FinderProgress progress = m_station.link().snapshot().finder;
        takeFindings(progress.found, progress.completeLines);
        const std::size_t setting = progress.settingIndex;
        if (progress.running && setting < kLineChoiceCount) {
            m_progress->setValue(static_cast<int>(setting));
            m_status->setText(tr("正在试验 %1（%2/%3）")
                                  .arg(toQString(lineChoiceText(lineChoicesToTry()[setting])))
                                  .arg(setting + 1)
                                  .arg(kLineChoiceCount));
        }
        return;
    }
    const Outcome ended = std::exchange(m_ended, std::nullopt).value();
    m_run = 0;
    const bool cancelled = ended.cancelReason == CancelReason::ByCaller;
    const bool failed = ended.result != Result::Confirmed && !cancelled;
    takeFindings(ended.lines, ended.lines.size());
    m_following.stop();
    m_start->setEnabled(true);
    // The first finding is already chosen while the run goes on; it may be applied now.
    m_apply->setEnabled(m_findings->currentRow() >= 0);
    m_progress->setValue(cancelled ? m_progress->value() : m_progress->maximum());
    if (failed) {
        m_status->setText(tr("检测未能完成。"));
        if (!ended.message.empty()) {
            // The run ended on the tick, not at the operator's hand: nothing waits.
            m_messages.notify(ended.message, std::string(kInfoCaption));
        }
    } else if (!m_found.empty()) {
        m_status->setText(
            tr("在 %1 种设置下有变频器应答。选中一种后按“应用所选参数”。").arg(m_found.size()));
    } else {
        m_status->setText(cancelled ? tr("检测已取消，没有变频器应答。")
                                    : tr("在任何设置下都没有变频器应答。"));
    }
}

void LineFinderDialog::showFindings() {
    m_findings->clear();
    for (const FoundLine& found : m_found) {
        QStringList names;
        for (const std::string& name : found.names) {
            names.append(toQString(name));
        }
        m_findings->addItem(toQString(lineChoiceText(found.line)) + QStringLiteral("    ") +
                            names.join(tr("，")));
    }
    if (!m_found.empty()) {
        m_findings->setCurrentRow(0);
    }
}

void LineFinderDialog::applySelected() {
    const int row = m_findings->currentRow();
    if (running() || row < 0 || row >= static_cast<int>(m_found.size()) ||
        !m_station.engineerAllowed()) {
        return;
    }
    const LineChoice line = m_found[static_cast<std::size_t>(row)].line;
    const LinkSettings current = m_station.link().settings();
    const std::string device = m_station.link().snapshot().devicePath;
    if (current.portChoice != m_foundPort || device != m_foundDevice) {
        m_messages.notify(tr("该结果是在 %1上检测到的，当前端口为 %2，不能应用。"
                             "请在当前端口上重新检测通讯参数。")
                              .arg(qtText(portText(m_foundPort, m_foundDevice)),
                                   qtText(portText(current.portChoice, device)))
                              .toStdString(),
                          std::string(kInfoCaption));
        return;
    }
    LinkSettings settings = current;
    settings.applyChoices(settings.portChoice, line.baud, line.parity, line.dataBits,
                          line.stopBits);
    settings.settingsChanged = true;
    m_guard.request(
        [this, current, settings, line] {
            m_station.link().setSettings(settings);
            m_station.logAction({}, "通讯参数更改", lineSettingsText(current),
                                lineSettingsText(settings));
            m_status->setText(tr("已应用 %1。").arg(toQString(lineChoiceText(line))));
            Q_EMIT settingsApplied();
        },
        lineDiffers(current, settings));
}

void LineFinderDialog::closeEvent(QCloseEvent* event) {
    // A run under way is cancelled: the link returns to its own settings.
    if (running()) {
        m_station.cancel(m_run);
    }
    QDialog::closeEvent(event);
}

} // namespace velkaro
