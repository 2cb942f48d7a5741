#pragma once

#include <string_view>

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace velkaro {

/// Told when an operation would start a second transfer, or rename or remove
/// the drive of the one running.
inline constexpr std::string_view kTransferUnderWay =
    "参数导入或导出正在进行，请等待其完成后再进行该操作！";

class DriveLink;
class OperatorMessages;

/// The menu commands "参数导出" and "参数导入": choose a ".sav" file, then hand
/// the whole-drive transfer of the selected drive to the link.
class ParameterTransfer : public QObject {
    Q_OBJECT
public:
    ParameterTransfer(QWidget* window, DriveLink& link, OperatorMessages& messages);

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

    /// The export path for a chosen name: ".sav" added when the name has no extension.
    static QString withSavExtension(const QString& chosen);

private:
    QString runSaveDialog();
    QString runOpenDialog();

    QWidget* m_window;
    DriveLink& m_link;
    OperatorMessages& m_messages;
    FileChooser m_chooseSaveFile;
    FileChooser m_chooseOpenFile;
};

} // namespace velkaro
