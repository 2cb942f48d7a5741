#include "link/operator_messages.h"
#include "registry/fixed_point.h"
#include "registry/language.h"
#include "registry/state_texts.h"
#include "widgets/qt_text.h"

#include "ui/dialog_look.h"
#include "ui/station_link.h"
#include "ui/status_panel.h"
#include "widgets/dialog_units.h"

#include <QApplication>
#include <QBrush>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velkaro {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kTreeText(190, 210, 250);
const QColor kListText(0, 255, 0);
/// A lost drive's row: its values are the last ones read, no longer live.
const QColor kLostText(128, 128, 128);
constexpr int kListColumns = 5;

// Summary value cells, (row, column); the model cell (1, 3) keeps its text
// when nothing is selected.
struct Cell {
    int row;
    int column;
};
constexpr std::array<Cell, 10> kDashedCells{
    {{0, 1}, {1, 1}, {2, 1}, {2, 3}, {3, 1}, {3, 3}, {4, 1}, {4, 3}, {5, 1}, {5, 3}}};

void setViewColours(QTreeWidget* view, const QColor& background, const QColor& text) {
    QPalette palette = view->palette();
    for (const auto role : {QPalette::Base, QPalette::AlternateBase, QPalette::Window}) {
        palette.setColor(role, background);
    }
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);
    view->setPalette(palette);
}

QTreeWidget* createReportList(QWidget* area, const QRect& geometry) {
    auto* view = new QTreeWidget(area);
    view->setGeometry(geometry);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setSectionsMovable(false);
    view->header()->setStretchLastSection(false);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->hide();
    return view;
}

// Column widths are given in pixels of the 9 pt dialog font; scale them with
// the font actually in use so the columns keep their share of the list.
void setColumnWidths(QTreeWidget* view, const QFont& font, std::initializer_list<int> widths) {
    const double scale = DialogUnits(font).x(4) / 6.0;
    int column = 0;
    for (const int width : widths) {
        view->setColumnWidth(column++, static_cast<int>(std::lround(width * scale)));
    }
}

/// A running value with its decimals and unit, e.g. "50.00Hz".
/// Headings of the drive tree: normal, dropped and faulted units.
QString treeHeading(std::size_t group) {
    static constexpr std::array<const char*, 3> kHeadings{
        QT_TRANSLATE_NOOP("velkaro::StatusPanel", "正常机组"),
        QT_TRANSLATE_NOOP("velkaro::StatusPanel", "掉线机组"),
        QT_TRANSLATE_NOOP("velkaro::StatusPanel", "故障机组")};
    return QCoreApplication::translate("velkaro::StatusPanel", kHeadings[group]);
}

QString quantityText(const DriveRecord& drive, StatusQuantity quantity, const char* unit) {
    return qtText(formatFixed(statusValue(drive, quantity), quantity.decimals) + unit);
}

} // namespace

