#include "link/operator_messages.h"
#include "registry/command_and_line_names.h"
#include "registry/fixed_point.h"
#include "registry/language.h"
#include "widgets/qt_text.h"

#include "ui/command_requests.h"
#include "ui/motor_panel.h"
#include "ui/station_link.h"
#include "widgets/dialog_units.h"
#include "widgets/skinned_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include <cmath>

namespace velkaro {

namespace {

constexpr int32_t kHiddenCode = 8;
constexpr int32_t kForwardJogBit = 0x0100;
constexpr int32_t kReverseJogBit = 0x0200;
constexpr int32_t kHighestFrequency = 65535; // 655.35 Hz

const QColor kEditorButtonColour(162, 189, 252);
const QColor kEnterButtonColour(210, 189, 180);

struct KeyLook {
    MotorPanel::KeyIndex index;
    QColor colour;
    int x;
    int y;
};
// In the order the panel shows and refreshes them: blue, green, red, orange, yellow, purple.
const std::array<KeyLook, 6> kKeyLooks{{
    {MotorPanel::Blue, QColor(0, 153, 185), 102, 211},
    {MotorPanel::Green, QColor(0, 138, 83), 180, 211},
    {MotorPanel::Red, QColor(209, 23, 3), 258, 211},
    {MotorPanel::Orange, QColor(224, 143, 7), 102, 239},
    {MotorPanel::Yellow, QColor(173, 173, 0), 180, 239},
    {MotorPanel::Purple, QColor(185, 0, 165), 258, 239},
}};

XpButton* createButton(QWidget* area, const QString& caption, const QColor& colour,
                       const QRect& r) {
    auto* button = new XpButton(caption, area);
    button->setBackgroundColor(colour);
    button->setHoverColor(SkinnedButton::defaultHoverColor());
    button->setGeometry(r);
    button->setFocusPolicy(Qt::TabFocus);
    button->hide();
    return button;
}

} // namespace

MotorPanel::MotorPanel(QWidget* area, StationLink& station, OperatorMessages& messages,
                       CommandRequests& requests)
    : QObject(area), m_station(station), m_messages(messages), m_requests(requests) {
    const DialogUnits du(area->font());

    // Frames first so the controls drawn over them stay on top.
    const std::array<QRect, 3> frameRects{du.rect(5, 39, 82, 233), du.rect(92, 136, 242, 51),
                                          du.rect(92, 201, 241, 59)};
    for (std::size_t i = 0; i < m_frames.size(); ++i) {
        m_frames[i] = new QGroupBox(area);
        m_frames[i]->setGeometry(frameRects[i]);
        m_frames[i]->hide();
    }

    m_editSwitch = createButton(area, tr("使能编辑"), kEditorButtonColour, du.rect(14, 52, 64, 15));
    m_editLabel = new QLabel(tr("编辑对象："), area);
    m_editLabel->setGeometry(du.rect(14, 76, 64, 10));
    m_editLabel->hide();
    m_keyCombo = new QComboBox(area);
    m_keyCombo->setGeometry(du.rect(14, 88, 64, 14));
    m_keyCombo->addItems({tr("蓝色按钮"), tr("绿色按钮"), tr("红色按钮"), tr("橙色按钮"),
                          tr("黄色按钮"), tr("紫色按钮")});
    m_keyCombo->setCurrentIndex(0);
    m_keyCombo->hide();

    m_functionList = new QTreeWidget(area);
    m_functionList->setGeometry(du.rect(14, 108, 64, 116));
    m_functionList->setRootIsDecorated(false);
    m_functionList->setHeaderLabels({tr("功能列表")});
    m_functionList->setColumnWidth(0, static_cast<int>(std::lround(75 * du.x(4) / 6.0)));
    m_functionList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_functionList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_functionList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (const std::string_view name : commandNames) {
        new QTreeWidgetItem(m_functionList,
                            QStringList{qtText(translated("CommandNames", name.data()))});
    }
    QTreeWidgetItem* last = m_functionList->topLevelItem(m_functionList->topLevelItemCount() - 1);
    m_functionList->setCurrentItem(last);
    last->setSelected(true);
    m_functionList->hide();

    m_storeButton = createButton(area, tr("确定"), kEditorButtonColour, du.rect(14, 232, 64, 15));
    m_resetButton =
        createButton(area, tr("初始化按键"), kEditorButtonColour, du.rect(14, 251, 64, 15));

    m_jogForwardBox = new QCheckBox(tr("正向点动"), area);
    m_jogForwardBox->setGeometry(du.rect(104, 148, 60, 12));
    m_jogForwardBox->hide();
    m_jogReverseBox = new QCheckBox(tr("反向点动"), area);
    m_jogReverseBox->setGeometry(du.rect(104, 166, 60, 12));
    m_jogReverseBox->hide();
    m_frequencyLabel = new QLabel(tr("通讯给定频率:"), area);
    m_frequencyLabel->setGeometry(du.rect(186, 157, 62, 12));
    m_frequencyLabel->hide();
    m_frequencyEdit = new QLineEdit(area);
    m_frequencyEdit->setGeometry(du.rect(250, 155, 72, 14));
    m_frequencyEdit->hide();
    // The default command of the Enter key; the window binds Enter to it and it is never shown.
    m_enterButton =
        createButton(area, tr("通讯频率输入"), kEnterButtonColour, du.rect(250, 172, 72, 12));

    for (const KeyLook& look : kKeyLooks) {
        XpButton* key =
            createButton(area, tr("保留"), look.colour, du.rect(look.x, look.y, 66, 16));
        m_keys[static_cast<std::size_t>(look.index)] = key;
        connect(key, &QPushButton::clicked, this,
                [this, index = look.index] { onKeyPressed(index); });
    }

    // Locked editor: the combo and the two editor buttons wait for "使能编辑".
    m_keyCombo->setEnabled(false);
    m_storeButton->setEnabled(false);
    m_resetButton->setEnabled(false);

    connect(m_jogForwardBox, &QCheckBox::clicked, this, &MotorPanel::onJogChanged);
    connect(m_jogReverseBox, &QCheckBox::clicked, this, &MotorPanel::onJogChanged);
    connect(m_enterButton, &QPushButton::clicked, this, &MotorPanel::onFrequencyEntered);
    connect(m_editSwitch, &QPushButton::clicked, this, &MotorPanel::onToggleKeyEdit);
    connect(m_keyCombo, &QComboBox::currentIndexChanged, this, &MotorPanel::onEditedKeyChanged);
    connect(m_storeButton, &QPushButton::clicked, this, &MotorPanel::onStoreKey);
    connect(m_resetButton, &QPushButton::clicked, this, &MotorPanel::onResetKeys);
    connect(m_functionList, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_keyEditMode) {
            onStoreKey();
        }
    });
}

