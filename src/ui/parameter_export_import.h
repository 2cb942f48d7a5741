#pragma once

#include <string_view>

#include <QObject>
#include <QString>

#include <functional>

#include "files/parameter_file.h"

class QWidget;

namespace velkaro {

/// Told when an operation would start a second transfer, or rename or remove
/// the drive of the one running.
inline constexpr std::string_view kTransferUnderWay =
    "参数导入或导出正在进行，请等待其完成后再进行该操作！";
/// Told when an operation would start while a whole drive is being read.
inline constexpr std::string_view kReadoutUnderWay =
    "变频器参数读取正在进行，请等待其完成后再进行该操作！";

class OperatorMessages;
class StationLink;
struct Outcome;

/// The menu commands "参数导出" and "参数导入": choose a ".sav" file, then give
/// the link the whole-drive transfer of the selected drive. The export's file
/// is written here once the link hands over the image; what went wrong is
/// told without holding up the 100 ms pass.
class ParameterExportImport : public QObject {
    Q_OBJECT
public:
    ParameterExportImport(QWidget* window, StationLink& station, OperatorMessages& messages);

    /// Save dialog ("存储文件(*.sav)", asks before replacing); ".sav" is added
    /// to a name without extension; with a drive selected starts the export.
    void exportParameters();
    /// Open dialog; reads the file into the image first (a defective file is
    /// refused with nothing sent); refuses a running drive; else starts the import.
    void importParameters();

    /// The file dialogs return the chosen path, or an empty text when cancelled.
    /// Tests replace them.
    using FileChooser = std::function<QString()>;
    void setSaveFileChooser(FileChooser chooser) { m_chooseSaveFile = std::move(chooser); }
    void setOpenFileChooser(FileChooser chooser) { m_chooseOpenFile = std::move(chooser); }
    /// The group the parameter panel shows (-1: none): an import reads it back.
    void setShownGroup(std::function<int()> shownGroup) { m_shownGroup = std::move(shownGroup); }

    /// The export path for a chosen name: ".sav" added when the name has no extension.
    static QString withSavExtension(const QString& chosen);
    /// The image of the last file read or written.
    const ParameterImage& image() const { return m_image; }

Q_SIGNALS:
    /// An import has ended after writing into the drive.
    void imported();

private:
    QString runSaveDialog();
    QString runOpenDialog();
    /// Why no transfer can start now (a transfer or readout under way), or empty.
    std::string_view busyWith() const;
    void exportEnded(const std::string& path, const Outcome& outcome);
    void tell(const std::string& text);

    QWidget* m_window;
    StationLink& m_station;
    OperatorMessages& m_messages;
    FileChooser m_chooseSaveFile;
    FileChooser m_chooseOpenFile;
    std::function<int()> m_shownGroup = [] { return -1; };
    ParameterImage m_image{};
};

} // namespace velkaro