StatusPanel::StatusPanel(QWidget* area, StationLink& station, OperatorMessages& messages,
                         WindowSelection& selection)
    : QObject(area), m_area(area), m_station(station), m_messages(messages), m_selection(selection),
      m_shownNames(kMaxDrives), m_treeNames(kMaxDrives) {
    const DialogUnits du(area->font());

    m_tree = new QTreeWidget(area);
    m_tree->setGeometry(du.rect(9, 49, 79, 220));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    // The tree is narrow: a small indent leaves room for the drive names.
    m_tree->setIndentation(du.x(5));
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setDragEnabled(false);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setViewColours(m_tree, kBlack, kTreeText);
    m_tree->hide();
    for (std::size_t i = 0; i < m_headings.size(); ++i) {
        m_headings[i] = new QTreeWidgetItem(m_tree, QStringList{treeHeading(i)});
    }

    m_list = createReportList(area, du.rect(91, 126, 245, 142));
    // The list's headings are shorter than the summary's words: the columns are narrow.
    m_list->setHeaderLabels({tr("变频器名"), tr("状态"), tr("输出频率", "list heading"),
                             tr("输出电流", "list heading"), tr("输出电压", "list heading")});
    // English states ("Running forward") need a wider state column; the
    // numbers give up what it takes.
    const bool english = displayLanguage() == Language::English;
    setColumnWidths(m_list, area->font(),
                    english ? std::initializer_list<int>{84, 100, 64, 58, 58}
                            : std::initializer_list<int>{97, 72, 65, 65, 65});
    setViewColours(m_list, kBlack, kListText);

    m_summary = createReportList(area, du.rect(91, 48, 245, 76));
    m_summary->setHeaderLabels({tr("类型"), tr("参数值"), tr("类型"), tr("参数值")});
    setColumnWidths(m_summary, area->font(),
                    english ? std::initializer_list<int>{72, 110, 72, 110}
                            : std::initializer_list<int>{60, 122, 60, 122});
    m_summary->setSelectionMode(QAbstractItemView::NoSelection);
    m_summary->setFocusPolicy(Qt::NoFocus);
    m_summary->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_summary->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The summary's labels in a context of their own: English needs shorter
    // words here than in the list and the curves.
    static const std::array<std::array<const char*, 2>, 6> kLabels{
        {{QT_TRANSLATE_NOOP("velkaro::StatusSummary", "变频器名"), ""},
         {QT_TRANSLATE_NOOP("velkaro::StatusSummary", "功率等级"),
          QT_TRANSLATE_NOOP("velkaro::StatusSummary", "机    型")},
         {QT_TRANSLATE_NOOP("velkaro::StatusSummary", "给定频率"),
          QT_TRANSLATE_NOOP("velkaro::StatusSummary", "运行频率")},
         {QT_TRANSLATE_NOOP("velkaro::StatusSummary", "输出电压"),
          QT_TRANSLATE_NOOP("velkaro::StatusSummary", "输出电流")},
         {QT_TRANSLATE_NOOP("velkaro::StatusSummary", "母线电压"),
          QT_TRANSLATE_NOOP("velkaro::StatusSummary", "输出转矩")},
         {QT_TRANSLATE_NOOP("velkaro::StatusSummary", "运行状态"),
          QT_TRANSLATE_NOOP("velkaro::StatusSummary", "异常原因")}}};
    for (const auto& labels : kLabels) {
        auto* item = new QTreeWidgetItem(m_summary);
        item->setText(0, QCoreApplication::translate("velkaro::StatusSummary", labels[0]));
        item->setText(2, *labels[1]
                             ? QCoreApplication::translate("velkaro::StatusSummary", labels[1])
                             : QString());
    }
    setViewColours(m_summary, kBlack, kTreeText);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &StatusPanel::onDriveListClick);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { Q_EMIT renameRequested(); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &StatusPanel::onDriveTreeSelect);
}

void StatusPanel::setPanelVisible(bool visible) {
    if (visible) {
        setViewColours(m_summary, kBlack, kTreeText);
    }
    m_list->setVisible(visible);
    m_tree->setVisible(visible);
    m_summary->setVisible(visible);
}

void StatusPanel::showSummaryForMotorPanel() {
    setViewColours(m_summary, kWindowColour, kBlack);
    m_summary->show();
}

QString StatusPanel::statusMessage(ActivityState activity, int currentPanel) {
    switch (activity) {
    case ActivityState::Search:
        return tr("变频器地址搜寻中");
    case ActivityState::Export:
        return tr("变频器数据导出中");
    case ActivityState::Import:
        return tr("变频器数据导入中");
    case ActivityState::Readout:
        return tr("变频器参数读取中");
    case ActivityState::DriveFault:
        return tr("变频器发生故障");
    case ActivityState::None:
        break;
    }
    switch (currentPanel) {
    case PanelMotorControl:
        return tr(" 使用该界面控制变频器时，请先将变频器设置为通讯控制");
    case PanelParameters:
        return tr(" 双击上面功能列表可修改变频器参数");
    default:
        return tr(" Velkaro1.11测试版-蓝岭电子研究所");
    }
}

ActivityState StatusPanel::activity() const {
    const ActivityState link = m_station.view().activity;
    if (link == ActivityState::None && m_driveFault) {
        return ActivityState::DriveFault;
    }
    return link;
}

void StatusPanel::selectDefaultRow() {
    const uint32_t count = m_station.view().table.driveCount;
    if (count == 0 || m_selection.selectedRow >= 0) {
        return;
    }
    m_selection.nameBoxText = rowText(0).toStdString();
    markRow(0);
    Q_EMIT valuesPushed();
    takeSelectionFromList();
}