void MotorPanel::setPanelVisible(bool visible) {
    if (!visible) {
        for (QWidget* w : std::initializer_list<QWidget*>{
                 m_keyCombo, m_functionList, m_resetButton, m_storeButton, m_editLabel,
                 m_frequencyLabel, m_jogReverseBox, m_jogForwardBox, m_frequencyEdit, m_editSwitch,
                 m_enterButton}) {
            w->hide();
        }
        for (QWidget* w : m_frames) {
            w->hide();
        }
        for (QWidget* w : m_keys) {
            w->hide();
        }
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{m_keyCombo, m_functionList, m_resetButton,
                                                      m_storeButton, m_editLabel, m_frequencyLabel,
                                                      m_jogReverseBox, m_jogForwardBox,
                                                      m_frequencyEdit, m_editSwitch, m_frames[2]}) {
        w->show();
    }
    for (const KeyLook& look : kKeyLooks) {
        if (m_panelKeyCodes[static_cast<std::size_t>(look.index)] != kHiddenCode) {
            m_keys[static_cast<std::size_t>(look.index)]->show();
        }
    }
    m_frames[1]->show();
    m_frames[0]->show();
    for (QGroupBox* frame : m_frames) {
        frame->lower();
    }
}

int32_t MotorPanel::jogWord(int32_t word, bool forward, bool reverse) {
    if (forward && reverse) {
        return word & ~(kForwardJogBit | kReverseJogBit);
    }
    word = forward ? 0x011E : (word & ~kForwardJogBit);
    word = reverse ? 0x021E : (word & ~kReverseJogBit);
    return word;
}

