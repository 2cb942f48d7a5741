#include "files/parameter_report.h"
#include "link/drive_readout.h"
#include "link/operator_messages.h"

#include "ui/parameter_report_commands.h"

#include "ui/comparison_window.h"
#include "ui/parameter_export_import.h"
#include "ui/station_link.h"

#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include <ctime>

namespace velkaro {

namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

ParameterReportCommands::ParameterReportCommands(QWidget* window, StationLink& station,
                                                 OperatorMessages& messages)
    : QObject(window), m_window(window), m_station(station), m_messages(messages),
      m_chooseSaveFile([this](const QString& suggested) { return runSaveDialog(suggested); }),
      m_chooseOpenFiles([this] { return runOpenDialog(); }) {}

std::string ParameterReportCommands::readoutRefusal() const {
    if (m_station.readoutPending()) {
        return std::string(kReadoutUnderWay);
    }
    if (m_station.selectedDrive() == nullptr) {
        return std::string(kReadoutNoDrive);
    }
    return {};
}

void ParameterReportCommands::tell(const std::string& text) {
    m_messages.notify(text, std::string(kInfoCaption));
}

QString ParameterReportCommands::runSaveDialog(const QString& suggested) {
    QFileDialog dialog(m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(tr("参数报表(*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

QStringList ParameterReportCommands::runOpenDialog() {
    QFileDialog dialog(m_window,
                       tr("参数对比：选一个文件与选中的变频器对比，或选两个文件相互对比"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({tr("参数报表或存储文件(*.csv *.sav)"), tr("所有文件(*)")});
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

void ParameterReportCommands::reportParameters() {
    if (const std::string refusal = readoutRefusal(); !refusal.empty()) {
        tell(refusal);
        return;
    }
    const QString suggested = fromStd(m_station.selectedDrive()->name) + QLatin1Char('-') +
                              QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                              QStringLiteral(".csv");
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
        tell(tr("请选择一个文件与变频器对比，或两个文件相互对比。").toStdString());
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
    std::string refusal = readoutRefusal();
    if (refusal.empty() && m_station.selectedDrive()->series != sets[0].series) {
        refusal = std::string(kWrongModelMessage); // nothing to read for
    }
    if (!refusal.empty()) {
        tell(refusal);
        return;
    }
    m_compareWith = std::move(sets[0]);
    m_compareFile = files[0];
    startRead(Pending::Compare);
}

void ParameterReportCommands::startRead(Pending what) {
    // Refused at once (a transfer under way, a series without catalogue) or
    // ended later; either way the outcome says what to do.
    m_station.submit(m_station.selectedTarget(), Readout{},
                     [this, what](const Outcome& o) { readoutEnded(what, o); });
}

void ParameterReportCommands::readoutEnded(Pending what, const Outcome& outcome) {
    // The outcome may come on the 100 ms pass: told without holding it up.
    const auto notify = [this](const std::string& text) {
        m_messages.notify(text, std::string(kInfoCaption));
    };
    if (!outcome.confirmed()) {
        if (!outcome.message.empty()) {
            notify(outcome.message);
        }
        return;
    }
    const ParameterReport report = readoutReport(outcome, reportTimeText(std::time(nullptr)));
    if (report.words.empty()) {
        return;
    }
    if (what == Pending::Report) {
        const ReportFileResult written = writeParameterReport(m_reportPath.toStdString(), report);
        if (!written.ok) {
            notify(written.message);
        }
        return;
    }
    const ParameterComparison result =
        velkaro::compareParameters(parameterSetOf(report), m_compareWith);
    if (!result.ok) {
        notify(result.error);
        return;
    }
    showComparison(
        result, fromStd(report.driveName), QFileInfo(m_compareFile).fileName(),
        tr("%1（变频器，读取于 %2）").arg(fromStd(report.driveName), fromStd(report.readTime)),
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