void StatusPanel::refreshDriveList() {
    struct RowCells {
        QString state, frequency, current, voltage;
        bool lost = false;
    };
    std::vector<RowCells> cells;
    bool rebuild = false;
    int rows = 0;
    int followRow = -1;
    const DriveTable& table = m_station.view().table;
    for (std::size_t i = 0; i < kMaxDrives; ++i) {
        if (table.driveNames[i] != m_shownNames[i]) {
            m_shownNames[i] = table.driveNames[i];
            rebuild = true;
        }
    }
    if (rebuild) {
        rows = static_cast<int>(std::min<uint32_t>(table.driveCount, kMaxDrives));
        // The selected drive keeps its selection in the new rows (a search
        // added a drive, it was renamed, another was removed); only a drive
        // that has gone leaves the selection to the default.
        const Target drive = m_station.selectedTarget();
        if (drive.slot >= 0 && drive.slot == m_drive.slot && drive.address == m_drive.address) {
            for (int row = 0; row < rows; ++row) {
                if (table.driveNames[static_cast<std::size_t>(row)] == drive.name) {
                    followRow = row;
                }
            }
        }
    }
    if (rebuild) {
        rebuildList(rows);
        if (followRow >= 0) {
            markRow(followRow);
            applySelection(followRow);
            m_selection.nameBoxText = m_selection.selectedName;
            Q_EMIT valuesPushed();
        } else {
            // Nothing is selected until the next pass picks row 0.
            applySelection(-1);
        }
        return;
    }
    std::string alarmNames;
    std::vector<std::string> alarmed;
    const int listRows = m_list->topLevelItemCount();
    cells.reserve(static_cast<std::size_t>(listRows));
    for (int row = 0; row < listRows; ++row) {
        const std::string name = rowText(row).toStdString();
        const int slot = table.findSlotByName(name);
        if (slot < 0) {
            return;
        }
        const StateTexts texts = driveStateTexts(table, slot);
        if (texts.state == kStateFault || texts.state == kStateAlarm) {
            alarmNames += ' ';
            alarmNames += name;
            alarmed.push_back(name);
        }
        const DriveRecord& drive = table.slots[static_cast<std::size_t>(slot)];
        cells.push_back({qtText(shownStateTexts(drive).state),
                         quantityText(drive, kRunningFrequency, "Hz"),
                         quantityText(drive, kOutputCurrent, "A"),
                         quantityText(drive, kOutputVoltage, "V"), drive.online == 0});
    }

    if (!alarmNames.empty() && alarmNames != m_lastAlarmNames) {
        m_lastAlarmNames = alarmNames;
        m_treeDirty = true;
        // Each drive that has just tripped gets its own alert, in the alert's
        // own words; a drive still tripped is not told again when another
        // trips or recovers.
        for (const std::string& name : alarmed) {
            if (std::find(m_alarmedNames.begin(), m_alarmedNames.end(), name) ==
                m_alarmedNames.end()) {
                m_pendingAlerts.push_back(
                    tr(" %1发生异常，请及时处理！").arg(qtText(name)).toStdString());
            }
        }
    } else {
        if (alarmNames != m_lastAlarmNames) {
            m_treeDirty = true;
        }
        m_lastAlarmNames = alarmNames;
        m_driveFault = !alarmNames.empty();
    }
    m_alarmedNames = std::move(alarmed);
    const QString status = statusMessage(activity(), m_selection.currentPanel);

    for (int row = 0; row < static_cast<int>(cells.size()); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        const RowCells& c = cells[static_cast<std::size_t>(row)];
        setCell(item, 1, c.state);
        setCell(item, 2, c.frequency);
        setCell(item, 3, c.current);
        setCell(item, 4, c.voltage);
        setRowMuted(item, c.lost);
    }
    Q_EMIT statusMessageChanged(status);
}

void StatusPanel::showPendingAlert() {
    if (m_pendingAlerts.empty()) {
        return;
    }
    const std::vector<std::string> alerts = std::exchange(m_pendingAlerts, {});
    QApplication::beep();
    raiseWindow();
    // One box per drive: the drive tripping again counts in its box.
    for (const std::string& alert : alerts) {
        m_messages.notify(alert, "");
    }
}

