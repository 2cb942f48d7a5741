#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/requests.h"
#include "ui/amend_dialog.h"

class QComboBox;
class QLabel;
class QTableWidget;
class QWidget;

namespace velkaro {

class OperatorMessages;
class StationLink;
class XpButton;

/// The parameter management panel: a group selector, the list of the selected
/// drive's parameters in that group with their current values, a click to read
/// a parameter's description, a double-click to change it through the amend
/// dialog, and "-> EEPROM". Descriptions come from the series catalogue; the
/// values are the panel's own, from the outcomes of its group reads and
/// parameter writes for the drive and group it shows.
class ParameterPanel : public QObject {
    Q_OBJECT
public:
    /// Creates the controls on `area` at their dialog-unit positions, hidden.
    /// `selectedName` gives the window's selected drive name.
    ParameterPanel(QWidget* area, StationLink& station, OperatorMessages& messages,
                   std::function<std::string()> selectedName);

    void setPanelVisible(bool visible);

    /// After the selected drive changed: the read still going for the drive
    /// left behind is cancelled and the values zeroed; with a drive selected
    /// refills the group selector, selects group 0 and reads it; the list is
    /// rebuilt at the next refresh.
    void selectionChanged();
    /// Reads the group shown again (after an import changed the drive).
    void readGroupAgain();
    /// Every 100 ms: rebuilds the list after a change of drive or group,
    /// otherwise rewrites only value cells whose text changed.
    void refreshParameterList();

    /// Group selector changed: selects the group and reads it; a read still
    /// going for another group gives way to it.
    void onGroupChanged(int index);
    /// Click: the parameter's description in the information text.
    void onParameterClick();
    /// Double-click: the amend dialog, then the one-parameter write.
    void onParameterDoubleClick();
    /// "-> EEPROM": asks the selected drive to store its parameters.
    void storeToEeprom();

    /// The group the list shows (-1 before any drive was selected).
    int shownGroup() const { return m_group; }
    /// The values the list shows, by row.
    const std::array<uint16_t, 100>& shownValues() const { return m_values; }
    /// A group read of the panel's has not ended yet.
    bool reading() const;

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
        Target drive;
        int group = 0;
        int row = 0;
        RegisterKind kind;
    };
    void writeParameter(const AmendTarget& target, const QString& newText);
    /// Reads group m_group of m_drive; the values arrive with its outcome.
    void requestRead();
    /// The values of `group` of `drive` as it holds them now, if the panel
    /// still shows that group of that drive.
    void takeValues(const Target& drive, int group, const std::vector<uint16_t>& words);

    QWidget* m_area;
    StationLink& m_station;
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
    Target m_drive; ///< the drive whose values the list shows
    int m_group = -1;
    std::array<uint16_t, 100> m_values{};
    RequestId m_readId = 0; ///< the group read going on, 0 if none
    int m_writeIndex = 0;   ///< row last clicked in the parameter list
};

} // namespace velkaro
