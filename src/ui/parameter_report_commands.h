#pragma once

#include "files/parameter_compare.h"
#include "ui/comparison_window.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

namespace velkaro {

class DriveLink;
class OperatorMessages;

/// The menu commands "参数报表..." and "参数对比...": read every parameter of
/// the selected drive and write it as a report, or compare the drive with a
/// report or ".sav" file, or two files with each other, in a comparison window.
class ParameterReportCommands : public QObject {
    Q_OBJECT
public:
    ParameterReportCommands(QWidget* window, DriveLink& link, OperatorMessages& messages);

    /// Save dialog for the report ("参数报表(*.csv)"), then the whole-drive
    /// read; the file is written when the read has ended whole, else not at all.
    void reportParameters();
    /// Open dialog for one file (compared with the selected drive, after
    /// reading it) or two files (compared with each other); the result opens
    /// in the comparison window. A file of another series than the drive or
    /// the other file is refused with the wrong-model message.
    void compareParameters();
    /// Takes the readout this object started once it has ended (its own timer
    /// calls it every 100 ms while one runs).
    void collectReadout();

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

    /// Starts the readout for `what`; false when refused (the operator is told).
    bool startRead(Pending what);
    void showComparison(const ParameterComparison& comparison, const QString& leftTitle,
                        const QString& rightTitle, const QString& leftSource,
                        const QString& rightSource);
    void tell(const std::string& text);
    QString runSaveDialog(const QString& suggested);
    QStringList runOpenDialog();

    QWidget* m_window;
    DriveLink& m_link;
    OperatorMessages& m_messages;
    std::function<QString(const QString&)> m_chooseSaveFile;
    std::function<QStringList()> m_chooseOpenFiles;
    QTimer m_poll;
    Pending m_pending = Pending::None;
    unsigned m_serial = 0;
    QString m_reportPath;
    ParameterSet m_compareWith;
    QString m_compareFile;
    QPointer<ComparisonWindow> m_comparison;
};

} // namespace velkaro