void StatusPanel::raiseWindow() {
    QWidget* window = m_area->window();
    if (window->isMinimized()) {
        window->showNormal();
    }
    // An open box of the window's own goes to the top instead of the window.
    QWidget* top = QApplication::activeModalWidget();
    if (top == nullptr) {
        top = window;
    }
    top->raise();
    top->activateWindow();
}

void StatusPanel::refreshDriveTree() {
    std::array<std::vector<std::string>, 3> groups;
    const DriveTable& table = m_station.view().table;
    for (std::size_t i = 0; i < kMaxDrives; ++i) {
        if (table.driveNames[i] != m_treeNames[i]) {
            m_treeNames[i] = table.driveNames[i];
            m_treeDirty = true;
        }
    }
    // A drive joined, left, was renamed or went on- or offline, or the alarm
    // names changed.
    if (!m_treeDirty && table.changes == m_treeChanges) {
        return;
    }
    m_treeDirty = false;
    m_treeChanges = table.changes;
    const uint32_t count = std::min<uint32_t>(table.driveCount, kMaxDrives);
    for (uint32_t i = 0; i < count; ++i) {
        const std::string& name = table.driveNames[i];
        const int slot = table.findSlotByName(name);
        if (slot < 0) {
            continue;
        }
        const DriveRecord& drive = table.slots[static_cast<std::size_t>(slot)];
        if (drive.online != 0) {
            groups[0].push_back(name);
        }
        if (drive.online != 1) {
            groups[1].push_back(name);
        }
        if ((drive.status[0] & status_bit::kFault) != 0) {
            groups[2].push_back(name);
        }
    }

    // Rebuilt by the refresh, not chosen by the operator: no selection signal.
    const QSignalBlocker quiet(m_tree);
    m_tree->clear();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        m_headings[g] = new QTreeWidgetItem(m_tree, QStringList{treeHeading(g)});
        for (const std::string& name : groups[g]) {
            new QTreeWidgetItem(m_headings[g], QStringList{qtText(name)});
        }
    }
    for (QTreeWidgetItem* heading : m_headings) {
        heading->setExpanded(true);
    }
}

void StatusPanel::refreshDriveSummary() {
    std::array<QString, 11> values; // (0,1) (1,1) (1,3) then rows 2..5, columns 1 and 3
    bool dashed = false;
    const LinkSnapshot& view = m_station.view();
    const int selected = m_station.selectedSlot();
    if (m_selection.selectedRow < 0 || view.table.driveCount == 0) {
        dashed = true;
    } else if (selected < 0 || selected >= kMaxDrives) {
        return;
    } else {
        const DriveRecord& d = view.table.slots[static_cast<std::size_t>(selected)];
        const StateTexts texts = shownStateTexts(d);
        values = {qtText(d.name),
                  qtText(d.ratedPower + (d.series == "QD10" ? "A" : "KW")),
                  qtText(d.series),
                  quantityText(d, kSetFrequency, "Hz"),
                  quantityText(d, kRunningFrequency, "Hz"),
                  quantityText(d, kOutputVoltage, "V"),
                  quantityText(d, kOutputCurrent, "A"),
                  quantityText(d, kBusVoltage, "V"),
                  quantityText(d, kOutputTorque, "%"),
                  qtText(texts.state),
                  qtText(texts.cause)};
    }

    if (dashed) {
        for (const Cell& cell : kDashedCells) {
            setCell(m_summary->topLevelItem(cell.row), cell.column, QStringLiteral("---"));
        }
        if (!m_selection.nameBoxText.empty()) {
            m_selection.nameBoxText.clear();
            Q_EMIT valuesPushed();
        }
        return;
    }
    setCell(m_summary->topLevelItem(0), 1, values[0]);
    setCell(m_summary->topLevelItem(1), 1, values[1]);
    setCell(m_summary->topLevelItem(1), 3, values[2]);
    for (int row = 2; row <= 5; ++row) {
        const std::size_t base = 3 + static_cast<std::size_t>(row - 2) * 2;
        setCell(m_summary->topLevelItem(row), 1, values[base]);
        setCell(m_summary->topLevelItem(row), 3, values[base + 1]);
    }
}