int MotorPanel::keyIndexOfEditedKey(int editedKey) {
    static constexpr std::array<int, 6> kIndex{Blue, Green, Red, Orange, Yellow, Purple};
    return editedKey >= 0 && editedKey < 6 ? kIndex[static_cast<std::size_t>(editedKey)] : -1;
}

void MotorPanel::onJogChanged() {
    m_jogForward = m_jogForwardBox->isChecked();
    m_jogReverse = m_jogReverseBox->isChecked();
    const Target target = m_station.selectedTarget();
    if (target.slot < 0) {
        return;
    }
    const int32_t word = m_station.commandWordGiven(target.slot);
    const int32_t wanted = jogWord(word, m_jogForward, m_jogReverse);
    if (wanted != word) {
        m_station.submit(target, Command::word(static_cast<uint16_t>(wanted)));
    }
}

void MotorPanel::releaseJog(const Target& previous) {
    // Only the drive the boxes were ticked for, if it is still there; under
    // the name it has now, should it have been renamed meanwhile.
    const Target now = m_station.link().targetOfSlot(previous.slot);
    if (previous.slot >= 0 && now.slot == previous.slot && now.address == previous.address) {
        const int32_t word = m_station.commandWordGiven(now.slot);
        const int32_t released = jogWord(word, false, false);
        if (word >= 0 && released != word) {
            m_station.submit(now, Command::word(static_cast<uint16_t>(released)));
        }
    }
    clearJogBoxes();
}

void MotorPanel::clearJogBoxes() {
    m_jogForward = false;
    m_jogReverse = false;
    pushValues();
}

void MotorPanel::onFrequencyEntered() {
    const std::string entered = m_frequencyEdit->text().toStdString();
    const std::optional<FixedParse> parsed = parseEnteredNumber(entered, 2);
    // The register holds an unsigned 16-bit frequency; the direction comes from
    // the command word. A larger number would reach the motor cut to its low
    // word, a negative one as a frequency near the top of the range.
    const bool refused =
        !parsed || !parsed->inRange || parsed->value < 0 || parsed->value > kHighestFrequency;
    const Target target = m_station.selectedTarget();
    if (target.slot < 0) {
        return;
    }
    if (!refused) {
        m_station.submit(target, Command::frequency(static_cast<uint16_t>(parsed->value)));
    }
    m_frequencyText = formatFixed(frequencyShown(), 2);
    pushValues();
    if (!parsed) {
        m_messages.notify(
            tr("输入的频率不是有效的数值，请输入 0.00 到 655.35 之间的数值！").toStdString(), "");
    } else if (refused) {
        m_messages.notify(
            tr("输入的频率超出范围，请输入 0.00 到 655.35 之间的数值！").toStdString(), "");
    }
}

void MotorPanel::onKeyPressed(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= 6) {
        return;
    }
    // Codes 0 (reserved) and 8 (hidden) raise nothing; the requests ignore them.
    m_requests.raise(m_panelKeyCodes[static_cast<std::size_t>(keyIndex)],
                     m_station.selectedTarget());
}

void MotorPanel::onToggleKeyEdit() {
    m_keyEditMode = !m_keyEditMode;
    m_editSwitch->setText(m_keyEditMode ? tr("禁止编辑") : tr("使能编辑"));
    m_keyCombo->setEnabled(m_keyEditMode);
    m_resetButton->setEnabled(m_keyEditMode);
    m_storeButton->setEnabled(m_keyEditMode);
}

