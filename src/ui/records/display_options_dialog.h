#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "records/display_options.h"

class QComboBox;
class QLineEdit;

namespace velkaro {

class OperatorMessages;
class XpButton;

/// "显示属性": edits the display options. Opens with the current numbers and
/// the list "ALL" + the connected drive names, always on "ALL", and the
/// station's name. "确定" checks the fields in the order window (1..72 h),
/// interval (1..120 s), storage (12..72 h), station name; the first field
/// that fails is named to the operator with its range or rule, gets the
/// focus, and nothing changes. When all pass every setting is applied at once,
/// a changed station name is kept for later runs, and the dialog closes.
/// Closing it any other way changes nothing. A name given on the command line
/// is shown and cannot be changed here. A language other than the one shown
/// is kept for the next start (the windows are not rebuilt).
class DisplayOptionsDialog : public QDialog {
    Q_OBJECT
public:
    DisplayOptionsDialog(QWidget* parent, DisplayOptions& options,
                         std::vector<std::string> connectedNames, OperatorMessages& messages);

    // Controls, for tests.
    QLineEdit* windowField() const { return m_window; }     ///< 1092, hours
    QLineEdit* intervalField() const { return m_interval; } ///< 1088, seconds
    QLineEdit* storageField() const { return m_storage; }   ///< 1089, hours
    QComboBox* driveList() const { return m_drives; }       ///< 1090
    QLineEdit* stationField() const { return m_station; }   ///< 站名
    QComboBox* languageList() const { return m_language; }  ///< 语言, kept for the next start
    XpButton* confirmButton() const { return m_confirm; }   ///< "确定"

private:
    void confirm();
    bool readField(QLineEdit* field, uint32_t minimum, uint32_t maximum, uint32_t& value);
    bool readStation(std::string& name);
    QLineEdit* addNumberField(int y, const QString& label, const QString& unit);

    DisplayOptions& m_options;
    std::vector<std::string> m_names;
    OperatorMessages& m_messages;
    QLineEdit* m_window = nullptr;
    QLineEdit* m_interval = nullptr;
    QLineEdit* m_storage = nullptr;
    QComboBox* m_drives = nullptr;
    QLineEdit* m_station = nullptr;
    QComboBox* m_language = nullptr;
    XpButton* m_confirm = nullptr;
};

} // namespace velkaro
