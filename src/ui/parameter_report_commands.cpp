#include "files/parameter_report.h"
#include "link/drive_link.h"
#include "link/operator_messages.h"

#include "ui/parameter_report_commands.h"

#include "ui/comparison_window.h"

#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include <ctime>

namespace velkaro {

namespace {

constexpr int kPollMs = 100;

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

/// Why a readout of the selected drive cannot start now; empty when it can.
std::string readoutRefusal(const LinkState& s) {
    if (s.readout.running()) {
        return std::string(kReadoutUnderWay);
    }
    if (s.selectedSlot < 0 || s.selectedSlot >= kMaxDrives ||
        s.table.slots[static_cast<std::size_t>(s.selectedSlot)].name.empty()) {
        return std::string(kReadoutNoDrive);
    }
    return {};
}

} // namespace

ParameterReportCommands::ParameterReportCommands(QWidget* window, DriveLink& link,
                                                 OperatorMessages& messages)
    : QObject(window), m_window(window), m_link(link), m_messages(messages),
      m_chooseSaveFile([this](const QString& suggested) { return runSaveDialog(suggested); }),
      m_chooseOpenFiles([this] { return runOpenDialog(); }) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &ParameterReportCommands::collectReadout);
}

void ParameterReportCommands::tell(const std::string& text) {
    m_messages.show(text, std::string(kInfoCaption));
}

QString ParameterReportCommands::runSaveDialog(const QString& suggested) {
    QFileDialog dialog(m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("参数报表(*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

QStringList ParameterReportCommands::runOpenDialog() {
    QFileDialog dialog(
        m_window, QStringLiteral("参数对比：选一个文件与选中的变频器对比，或选两个文件相互对比"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(
        {QStringLiteral("参数报表或存储文件(*.csv *.sav)"), QStringLiteral("所有文件(*)")});
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

void ParameterReportCommands::reportParameters() {
    std::string refusal;
    QString suggested;
    {
        auto state = m_link.lock();
        refusal = readoutRefusal(*state);
        if (refusal.empty()) {
            suggested =
                fromStd(state->table.slots[static_cast<std::size_t>(state->selectedSlot)].name) +
                QLatin1Char('-') + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                QStringLiteral(".csv");
        }
    }
    if (!refusal.empty()) {
        tell(refusal);
        return;
    }
    const QString chosen = m_chooseSaveFile(suggested);
    if (chosen.isEmpty()) {
        return;
    }
    m_reportPath = chosen;
    startRead(Pending::Report);
}

void ParameterReportCommands::compareParameters() {
    const QStringList files = m_chooseOpenFiles();
    if (files.isEmpty()) {
        return;
    }
    if (files.size() > 2) {
        tell("请选择一个文件与变频器对比，或两个文件相互对比。");
        return;
    }
    std::vector<ParameterSet> sets;
    for (const QString& file : files) {
        std::string error;
        std::optional<ParameterSet> set = loadParameterSet(file.toStdString(), error);
        if (!set) {
            tell(error);
            return;
        }
        sets.push_back(std::move(*set));
    }
    if (files.size() == 2) {
        const ParameterComparison result = velkaro::compareParameters(sets[0], sets[1]);
        if (!result.ok) {
            tell(result.error);
            return;
        }
        showComparison(result, QFileInfo(files[0]).fileName(), QFileInfo(files[1]).fileName(),
                       files[0], files[1]);
        return;
    }
    std::string refusal;
    {
        auto state = m_link.lock();
        refusal = readoutRefusal(*state);
        if (refusal.empty() &&
            state->table.slots[static_cast<std::size_t>(state->selectedSlot)].series !=
                sets[0].series) {
            refusal = std::string(kWrongModelMessage); // nothing to read for
        }
    }
    if (!refusal.empty()) {
        tell(refusal);
        return;
    }
    m_compareWith = std::move(sets[0]);
    m_compareFile = files[0];
    startRead(Pending::Compare);
}

bool ParameterReportCommands::startRead(Pending what) {
    std::string refusal;
    {
        auto state = m_link.lock();
        refusal = startReadout(*state);
        m_serial = state->readout.serial;
    }
    if (!refusal.empty()) {
        tell(refusal);
        return false;
    }
    m_pending = what;
    m_poll.start();
    return true;
}

void ParameterReportCommands::collectReadout() {
    if (m_pending == Pending::None) {
        m_poll.stop();
        return;
    }
    ParameterReport report;
    {
        auto state = m_link.lock();
        const DriveReadout& r = state->readout;
        if (r.serial == m_serial && r.running()) {
            return;
        }
        // Ended, or replaced by another start: a failure has told the operator.
        if (r.serial == m_serial && r.phase == ReadoutPhase::Complete) {
            report = readoutReport(r, reportTimeText(std::time(nullptr)));
        }
    }
    const Pending what = std::exchange(m_pending, Pending::None);
    m_poll.stop();
    if (report.words.empty()) {
        return;
    }
    if (what == Pending::Report) {
        const ReportFileResult written = writeParameterReport(m_reportPath.toStdString(), report);
        if (!written.ok) {
            tell(written.message);
        }
        return;
    }
    const ParameterComparison result =
        velkaro::compareParameters(parameterSetOf(report), m_compareWith);
    if (!result.ok) {
        tell(result.error);
        return;
    }
    showComparison(result, fromStd(report.driveName), QFileInfo(m_compareFile).fileName(),
                   fromStd(report.driveName + "（变频器，读取于 " + report.readTime + "）"),
                   m_compareFile);
}

void ParameterReportCommands::showComparison(const ParameterComparison& comparison,
                                             const QString& leftTitle, const QString& rightTitle,
                                             const QString& leftSource,
                                             const QString& rightSource) {
    if (m_comparison) {
        m_comparison->close();
    }
    m_comparison = new ComparisonWindow(m_window, m_messages, comparison, leftTitle, rightTitle,
                                        leftSource, rightSource);
    m_comparison->setAttribute(Qt::WA_DeleteOnClose);
    m_comparison->show();
    m_comparison->raise();
}

} // namespace velkaro
