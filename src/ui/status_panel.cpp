// The system status panel built (drive tree, list and summary) and the drive
// selection the three share; what refreshes them is in status_panel_refresh.cpp.
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
#include <array>
#include <cmath>
#include <vector>

namespace velkaro {

namespace {

const QColor kBlack(0, 0, 0);
const QColor kTreeText(190, 210, 250);
const QColor kListText(0, 255, 0);

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

} // namespace

/// Headings of the drive tree: normal, dropped and faulted units.
QString StatusPanel::treeHeading(std::size_t group) {
    static constexpr std::array<const char*, 3> kHeadings{
        QT_TRANSLATE_NOOP("velkaro::StatusPanel", "正常机组"),
        QT_TRANSLATE_NOOP("velkaro::StatusPanel", "掉线机组"),
        QT_TRANSLATE_NOOP("velkaro::StatusPanel", "故障机组")};
    return QCoreApplication::translate("velkaro::StatusPanel", kHeadings[group]);
}

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

} // namespace velkaro
