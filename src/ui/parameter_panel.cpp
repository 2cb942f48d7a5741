#include "link/operator_messages.h"
#include "registry/catalogue.h"
#include "registry/fixed_point.h"
#include "registry/language.h"
#include "widgets/qt_text.h"

#include "ui/parameter_panel.h"

#include "ui/amend_dialog.h"
#include "ui/dialog_look.h"
#include "ui/parameter_export_import.h"
#include "ui/station_link.h"
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

enum Column { CodeColumn = 0, ValueColumn = 1, RangeColumn = 2, NameColumn = 3, RemarkColumn = 4 };

/// A group value as the list shows it: the register as the parameter's
/// signed or unsigned value, with its implied decimals.
QString valueText(const ParamDescriptor& d, uint16_t word) {
    return QString::fromStdString(formatFixed(parameterValue(d, word), decimalsOf(d)));
}

/// One drive, whatever it is called now: a rename keeps slot and bus address.
bool sameDrive(const Target& a, const Target& b) {
    return a.slot == b.slot && a.address == b.address;
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

ParameterPanel::ParameterPanel(QWidget* area, StationLink& station, OperatorMessages& messages,
                               std::function<std::string()> selectedName)
    : QObject(area), m_area(area), m_station(station), m_messages(messages),
      m_selectedName(std::move(selectedName)),
      m_runAmend([](AmendDialog& dialog) { return dialog.exec(); }) {
    const DialogUnits du(area->font());

    m_instruction =
        new QLabel(tr("请先在右边选择需要的功能组，就可在下表中查看或修改相应参数"), area);
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
    m_list->setHorizontalHeaderLabels(
        {tr("功能号"), tr("当前值"), tr("参数范围"), tr("参数名称"), tr("备注")});
    // English names run about twice as long as the Chinese ones: their column
    // takes more of the row, and the list scrolls sideways to the notes.
    const bool english = displayLanguage() == Language::English;
    const int widths[] = {50, 50, 120, english ? 230 : 120, 200};
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

    m_info = new QLabel(tr("双击修改参数。"), area);
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
    // What was asked of the drive left behind is of no use any more.
    if (m_readId != 0)
        m_station.cancel(std::exchange(m_readId, 0));
    m_values.fill(0);
    m_drive = m_station.selectedTarget();
    if (const DriveRecord* drive = m_station.selectedDrive()) {
        // Filled without raising onGroupChanged: the read is asked for below.
        const QSignalBlocker quiet(m_groupSelector);
        m_groupSelector->clear();
        for (std::string_view label : groupLabels(drive->series))
            m_groupSelector->addItem(qtText(label));
        m_groupSelector->setCurrentIndex(m_groupSelector->count() > 0 ? 0 : -1);
        m_group = 0;
        requestRead();
    }
    m_rebuildParameterList = true;
}

void ParameterPanel::onGroupChanged(int index) {
    m_rebuildParameterList = true;
    m_group = index;
    requestRead();
}

void ParameterPanel::readGroupAgain() {
    requestRead();
}

void ParameterPanel::requestRead() {
    if (m_drive.slot < 0 || m_group < 0)
        return;
    if (const Target now = m_station.selectedTarget(); sameDrive(now, m_drive))
        m_drive = now; // renamed meanwhile
    // A newer read of the drive takes the place of the older one in the link.
    const Target drive = m_drive;
    const int group = m_group;
    m_readId =
        m_station.submit(drive, ParameterRead{group}, [this, drive, group](const Outcome& o) {
            if (o.id == m_readId)
                m_readId = 0;
            if (o.confirmed())
                takeValues(drive, group, o.words);
        });
}

bool ParameterPanel::reading() const {
    return m_readId != 0 && m_station.pending(m_readId);
}

void ParameterPanel::takeValues(const Target& drive, int group,
                                const std::vector<uint16_t>& words) {
    if (!sameDrive(drive, m_drive) || group != m_group || words.empty())
        return;
    m_values.fill(0);
    std::copy_n(words.begin(), std::min(words.size(), m_values.size()), m_values.begin());
}

void ParameterPanel::refreshParameterList() {
    if (m_selectedName().empty())
        return;
    const DriveRecord* drive = m_station.selectedDrive();
    if (drive == nullptr)
        return;
    // While the whole drive is read for a report, the group cannot change and
    // no parameter can be changed: the report would hold half of each.
    const bool readout = m_station.readoutPending();
    m_groupSelector->setEnabled(!readout);
    if (readout)
        return;
    if (m_rebuildParameterList) {
        m_rebuildParameterList = false;
        rebuildRows(drive->series, m_group, m_values);
    } else {
        updateValueCells(drive->series, m_group, m_values);
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
        m_list->setItem(row, RangeColumn, cell(qtText(displayRange(*d))));
        m_list->setItem(row, NameColumn, cell(qtText(displayName(*d))));
        m_list->setItem(row, RemarkColumn, cell(qtText(displayDescription(*d))));
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
    return qtText(d->code) + qtText(displayName(*d)) + tr("  可设置范围：") +
           qtText(displayRange(*d)) + QLatin1Char(' ') + qtText(displayDescription(*d));
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
    if (row >= 0)
        m_writeIndex = row;
    const DriveRecord* drive = m_station.selectedDrive();
    if (drive == nullptr || row < 0)
        return;
    m_info->setText(parameterInfoText(drive->series, m_group, row));
}

void ParameterPanel::onParameterDoubleClick() {
    if (m_station.readoutPending()) {
        // The read would report the group half before, half after the change.
        m_messages.notify(std::string(kReadoutUnderWay), std::string(kInfoCaption));
        return;
    }
    const bool named = !m_selectedName().empty();
    const int row = listSelectedRow();
    // The parameter the dialog is about: drive, group and row are fixed now,
    // and the write goes there whatever is clicked before the drive's turn.
    AmendTarget target;
    if (named && row >= 0)
        m_writeIndex = row;
    const int index = m_writeIndex;
    const DriveRecord* drive = m_station.selectedDrive();
    if (named && drive == nullptr)
        return;
    if (named && row >= 0) {
        if (const auto d = descriptor(drive->series, m_group, row)) {
            target = {m_station.selectedTarget(), m_group, row,
                      RegisterKind{decimalsOf(*d), isSignedParameter(*d)}};
        }
        m_info->setText(parameterInfoText(drive->series, m_group, row));
    }
    if (row < 0)
        return;

    // The dialog shows the list's texts as they stand, not the catalogue's.
    const AmendTexts texts{cellText(index, CodeColumn) + QLatin1Char(' ') +
                               cellText(index, NameColumn),
                           cellText(index, RangeColumn), cellText(index, ValueColumn)};
    // A change is the engineer's: asked before the value is typed.
    if (named && !m_station.engineerAllowed())
        return;
    AmendDialog dialog(m_area->window(), m_messages, texts, named, target.kind);
    if (m_runAmend(dialog) != QDialog::Accepted)
        return;
    m_amendNewText = dialog.newText();
    writeParameter(target, m_amendNewText);
}

void ParameterPanel::writeParameter(const AmendTarget& target, const QString& newText) {
    if (newText.isEmpty() || target.drive.slot < 0)
        return;
    const std::optional<FixedParse> parsed =
        parseEnteredNumber(newText.toStdString(), target.kind.decimals);
    if (!parsed)
        return; // the dialog refuses what is not a number
    const auto word = static_cast<uint16_t>(parsed->value & 0xFFFF);
    // The drive may have left the table while the dialog was open.
    const Target drive = m_station.link().targetOfSlot(target.drive.slot);
    if (!sameDrive(drive, target.drive)) {
        m_messages.notify(
            tr("%1 已断开连接，参数未写入。").arg(qtText(target.drive.name)).toStdString(), "");
        return;
    }
    ParameterWrite write;
    write.registerAddress = registerOf(target.group, target.row);
    write.word = word;
    write.group = target.group;
    write.row = target.row;
    write.readBack = true;
    write.rewriteControl = true;
    const int group = target.group;
    m_station.submit(drive, write, [this, drive, group](const Outcome& o) {
        // The group read again after the write: what the drive holds, taken or not.
        takeValues(drive, group, o.words);
        if (!o.confirmed() && !o.message.empty())
            m_messages.notify(o.message, std::string(kInfoCaption));
    });
    // Shown at once while the list still shows that group of that drive; the
    // outcome replaces it with the drive's value.
    if (sameDrive(m_drive, drive) && m_group == group)
        m_values[static_cast<std::size_t>(target.row)] = word;
}

void ParameterPanel::storeToEeprom() {
    const Target drive = m_station.selectedTarget();
    if (drive.slot >= 0 && m_station.engineerAllowed())
        m_station.submit(drive, Command::store());
}

} // namespace velkaro
