#pragma once

#include <QObject>

#include <array>
#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QWidget;

namespace velkaro {

class CommandRequests;
class DriveLink;
class OperatorMessages;
class XpButton;

/// The motor control panel: jog boxes, the frequency given over the bus, the
/// six coloured programmable keys and their editor. It acts on the drive at
/// the link's `selectedSlot` by changing its `controlSet` or by raising
/// command requests; it never talks to the bus.
class MotorPanel : public QObject {
    Q_OBJECT
public:
    /// Key positions in a drive's `keyCodes`.
    enum KeyIndex : int { Red = 0, Green = 1, Blue = 2, Orange = 3, Yellow = 4, Purple = 5 };

    /// Creates the controls on `area` at their dialog-unit positions, hidden,
    /// with the key editor locked and the function list filled.
    MotorPanel(QWidget* area, DriveLink& link, OperatorMessages& messages,
               CommandRequests& requests);

    /// Shows the panel's controls (each key only unless its code hides it) or hides them.
    void setPanelVisible(bool visible);

    void onJogChanged();
    /// The selection left the drive at `slot` (known by its bus address): its
    /// jog bits are cleared, so it stops jogging, and both boxes are unticked.
    /// Nothing is changed when that slot now holds another drive.
    void releaseJog(int slot, const std::string& address);
    /// Enter in the window: the frequency edit into `controlSet[1]`. A value
    /// that does not fit a 16-bit register is refused and the previous one kept.
    void onFrequencyEntered();
    void onKeyPressed(int keyIndex);
    void onToggleKeyEdit();
    void onEditedKeyChanged();
    void onStoreKey();
    void onResetKeys();
    /// Captions and visibility of the keys from the selected drive's codes.
    void refreshKeys();
    /// Keeps the frequency edit in step with the drive's `controlSet[1]`.
    void followFrequency(int32_t controlSet1);
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
    int selectedSlot();
    int functionListSelectedRow() const;

    DriveLink& m_link;
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
    std::array<int32_t, 6> m_panelKeyCodes{};
    std::array<int32_t, 6> m_shownKeyCodes{};
    bool m_keyEditMode = false;
};

} // namespace velkaro