void StatusPanel::onDriveListClick() {
    if (m_station.transferBusy()) {
        // A transfer is bound to its drive: the highlight goes back to it.
        markRow(m_selection.selectedRow);
        return;
    }
    takeSelectionFromList();
    m_selection.nameBoxText = m_selection.selectedName;
    Q_EMIT valuesPushed();
}

void StatusPanel::onDriveTreeSelect() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (item == nullptr || item->parent() == nullptr) {
        return;
    }
    if (m_station.transferBusy()) {
        return;
    }
    const QString name = item->text(0);
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        if (rowText(row) == name) {
            m_selection.nameBoxText = name.toStdString();
            markRow(row);
            // The drive shown in the name box is the one the commands go to.
            takeSelectionFromList();
            Q_EMIT valuesPushed();
        }
    }
}

void StatusPanel::selectNextDrive() {
    stepSelection(+1);
}

void StatusPanel::selectPreviousDrive() {
    stepSelection(-1);
}

void StatusPanel::stepSelection(int delta) {
    const int rows = m_list->topLevelItemCount();
    if (rows == 0 || m_station.transferBusy()) {
        return;
    }
    int row = m_selection.selectedRow + delta;
    if (row >= rows) {
        row = 0;
    } else if (row < 0) {
        row = rows - 1;
    }
    markRow(row);
    applySelection(row);
    m_selection.nameBoxText = m_selection.selectedName;
    Q_EMIT valuesPushed();
}

void StatusPanel::afterDisconnect() {
    refreshDriveList();
    if (m_station.view().table.driveCount > 0) {
        markRow(0);
        takeSelectionFromList();
    } else {
        applySelection(-1);
    }
    // The name box follows the new selection instead of naming the removed drive.
    m_selection.nameBoxText = m_selection.selectedName;
    refreshDriveSummary();
    Q_EMIT valuesPushed();
}

void StatusPanel::setCell(QTreeWidgetItem* item, int column, const QString& value) {
    if (item != nullptr && item->text(column) != value) {
        item->setText(column, value);
        ++m_cellWrites;
    }
}

void StatusPanel::setRowMuted(QTreeWidgetItem* item, bool muted) {
    // No brush of its own: the list's colour.
    if (item == nullptr || item->data(0, Qt::ForegroundRole).isValid() == muted) {
        return;
    }
    for (int column = 0; column < kListColumns; ++column) {
        item->setData(column, Qt::ForegroundRole, muted ? QVariant(QBrush(kLostText)) : QVariant());
    }
    ++m_cellWrites;
}

int StatusPanel::listSelectedRow() const {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first());
}

QString StatusPanel::rowText(int row) const {
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item != nullptr ? item->text(0) : QString();
}

void StatusPanel::markRow(int row) {
    // The window marks the row it selected itself: not an operator's click.
    const QSignalBlocker quiet(m_list);
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (item != nullptr) {
        m_list->setCurrentItem(item);
        item->setSelected(true);
        m_list->scrollToItem(item);
    } else {
        m_list->clearSelection();
    }
}

void StatusPanel::takeSelectionFromList() {
    applySelection(listSelectedRow());
}

void StatusPanel::applySelection(int row) {
    const std::string name = row < 0 ? std::string() : rowText(row).toStdString();
    const int slot = row < 0 ? -1 : m_station.view().table.findSlotByName(name);
    m_station.setSelectedSlot(slot);
    const Target drive = m_station.targetOf(slot);
    m_selection.selectedRow = row;
    m_selection.selectedName = name;
    // A drive is known by its slot and bus address: a rename keeps it selected.
    if (drive.slot != m_drive.slot || drive.address != m_drive.address) {
        const Target previous = std::exchange(m_drive, drive);
        Q_EMIT selectionMoved(previous);
    } else {
        m_drive = drive;
    }
}

void StatusPanel::rebuildList(int rows) {
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (int i = 0; i < rows; ++i) {
        new QTreeWidgetItem(m_list, QStringList{qtText(m_shownNames[static_cast<std::size_t>(i)])});
        ++m_cellWrites;
    }
}

} // namespace velkaro
