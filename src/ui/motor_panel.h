#pragma once

#include <QObject>

#include <array>
#include <cstdint>
#include <string>

#include "link/requests.h"
#include "registry/drive_table.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QWidget;

namespace velkaro {

class CommandRequests;
class OperatorMessages;
class StationLink;
class XpButton;

/// The motor control panel: jog boxes, the frequency given over the bus, the
/// six coloured programmable keys and their editor. It acts on the selected
/// drive by giving the link commands for it or by raising command requests;
/// the keys' assignment is the window's own, per drive.
class MotorPanel : public QObject {
    Q_OBJECT
public:
    /// Key positions in a drive's `keyCodes`.
    enum KeyIndex : int { Red = 0, Green = 1, Blue = 2, Orange = 3, Yellow = 4, Purple = 5 };

    /// Creates the controls on `area` at their dialog-unit positions, hidden,
    /// with the key editor locked and the function list filled.
    MotorPanel(QWidget* area, StationLink& station, OperatorMessages& messages,
               CommandRequests& requests);

    /// Shows the panel's controls (each key only unless its code hides it) or hides them.
    void setPanelVisible(bool visible);

    /// A jog box clicked: the selected drive gets the command word with its
    /// jog bits as the boxes say.
    void onJogChanged();
    /// The selection left the drive `previous`: when its command word has jog
    /// bits, it gets the word without them, so it stops jogging; both boxes
    /// are unticked. Nothing goes out when that slot now holds a drive at
    /// another bus address.
    void releaseJog(const Target& previous);
    /// Unticks both jog boxes without giving the drive anything.
    void clearJogBoxes();
    /// Enter in the window: the frequency edit given to the selected drive. A
    /// value that does not fit a 16-bit register is refused and the previous
    /// one kept.
    void onFrequencyEntered();
    void onKeyPressed(int keyIndex);
    void onToggleKeyEdit();
    void onEditedKeyChanged();
    void onStoreKey();
    void onResetKeys();
    /// Captions and visibility of the keys from the selected drive's codes.
    void refreshKeys();
    /// Keeps the frequency edit in step with the frequency given to the
    /// selected drive (0.01 Hz).
    void followFrequency(int32_t frequency);
    /// followFrequency() of the frequency the selected drive is given.
    void followSelectedFrequency() { followFrequency(frequencyShown()); }
    /// The key codes of the drive in `slot` (red, green, blue, orange, yellow,
    /// purple); the defaults for a drive the panel has not seen there yet.
    std::array<int32_t, 6> keyCodes(int slot);
    /// The drive in `slot` was renamed: it keeps its key codes.
    void driveRenamed(int slot, const std::string& newName);
    /// The drive in `slot` left the table: a drive joining there later
    /// starts with the default keys.
    void forgetKeys(int slot);
    /// Writes the panel's values (frequency text, jog boxes) into its controls.
    void pushValues();

    bool jogForward() const { return m_jogForward; }
    bool jogReverse() const { return m_jogReverse; }
    const std::string& frequencyText() const { return m_frequencyText; }
    bool keyEditMode() const { return m_keyEditMode; }

    /// Command word after a jog box click: both ticked clears bits 8 and 9;
    /// otherwise forward sets 0x011E or clears bit 8, then reverse sets
    /// 0x021E or clears bit 9.
    static int32_t jogWord(int32_t word, bool forward, bool reverse);
    /// `keyCodes` position of the key chosen in the editor's combo (blue first).
    static int keyIndexOfEditedKey(int editedKey);

    QCheckBox* forwardJogBox() const { return m_jogForwardBox; }
    QCheckBox* reverseJogBox() const { return m_jogReverseBox; }
    QLineEdit* frequencyEdit() const { return m_frequencyEdit; }
    XpButton* key(int keyIndex) const { return m_keys[static_cast<std::size_t>(keyIndex)]; }
    XpButton* editSwitch() const { return m_editSwitch; }
    QComboBox* keyCombo() const { return m_keyCombo; }
    QTreeWidget* functionList() const { return m_functionList; }
    XpButton* storeButton() const { return m_storeButton; }
    XpButton* resetButton() const { return m_resetButton; }

private:
    /// The frequency the selected drive is given: the one still going out to
    /// it, else what the link holds for it (0.01 Hz).
    int32_t frequencyShown() const;
    /// The keys of the drive in one slot, and which drive they belong to.
    struct DriveKeys {
        std::string name;
        std::string address;
        std::array<int32_t, 6> codes{};
    };
    int functionListSelectedRow() const;
    /// The key set of the drive now in `slot` (reset when another drive is
    /// there); null for a free slot.
    DriveKeys* keysOf(int slot);

    StationLink& m_station;
    OperatorMessages& m_messages;
    CommandRequests& m_requests;

    std::array<QGroupBox*, 3> m_frames{};
    QCheckBox* m_jogForwardBox = nullptr;
    QCheckBox* m_jogReverseBox = nullptr;
    QLabel* m_frequencyLabel = nullptr;
    QLineEdit* m_frequencyEdit = nullptr;
    XpButton* m_enterButton = nullptr;
    std::array<XpButton*, 6> m_keys{};
    XpButton* m_editSwitch = nullptr;
    QLabel* m_editLabel = nullptr;
    QComboBox* m_keyCombo = nullptr;
    QTreeWidget* m_functionList = nullptr;
    XpButton* m_storeButton = nullptr;
    XpButton* m_resetButton = nullptr;

    bool m_jogForward = false;
    bool m_jogReverse = false;
    std::string m_frequencyText;
    std::array<DriveKeys, kMaxDrives> m_driveKeys{};
    std::array<int32_t, 6> m_panelKeyCodes{};
    std::array<int32_t, 6> m_shownKeyCodes{};
    bool m_keyEditMode = false;
};

} // namespace velkaro
