#pragma once

#include "files/parameter_compare.h"
#include "ui/comparison_window.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <string_view>

class QWidget;

namespace velkaro {

class OperatorMessages;
class StationLink;
struct Outcome;

/// Told when a report or comparison is asked for with no drive selected.
inline constexpr std::string_view kReadoutNoDrive = "请先选择一台变频器！";

/// The menu commands "参数报表..." and "参数对比...": read every parameter of
/// the selected drive and write it as a report, or compare the drive with a
/// report or ".sav" file, or two files with each other, in a comparison window.
class ParameterReportCommands : public QObject {
    Q_OBJECT
public:
    ParameterReportCommands(QWidget* window, StationLink& station, OperatorMessages& messages);

    /// Save dialog for the report ("参数报表(*.csv)"), then the whole-drive
    /// read; the file is written when the read has ended whole, else not at all.
    void reportParameters();
    /// Open dialog for one file (compared with the selected drive, after
    /// reading it) or two files (compared with each other); the result opens
    /// in the comparison window. A file of another series than the drive or
    /// the other file is refused with the wrong-model message.
    void compareParameters();

    /// The file dialogs return the chosen path(s), or nothing when cancelled.
    /// Tests replace them.
    void setSaveFileChooser(std::function<QString(const QString& suggested)> chooser) {
        m_chooseSaveFile = std::move(chooser);
    }
    void setOpenFilesChooser(std::function<QStringList()> chooser) {
        m_chooseOpenFiles = std::move(chooser);
    }
    /// The open comparison window, or null.
    ComparisonWindow* comparisonWindow() const { return m_comparison; }

private:
    enum class Pending { None, Report, Compare };

    /// Gives the link the readout of the selected drive for `what`.
    void startRead(Pending what);
    /// The readout has ended: the report written or the comparison shown, or
    /// the operator told why not.
    void readoutEnded(Pending what, const Outcome& outcome);
    /// Why a readout of the selected drive cannot start now; empty when it can.
    std::string readoutRefusal() const;
    void showComparison(const ParameterComparison& comparison, const QString& leftTitle,
                        const QString& rightTitle, const QString& leftSource,
                        const QString& rightSource);
    void tell(const std::string& text);
    QString runSaveDialog(const QString& suggested);
    QStringList runOpenDialog();

    QWidget* m_window;
    StationLink& m_station;
    OperatorMessages& m_messages;
    std::function<QString(const QString&)> m_chooseSaveFile;
    std::function<QStringList()> m_chooseOpenFiles;
    QString m_reportPath;
    ParameterSet m_compareWith;
    QString m_compareFile;
    QPointer<ComparisonWindow> m_comparison;
};

} // namespace velkaro
