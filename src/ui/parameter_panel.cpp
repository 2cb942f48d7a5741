#include "link/drive_link.h"
#include "link/operator_messages.h"
#include "registry/catalogue.h"
#include "registry/fixed_point.h"
#include "widgets/qt_text.h"

#include "ui/parameter_panel.h"

#include "ui/amend_dialog.h"
#include "widgets/dialog_units.h"
#include "widgets/skinned_button.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>

namespace velkaro {

namespace {

const QColor kListColour(180, 220, 160);
const QColor kButtonColour(162, 189, 252);

enum Column { CodeColumn = 0, ValueColumn = 1, RangeColumn = 2, NameColumn = 3, RemarkColumn = 4 };

/// A group value as the list shows it: the register as the parameter's
/// signed or unsigned value, with its implied decimals.
QString valueText(const ParamDescriptor& d, uint16_t word) {
    return QString::fromStdString(formatFixed(parameterValue(d, word), decimalsOf(d)));
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

ParameterPanel::ParameterPanel(QWidget* area, DriveLink& link, OperatorMessages& messages,
                               std::function<std::string()> selectedName)
    : QObject(area), m_area(area), m_link(link), m_messages(messages),
      m_selectedName(std::move(selectedName)),
      m_runAmend([](AmendDialog& dialog) { return dialog.exec(); }) {
    const DialogUnits du(area->font());

    m_instruction = new QLabel(
        QStringLiteral("请先在右边选择需要的功能组，就可在下表中查看或修改相应参数"), area);
    m_instruction->setGeometry(du.rect(15, 49, 234, 11));

    m_groupSelector = new QComboBox(area);
    const QRect selector = du.rect(284, 49, 50, 106);
    m_groupSelector->setGeometry(selector.x(), selector.y(), selector.width(),
                                 m_groupSelector->sizeHint().height());
    m_groupSelector->setMaxVisibleItems(
        std::max(1, selector.height() / m_groupSelector->sizeHint().height()));
    connect(m_groupSelector, &QComboBox::currentIndexChanged, this,
            &ParameterPanel::onGroupChanged);

    m_list = new QTableWidget(0, 5, area);
    m_list->setGeometry(du.rect(12, 66, 323, 151));
    m_list->setHorizontalHeaderLabels({QStringLiteral("功能号"), QStringLiteral("当前值"),
                                       QStringLiteral("参数范围"), QStringLiteral("参数名称"),
                                       QStringLiteral("备注")});
    const int widths[] = {50, 50, 120, 120, 200};
    for (int column = 0; column < 5; ++column)
        m_list->setColumnWidth(column, widths[column]);
    m_list->horizontalHeader()->setSectionsClickable(false);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->verticalHeader()->setVisible(false);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 4);
    m_list->setShowGrid(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    QPalette colours = m_list->palette();
    colours.setColor(QPalette::Base, kListColour);
    colours.setColor(QPalette::Text, Qt::black);
    m_list->setPalette(colours);
    connect(m_list, &QTableWidget::cellClicked, this, [this] { onParameterClick(); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] { onParameterDoubleClick(); });

    m_eepromButton = new XpButton(QStringLiteral("-> EEPROM"), area);
    m_eepromButton->setGeometry(du.rect(285, 219, 49, 14));
    m_eepromButton->setBackgroundColor(kButtonColour);
    m_eepromButton->setHoverColor(SkinnedButton::defaultHoverColor());
    connect(m_eepromButton, &QPushButton::clicked, this, &ParameterPanel::storeToEeprom);

    m_icon = new QLabel(area);
    m_icon->setGeometry(du.rect(12, 225, 20, 20));
    // Icon 158, the information picture; the style's own one when the
    // resources are not linked in (tests).
    const QString picturePath = QStringLiteral(":/icons/information.svg");
    const QIcon picture = QFile::exists(picturePath)
                              ? QIcon(picturePath)
                              : area->style()->standardIcon(QStyle::SP_MessageBoxInformation);
    m_icon->setPixmap(picture.pixmap(m_icon->size()));

    m_info = new QLabel(QStringLiteral("双击修改参数。"), area);
    m_info->setGeometry(du.rect(51, 236, 271, 32));
    m_info->setWordWrap(true);
    m_info->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    setPanelVisible(false);
}

void ParameterPanel::setPanelVisible(bool visible) {
    for (QWidget* control : std::initializer_list<QWidget*>{m_instruction, m_groupSelector, m_list,
                                                            m_icon, m_info, m_eepromButton})
        control->setVisible(visible);
}

void ParameterPanel::setAmendRunner(std::function<int(AmendDialog&)> runner) {
    m_runAmend = std::move(runner);
}

void ParameterPanel::selectionChanged() {
    std::string series;
    bool selected = false;
    {
        auto state = m_link.lock();
        state->groupValues.fill(0);
        if (state->selectedSlot >= 0 && state->selectedSlot < kMaxDrives) {
            DriveRecord& drive = state->table.slots[state->selectedSlot];
            series = drive.series;
            state->selectedGroup = 0;
            requestGroupRead(*state);
            selected = true;
        }
    }
    if (selected) {
        // Filled without raising onGroupChanged: the read is already asked for.
        const QSignalBlocker quiet(m_groupSelector);
        m_groupSelector->clear();
        for (std::string_view label : groupLabels(series))
            m_groupSelector->addItem(qtText(label));
        m_groupSelector->setCurrentIndex(m_groupSelector->count() > 0 ? 0 : -1);
    }
    m_rebuildParameterList = true;
}

void ParameterPanel::onGroupChanged(int index) {
    m_rebuildParameterList = true;
    auto state = m_link.lock();
    // The group first: the link reads it when it serves the request.
    state->selectedGroup = index;
    requestGroupRead(*state);
}

void ParameterPanel::refreshParameterList() {
    if (m_selectedName().empty())
        return;
    std::string series;
    int group = -1;
    std::array<uint16_t, 100> values{};
    bool reading = false;
    {
        auto state = m_link.lock();
        if (state->selectedSlot < 0 || state->selectedSlot >= kMaxDrives)
            return;
        series = state->table.slots[state->selectedSlot].series;
        group = state->selectedGroup;
        values = state->groupValues;
        reading = state->readout.running();
    }
    // A whole-drive read borrows the group and its values: the list keeps
    // what it shows, and the group cannot change, until the read gives them back.
    m_groupSelector->setEnabled(!reading);
    if (reading)
        return;
    if (m_rebuildParameterList) {
        m_rebuildParameterList = false;
        rebuildRows(series, group, values);
    } else {
        updateValueCells(series, group, values);
    }
}

void ParameterPanel::rebuildRows(std::string_view series, int group,
                                 const std::array<uint16_t, 100>& values) {
    m_list->setUpdatesEnabled(false);
    m_list->setRowCount(0);
    const int rows = std::min<int>(groupSize(series, group), static_cast<int>(values.size()));
    m_list->setRowCount(std::max(rows, 0));
    for (int row = 0; row < rows; ++row) {
        const auto d = descriptor(series, group, row);
        if (!d)
            continue;
        m_list->setItem(row, CodeColumn, cell(qtText(d->code)));
        m_list->setItem(row, ValueColumn, cell(valueText(*d, values[row])));
        m_list->setItem(row, RangeColumn, cell(qtText(d->range)));
        m_list->setItem(row, NameColumn, cell(qtText(d->name)));
        m_list->setItem(row, RemarkColumn, cell(qtText(d->description)));
    }
    m_list->setUpdatesEnabled(true);
}

void ParameterPanel::updateValueCells(std::string_view series, int group,
                                      const std::array<uint16_t, 100>& values) {
    const int rows = std::min<int>(m_list->rowCount(), static_cast<int>(values.size()));
    for (int row = 0; row < rows; ++row) {
        const auto d = descriptor(series, group, row);
        QTableWidgetItem* item = m_list->item(row, ValueColumn);
        if (!d || !item)
            continue;
        const QString text = valueText(*d, values[row]);
        if (item->text() != text)
            item->setText(text);
    }
}

QString ParameterPanel::parameterInfoText(std::string_view series, int group, int row) {
    const auto d = descriptor(series, group, row);
    if (!d)
        return {};
    return qtText(d->code) + qtText(d->name) + QStringLiteral("  可设置范围：") + qtText(d->range) +
           QLatin1Char(' ') + qtText(d->description);
}

int ParameterPanel::listSelectedRow() const {
    const QList<QTableWidgetSelectionRange> ranges = m_list->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

QString ParameterPanel::cellText(int row, int column) const {
    const QTableWidgetItem* item = m_list->item(row, column);
    return item ? item->text() : QString();
}

void ParameterPanel::onParameterClick() {
    if (m_selectedName().empty())
        return;
    const int row = listSelectedRow();
    std::string series;
    int group = -1;
    {
        auto state = m_link.lock();
        if (row >= 0)
            state->paramWriteIndex = row;
        if (state->selectedSlot < 0 || state->selectedSlot >= kMaxDrives || row < 0)
            return;
        series = state->table.slots[state->selectedSlot].series;
        group = state->selectedGroup;
    }
    m_info->setText(parameterInfoText(series, group, row));
}

void ParameterPanel::onParameterDoubleClick() {
    if (m_link.lock()->readout.running()) {
        // The read would report the group half before, half after the change.
        m_messages.show(std::string(kReadoutUnderWay), std::string(kInfoCaption));
        return;
    }
    const bool named = !m_selectedName().empty();
    const int row = listSelectedRow();
    // The parameter the dialog is about: drive, group and row are fixed now,
    // and the write goes there whatever is clicked before the drive's turn.
    AmendTarget target;
    int index = 0;
    {
        auto state = m_link.lock();
        if (named && row >= 0)
            state->paramWriteIndex = row;
        index = state->paramWriteIndex;
        const int slot = state->selectedSlot;
        if (named && (slot < 0 || slot >= kMaxDrives))
            return;
        if (named && row >= 0) {
            const DriveRecord& drive = state->table.slots[slot];
            if (const auto d = descriptor(drive.series, state->selectedGroup, row)) {
                target = {slot, drive.name, state->selectedGroup, row,
                          RegisterKind{decimalsOf(*d), isSignedParameter(*d)}};
            }
            m_info->setText(parameterInfoText(drive.series, state->selectedGroup, row));
        }
    }
    if (row < 0)
        return;

    // The dialog shows the list's texts as they stand, not the catalogue's.
    const AmendTexts texts{cellText(index, CodeColumn) + QLatin1Char(' ') +
                               cellText(index, NameColumn),
                           cellText(index, RangeColumn), cellText(index, ValueColumn)};
    AmendDialog dialog(m_area->window(), m_messages, texts, named, target.kind);
    if (m_runAmend(dialog) != QDialog::Accepted)
        return;
    m_amendNewText = dialog.newText();
    writeParameter(target, m_amendNewText);
}

void ParameterPanel::writeParameter(const AmendTarget& target, const QString& newText) {
    if (newText.isEmpty() || target.slot < 0)
        return;
    const std::optional<FixedParse> parsed =
        parseEnteredNumber(newText.toStdString(), target.kind.decimals);
    if (!parsed)
        return; // the dialog refuses what is not a number
    const auto word = static_cast<uint16_t>(parsed->value & 0xFFFF);
    bool gone = false;
    {
        auto state = m_link.lock();
        // The drive may have left the table while the dialog was open.
        gone = state->table.slots[target.slot].name != target.driveName;
        if (!gone)
            requestParameterWrite(
                *state, target.slot,
                {target.group, target.row, registerOf(target.group, target.row), word});
        // Shown at once while the list still shows that group of that drive;
        // the re-read after the write replaces it with the drive's value.
        if (!gone && state->selectedSlot == target.slot && state->selectedGroup == target.group)
            state->groupValues[target.row] = word;
    }
    if (gone)
        m_messages.show(target.driveName + " 已断开连接，参数未写入。", "");
}

void ParameterPanel::storeToEeprom() {
    auto state = m_link.lock();
    if (state->selectedSlot >= 0 && state->selectedSlot < kMaxDrives)
        state->table.slots[state->selectedSlot].controlSet[9] = 1;
}

} // namespace velkaro
