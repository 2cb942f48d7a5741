#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/amend_dialog.h"

class QComboBox;
class QLabel;
class QTableWidget;
class QWidget;

namespace velkaro {

class DriveLink;
class OperatorMessages;
class XpButton;

/// The parameter management panel: a group selector, the list of the selected
/// drive's parameters in that group with their current values, a click to read
/// a parameter's description, a double-click to change it through the amend
/// dialog, and "-> EEPROM". It holds no parameter data: descriptions come from
/// the series catalogue, values from the link's `groupValues`.
class ParameterPanel : public QObject {
    Q_OBJECT
public:
    /// Creates the controls on `area` at their dialog-unit positions, hidden.
    /// `selectedName` gives the window's selected drive name.
    ParameterPanel(QWidget* area, DriveLink& link, OperatorMessages& messages,
                   std::function<std::string()> selectedName);

    void setPanelVisible(bool visible);

    /// After the selected drive changed: zeroes `groupValues`; with a drive
    /// selected refills the group selector, selects group 0 and asks for its
    /// read; the list is rebuilt at the next refresh.
    void selectionChanged();
    /// Every 100 ms: rebuilds the list after a change of drive or group,
    /// otherwise rewrites only value cells whose text changed.
    void refreshParameterList();

    /// Group selector changed: selects the group and asks for its read.
    void onGroupChanged(int index);
    /// Click: the parameter's description in the information text.
    void onParameterClick();
    /// Double-click: the amend dialog, then the one-parameter write.
    void onParameterDoubleClick();
    /// "-> EEPROM": asks the selected drive to store its parameters.
    void storeToEeprom();

    /// Code, name, "  可设置范围：", range, one space, description; empty
    /// outside the catalogue.
    static QString parameterInfoText(std::string_view series, int group, int row);

    /// Runs the amend dialog and returns its result (QDialog::Accepted or
    /// Rejected); exec() unless a test replaces it.
    void setAmendRunner(std::function<int(AmendDialog&)> runner);

    QComboBox* groupSelector() const { return m_groupSelector; }
    QTableWidget* parameterList() const { return m_list; }
    QLabel* informationText() const { return m_info; }
    XpButton* eepromButton() const { return m_eepromButton; }

private:
    void rebuildRows(std::string_view series, int group, const std::array<uint16_t, 100>& values);
    void updateValueCells(std::string_view series, int group,
                          const std::array<uint16_t, 100>& values);
    int listSelectedRow() const;
    QString cellText(int row, int column) const;
    /// The parameter an amend dialog was opened on.
    struct AmendTarget {
        int slot = -1;
        std::string driveName;
        int group = 0;
        int row = 0;
        RegisterKind kind;
    };
    void writeParameter(const AmendTarget& target, const QString& newText);

    QWidget* m_area;
    DriveLink& m_link;
    OperatorMessages& m_messages;
    std::function<std::string()> m_selectedName;
    std::function<int(AmendDialog&)> m_runAmend;

    QLabel* m_instruction = nullptr;
    QComboBox* m_groupSelector = nullptr;
    QTableWidget* m_list = nullptr;
    XpButton* m_eepromButton = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_info = nullptr;

    bool m_rebuildParameterList = false;
    QString m_amendNewText;
};

} // namespace velkaro
