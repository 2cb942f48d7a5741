#include "files/parameter_file.h"
#include "link/operator_messages.h"

#include "ui/parameter_export_import.h"
#include "ui/station_link.h"

#include <QFileDialog>
#include <QFileInfo>

namespace velkaro {

namespace {

const std::string kCaption(kInfoCaption);

} // namespace

ParameterExportImport::ParameterExportImport(QWidget* window, StationLink& station,
                                             OperatorMessages& messages)
    : QObject(window), m_window(window), m_station(station), m_messages(messages),
      m_chooseSaveFile([this] { return runSaveDialog(); }),
      m_chooseOpenFile([this] { return runOpenDialog(); }) {}

QString ParameterExportImport::withSavExtension(const QString& chosen) {
    if (QFileInfo(chosen).suffix().isEmpty())
        return chosen + QStringLiteral(".sav");
    return chosen;
}

QString ParameterExportImport::runSaveDialog() {
    QFileDialog dialog(m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(tr("存储文件(*.sav)"));
    // The suffix is added before the dialog asks about replacing, so the
    // question concerns the file that will really be written.
    dialog.setDefaultSuffix(QStringLiteral("sav"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString ParameterExportImport::runOpenDialog() {
    QFileDialog dialog(m_window);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({tr("存储文件(*.sav)"), tr("存储文件(*.*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

std::string_view ParameterExportImport::busyWith() const {
    if (m_station.readoutPending())
        return kReadoutUnderWay;
    return m_station.transferBusy() ? kTransferUnderWay : std::string_view();
}

void ParameterExportImport::tell(const std::string& text) {
    // Told from an outcome, on the 100 ms pass or after it: nothing waits.
    m_messages.notify(text, kCaption);
}

void ParameterExportImport::exportParameters() {
    const QString chosen = m_chooseSaveFile();
    if (chosen.isEmpty())
        return;
    const std::string path = withSavExtension(chosen).toStdString();
    // A second transfer would redirect the running export's file or restart it.
    if (const std::string_view busy = busyWith(); !busy.empty()) {
        m_messages.notify(std::string(busy), kCaption);
        return;
    }
    const Target drive = m_station.selectedTarget();
    if (drive.slot < 0)
        return;
    m_station.submit(drive, Export{path}, [this, path](const Outcome& o) { exportEnded(path, o); });
}

void ParameterExportImport::exportEnded(const std::string& path, const Outcome& outcome) {
    if (!outcome.confirmed() || !outcome.image) {
        if (!outcome.message.empty())
            tell(outcome.message);
        return;
    }
    m_image = *outcome.image;
    // The file carries the length in its header; so does the image afterwards.
    const ParameterFileResult written = writeParameterFile(path, m_image, outcome.imageLength);
    if (!written.ok)
        tell(written.message);
}

void ParameterExportImport::importParameters() {
    if (!m_station.engineerAllowed())
        return;
    const QString chosen = m_chooseOpenFile();
    if (chosen.isEmpty())
        return;
    const std::string path = chosen.toStdString();

    // A second transfer would overwrite the image the running one is using.
    if (const std::string_view busy = busyWith(); !busy.empty()) {
        m_messages.notify(std::string(busy), kCaption);
        return;
    }
    ParameterImage image = m_image;
    const ParameterFileResult read = readParameterFile(path, image);
    if (!read.ok) {
        m_messages.notify(read.message, kCaption);
        return;
    }
    // The image holds the file even when the import goes no further.
    m_image = image;
    const Target target = m_station.selectedTarget();
    const DriveRecord* drive = m_station.selectedDrive();
    if (target.slot < 0 || drive == nullptr)
        return;
    if ((drive->status[0] & status_bit::kRunning) != 0) {
        m_messages.notify(tr("请停机后再进行该操作！").toStdString(), kCaption);
        return;
    }
    m_station.submit(target, Import{m_image, m_shownGroup(), path}, [this](const Outcome& o) {
        if (!o.confirmed() && !o.message.empty())
            tell(o.message);
        if (o.confirmed() || o.writtenRegisters > 0)
            Q_EMIT imported();
    });
}

} // namespace velkaro