void MotorPanel::onEditedKeyChanged() {
    const int index = keyIndexOfEditedKey(m_keyCombo->currentIndex());
    if (index < 0) {
        return;
    }
    QTreeWidgetItem* item =
        m_functionList->topLevelItem(m_panelKeyCodes[static_cast<std::size_t>(index)]);
    if (item != nullptr) {
        m_functionList->setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect);
    }
}

int MotorPanel::functionListSelectedRow() const {
    const QList<QTreeWidgetItem*> selected = m_functionList->selectedItems();
    return selected.isEmpty() ? -1 : m_functionList->indexOfTopLevelItem(selected.first());
}

void MotorPanel::onStoreKey() {
    const int code = functionListSelectedRow();
    const int index = keyIndexOfEditedKey(m_keyCombo->currentIndex());
    if (code < 0 || index < 0) {
        return;
    }
    DriveKeys* keys = keysOf(m_station.selectedSlot());
    if (keys == nullptr) {
        return;
    }
    m_panelKeyCodes[static_cast<std::size_t>(index)] = code;
    keys->codes = m_panelKeyCodes;
}

void MotorPanel::onResetKeys() {
    if (DriveKeys* keys = keysOf(m_station.selectedSlot())) {
        keys->codes = m_station.view().table.defaultKeyCodes;
    }
}

MotorPanel::DriveKeys* MotorPanel::keysOf(int slot) {
    const DriveRecord* drive = m_station.view().drive(slot);
    if (drive == nullptr) {
        return nullptr;
    }
    DriveKeys& keys = m_driveKeys[static_cast<std::size_t>(slot)];
    if (keys.name != drive->name || keys.address != drive->address) {
        // Another drive joined in this slot: it starts with the default keys.
        keys = {drive->name, drive->address, m_station.view().table.defaultKeyCodes};
    }
    return &keys;
}

std::array<int32_t, 6> MotorPanel::keyCodes(int slot) {
    const DriveKeys* keys = keysOf(slot);
    return keys != nullptr ? keys->codes : m_station.view().table.defaultKeyCodes;
}

void MotorPanel::driveRenamed(int slot, const std::string& newName) {
    if (DriveKeys* keys = keysOf(slot)) {
        keys->name = newName;
    }
}

void MotorPanel::forgetKeys(int slot) {
    if (slot >= 0 && slot < kMaxDrives) {
        m_driveKeys[static_cast<std::size_t>(slot)] = DriveKeys{};
    }
}

void MotorPanel::refreshKeys() {
    const DriveKeys* keys = keysOf(m_station.selectedSlot());
    if (keys == nullptr) {
        return;
    }
    m_panelKeyCodes = keys->codes;
    for (const KeyLook& look : kKeyLooks) {
        const auto i = static_cast<std::size_t>(look.index);
        if (m_panelKeyCodes[i] == m_shownKeyCodes[i]) {
            continue;
        }
        m_shownKeyCodes[i] = m_panelKeyCodes[i];
        const std::string_view name = commandName(m_panelKeyCodes[i]);
        m_keys[i]->setText(name.empty() ? QString()
                                        : qtText(translated("CommandNames", name.data())));
        m_keys[i]->setVisible(m_panelKeyCodes[i] != kHiddenCode);
    }
}

int32_t MotorPanel::frequencyShown() const {
    const int slot = m_station.selectedSlot();
    if (const std::optional<uint16_t> given = m_station.frequencyGiven(slot)) {
        return *given;
    }
    const DriveRecord* drive = m_station.view().drive(slot);
    // The register is an unsigned frequency: the link keeps it sign-extended.
    return drive != nullptr ? drive->controlSet[1] & 0xFFFF : 0;
}

void MotorPanel::followFrequency(int32_t frequency) {
    std::string text = formatFixed(frequency, 2);
    if (text != m_frequencyText) {
        m_frequencyText = std::move(text);
        pushValues();
    }
}

void MotorPanel::pushValues() {
    m_frequencyEdit->setText(QString::fromStdString(m_frequencyText));
    m_jogForwardBox->setChecked(m_jogForward);
    m_jogReverseBox->setChecked(m_jogReverse);
}

} // namespace velkaro
