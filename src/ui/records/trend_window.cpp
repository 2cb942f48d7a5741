// Core headers before any Qt header: Qt's `slots` keyword macro would
// otherwise swallow DriveTable::slots.
#include "link/link_snapshot.h"
#include "widgets/qt_text.h"

#include "ui/records/trend_window.h"

#include <QScopeGuard>

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplitter>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <set>

#include "link/operator_messages.h"
#include "records/display_options.h"
#include "ui/records/trend_chart_view.h"
#include "ui/records/trend_look.h"

namespace velkaro {
namespace {

// The run records' column names (records/run_record.cpp) as the operator reads
// them; the columns themselves keep their Chinese names.
[[maybe_unused]] constexpr const char* kShownColumns[] = {
    QT_TRANSLATE_NOOP("velkaro::TrendWindow", "运行频率"),
    QT_TRANSLATE_NOOP("velkaro::TrendWindow", "设定频率"),
    QT_TRANSLATE_NOOP("velkaro::TrendWindow", "输出电流"),
    QT_TRANSLATE_NOOP("velkaro::TrendWindow", "输出电压"),
    QT_TRANSLATE_NOOP("velkaro::TrendWindow", "母线电压")};

constexpr int kCustomWindow = static_cast<int>(std::size(TrendWindow::kWindowSeconds));
constexpr int kDefaultWindow = 2; // 最近2小时
constexpr WallSeconds kLongestCentredSpan = kTrendHour;
constexpr int kDefaultColumns = 800;
constexpr int kRangePauseMs = 200;

WallSeconds wallOf(const QDateTime& time) {
    std::tm fields{};
    fields.tm_year = time.date().year() - 1900;
    fields.tm_mon = time.date().month() - 1;
    fields.tm_mday = time.date().day();
    fields.tm_hour = time.time().hour();
    fields.tm_min = time.time().minute();
    fields.tm_sec = time.time().second();
    return wallSecondsOf(fields);
}

QDateTime dateTimeOfWall(WallSeconds seconds) {
    const std::tm fields = wallTimeOf(seconds);
    return QDateTime(QDate(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday),
                     QTime(fields.tm_hour, fields.tm_min, fields.tm_sec));
}

} // namespace

TrendWindow::TrendWindow(const LinkSnapshot& view, const DisplayOptions& options,
                         OperatorMessages& messages, StationRecords& records, QWidget* parent)
    : QWidget(parent, Qt::Window), m_linkView(view), m_options(options), m_messages(messages),
      m_reads(records) {
    setWindowTitle(tr("趋势图"));
    resize(1180, 720);
    buildControls();
    m_rangeTimer.setSingleShot(true);
    m_rangeTimer.setInterval(kRangePauseMs);
    connect(&m_rangeTimer, &QTimer::timeout, this, [this] {
        const auto [from, to] = visibleRange();
        loadVisible(from, to, false);
    });
}

TrendWindow::~TrendWindow() = default;

void TrendWindow::buildControls() {
    auto* drivesBox = new QGroupBox(tr("变频器"), this);
    m_drives = new QListWidget(drivesBox);
    m_drives->setMaximumHeight(120);
    (new QVBoxLayout(drivesBox))->addWidget(m_drives);
    connect(m_drives, &QListWidget::itemChanged, this, [this] { reload(); });

    auto* valuesBox = new QGroupBox(tr("数据"), this);
    auto* values = new QGridLayout(valuesBox);
    for (int q = 0; q < kQuantityCount; ++q) {
        auto* box = new QCheckBox(tr(quantityInfo(static_cast<Quantity>(q)).column), valuesBox);
        box->setChecked(q == 0);
        values->addWidget(box, q / 2, q % 2);
        connect(box, &QCheckBox::toggled, this, [this] { reload(); });
        m_quantities.push_back(box);
    }

    auto* timeBox = new QGroupBox(tr("时间"), this);
    auto* times = new QFormLayout(timeBox);
    m_window = new QComboBox(timeBox);
    for (const WallSeconds seconds : kWindowSeconds) {
        m_window->addItem(seconds < kTrendHour ? tr("最近%1分钟").arg(seconds / 60)
                                               : tr("最近%1小时").arg(seconds / kTrendHour));
    }
    m_window->addItem(tr("自定义"));
    m_window->setCurrentIndex(kDefaultWindow);
    m_from = new QDateTimeEdit(timeBox);
    m_to = new QDateTimeEdit(timeBox);
    for (QDateTimeEdit* edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        edit->setEnabled(false);
        connect(edit, &QDateTimeEdit::editingFinished, this, [this] {
            if (m_window->currentIndex() == kCustomWindow) {
                reload();
            }
        });
    }
    times->addRow(tr("时间窗"), m_window);
    times->addRow(tr("从"), m_from);
    times->addRow(tr("到"), m_to);
    connect(m_window, &QComboBox::currentIndexChanged, this, [this](int index) {
        const bool custom = index == kCustomWindow;
        m_from->setEnabled(custom);
        m_to->setEnabled(custom);
        m_follow->setEnabled(!custom);
        // The short windows are for watching what happens now.
        if (!custom && kWindowSeconds[index] <= kTrendHour) {
            const QSignalBlocker blocker(m_follow);
            m_follow->setChecked(true);
        }
        reload();
    });

    auto* actions = new QVBoxLayout;
    auto* refreshButton = new QPushButton(tr("刷新"), this);
    auto* resetButton = new QPushButton(tr("复位"), this);
    m_follow = new QCheckBox(tr("实时跟随"), this);
    auto* saveButton = new QPushButton(tr("保存图片..."), this);
    for (QWidget* widget :
         {static_cast<QWidget*>(refreshButton), static_cast<QWidget*>(resetButton),
          static_cast<QWidget*>(m_follow), static_cast<QWidget*>(saveButton)}) {
        actions->addWidget(widget);
    }
    actions->addStretch();
    connect(refreshButton, &QPushButton::clicked, this, &TrendWindow::refresh);
    connect(resetButton, &QPushButton::clicked, this, &TrendWindow::resetZoom);
    connect(m_follow, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            reload();
        }
    });
    connect(saveButton, &QPushButton::clicked, this, &TrendWindow::chooseAndSavePng);

    auto* top = new QHBoxLayout;
    top->addWidget(drivesBox, 3);
    top->addWidget(valuesBox, 2);
    top->addWidget(timeBox, 2);
    top->addLayout(actions);

    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->setMargins(QMargins(4, 4, 4, 4));
    m_view = new TrendChartView(this);
    m_view->setChart(chart);
    addTimeAxis();
    m_view->setMinimumSize(560, 360);
    connect(m_view, &TrendChartView::userRangeChanged, this, &TrendWindow::onUserRange);

    auto* eventsPane = new QWidget(this);
    auto* eventsLayout = new QVBoxLayout(eventsPane);
    eventsLayout->setContentsMargins(0, 0, 0, 0);
    eventsLayout->addWidget(new QLabel(tr("故障跳闸与通讯断线"), eventsPane));
    m_events = new QTableWidget(0, 3, eventsPane);
    m_events->setHorizontalHeaderLabels({tr("时间"), tr("变频器"), tr("原因")});
    m_events->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_events->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_events->setSelectionMode(QAbstractItemView::SingleSelection);
    m_events->verticalHeader()->hide();
    m_events->horizontalHeader()->setStretchLastSection(true);
    eventsLayout->addWidget(m_events);
    connect(m_events, &QTableWidget::cellClicked, this,
            [this](int row, int) { centreOnEvent(row); });

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_view);
    split->addWidget(eventsPane);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    split->setSizes({880, 300});

    m_status = new QLabel(this);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addWidget(split, 1);
    root->addWidget(m_status);
}

void TrendWindow::addTimeAxis() {
    m_timeAxis = new QDateTimeAxis;
    m_timeAxis->setFormat(QStringLiteral("MM-dd HH:mm"));
    m_timeAxis->setTickCount(7);
    m_view->chart()->addAxis(m_timeAxis, Qt::AlignBottom);
    connect(m_timeAxis, &QDateTimeAxis::rangeChanged, this, [this] {
        // Keeps the clock's seconds on the axis once a stretch is short.
        const auto [from, to] = visibleRange();
        m_timeAxis->setFormat(to - from <= 2 * kTrendHour ? QStringLiteral("HH:mm:ss")
                                                          : QStringLiteral("MM-dd HH:mm"));
    });
}

void TrendWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        refresh();
    }
}

QCheckBox* TrendWindow::quantityBox(Quantity quantity) const {
    return m_quantities[static_cast<std::size_t>(quantity)];
}

QString TrendWindow::statusText() const {
    return m_status->text();
}

void TrendWindow::refresh() {
    m_reads.request([this] { return namesRead(); });
}

RecordsWorker::Read TrendWindow::namesRead() {
    return [this, station = m_options.stationName](RunRecordReader& reader) {
        try {
            std::vector<std::string> logNames = reader.driveNames(station);
            return RecordsWorker::Completion([this, logNames = std::move(logNames)] {
                fillDriveList(logNames);
                reload();
            });
        } catch (const std::exception& error) {
            // The list stays as it was; "刷新" tries again.
            return RecordsWorker::Completion(
                [this, reason = std::string(error.what())] { showUnavailable(reason); });
        }
    };
}

void TrendWindow::showUnavailable(const std::string& reason) {
    clearChart();
    m_view->chart()->setTitle(QString());
    showStatus(tr("数据源不可用：%1（按“刷新”重试）").arg(qtText(reason)), true);
}

void TrendWindow::fillDriveList(const std::vector<std::string>& logNames) {
    std::vector<std::string> connected;
    const DriveTable& table = m_linkView.table;
    for (uint32_t i = 0; i < table.driveCount && i < table.driveNames.size(); ++i) {
        if (!table.driveNames[i].empty()) {
            connected.push_back(table.driveNames[i]);
        }
    }
    std::set<std::string> checked;
    const bool first = m_drives->count() == 0;
    for (int row = 0; row < m_drives->count(); ++row) {
        if (m_drives->item(row)->checkState() == Qt::Checked) {
            checked.insert(m_drives->item(row)->data(Qt::UserRole).toString().toStdString());
        }
    }
    if (first) {
        // Connected drives first; with none, a look at what the log holds.
        const auto& initial = connected.empty() ? logNames : connected;
        checked.insert(initial.begin(), initial.end());
    }
    std::vector<std::string> names = connected;
    for (const std::string& name : logNames) {
        if (std::find(connected.begin(), connected.end(), name) == connected.end()) {
            names.push_back(name);
        }
    }
    const QSignalBlocker blocker(m_drives);
    m_drives->clear();
    for (const std::string& name : names) {
        const bool isConnected =
            std::find(connected.begin(), connected.end(), name) != connected.end();
        auto* item = new QListWidgetItem(QString::fromStdString(name), m_drives);
        item->setData(Qt::UserRole, QString::fromStdString(name));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.contains(name) ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(isConnected ? tr("已连接") : tr("记录中的变频器"));
        if (isConnected) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
        }
    }
}

bool TrendWindow::chooseWindow() {
    const WallSeconds now = wallSecondsAt(m_clock());
    const int index = m_window->currentIndex();
    WallSeconds from = 0;
    WallSeconds to = now;
    if (index == kCustomWindow) {
        from = wallOf(m_from->dateTime());
        to = wallOf(m_to->dateTime());
        if (from >= to) {
            showStatus(tr("起始时间应早于结束时间"), true);
            return false;
        }
    } else {
        from = now - kWindowSeconds[index];
        // "自定义" starts from the window last shown.
        const QSignalBlocker fromBlocker(m_from);
        const QSignalBlocker toBlocker(m_to);
        m_from->setDateTime(dateTimeOfWall(from));
        m_to->setDateTime(dateTimeOfWall(to));
    }
    const auto storageHours = static_cast<WallSeconds>(m_options.maxStorageHours);
    const WallSeconds earliest = now - storageHours * kTrendHour;
    m_note.clear();
    if (to <= earliest) {
        showStatus(tr("所选时间早于数据最大存储时间（%1小时），这些记录已被清除").arg(storageHours),
                   true);
        return false;
    }
    if (from < earliest) {
        from = earliest;
        m_note = tr("数据最大存储时间为%1小时，只显示最近%1小时。").arg(storageHours);
    }
    m_windowFrom = from;
    m_windowTo = to;
    return true;
}

TrendRequest TrendWindow::requestFor(WallSeconds from, WallSeconds to) const {
    TrendRequest request;
    for (int row = 0; row < m_drives->count(); ++row) {
        if (m_drives->item(row)->checkState() == Qt::Checked) {
            request.drives.push_back(
                m_drives->item(row)->data(Qt::UserRole).toString().toStdString());
        }
    }
    for (int q = 0; q < kQuantityCount; ++q) {
        if (m_quantities[static_cast<std::size_t>(q)]->isChecked()) {
            request.quantities.push_back(static_cast<Quantity>(q));
        }
    }
    request.from = from;
    request.to = to;
    request.columns = plotColumns();
    request.station = m_options.stationName;
    request.recordInterval = std::max<WallSeconds>(1, m_options.recordIntervalMs / 1000);
    return request;
}

int TrendWindow::plotColumns() const {
    const auto width = static_cast<int>(m_view->chart()->plotArea().width());
    return width >= 50 ? width : kDefaultColumns;
}

void TrendWindow::reload() {
    m_reads.request([this] { return reloadRead(); });
}

RecordsWorker::Read TrendWindow::reloadRead() {
    if (!chooseWindow()) {
        clearChart();
        m_eventList.clear();
        showEvents();
        return {};
    }
    m_drawnAt = m_windowTo;
    m_newest = 0;
    return loadRead(m_windowFrom, m_windowTo, true);
}

void TrendWindow::resetZoom() {
    reload();
}

void TrendWindow::loadVisible(WallSeconds from, WallSeconds to, bool withEvents) {
    m_reads.request([this, from, to, withEvents] { return loadRead(from, to, withEvents); });
}

RecordsWorker::Read TrendWindow::loadRead(WallSeconds from, WallSeconds to, bool withEvents) {
    const TrendRequest request = requestFor(from, to);
    if (request.drives.empty() || request.quantities.empty()) {
        clearChart();
        setTimeRange(from, to);
        m_view->chart()->setTitle(tr("请选择变频器和数据"));
        if (withEvents) {
            m_eventList.clear();
            showEvents();
        }
        showStatus(m_note, false);
        return {};
    }
    setCursor(Qt::BusyCursor);
    return [this, request, from, to, withEvents](RunRecordReader& reader) {
        try {
            return RecordsWorker::Completion(
                [this, data = loadTrend(reader, request), from, to, withEvents] {
                    unsetCursor();
                    showLoaded(data, from, to, withEvents);
                });
        } catch (const std::exception& error) {
            return RecordsWorker::Completion([this, reason = std::string(error.what()), from, to] {
                unsetCursor();
                showUnavailable(reason);
                setTimeRange(from, to);
            });
        }
    };
}

void TrendWindow::showLoaded(const TrendData& data, WallSeconds from, WallSeconds to,
                             bool withEvents) {
    drawData(data, from, to);
    if (withEvents) {
        m_eventList = data.events;
        m_newest = data.newest;
        showEvents();
    }
    const bool empty = data.rows == 0;
    m_view->chart()->setTitle(empty ? tr("所选时间内没有记录") : QString());
    showStatus((empty ? tr("所选时间内没有记录。")
                      : tr("%1 条记录，%2 至 %3。")
                            .arg(data.rows)
                            .arg(trendTimeText(from), trendTimeText(to))) +
                   m_note,
               false);
}

void TrendWindow::showEvents() {
    m_events->setRowCount(static_cast<int>(m_eventList.size()));
    for (std::size_t i = 0; i < m_eventList.size(); ++i) {
        const RecordEvent& event = m_eventList[i];
        const int row = static_cast<int>(i);
        m_events->setItem(row, 0, new QTableWidgetItem(trendTimeText(event.time)));
        m_events->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(event.drive)));
        auto* cause = new QTableWidgetItem(QString::fromStdString(event.cause));
        cause->setForeground(event.kind == RecordEvent::Kind::Trip ? kTrendFaultColour
                                                                   : kTrendLossColour);
        m_events->setItem(row, 2, cause);
    }
    m_events->resizeColumnsToContents();
}

void TrendWindow::centreOnEvent(int index) {
    if (index < 0 || index >= static_cast<int>(m_eventList.size())) {
        return;
    }
    const WallSeconds at = m_eventList[static_cast<std::size_t>(index)].time;
    const auto [shownFrom, shownTo] = visibleRange();
    const WallSeconds span = std::clamp<WallSeconds>(shownTo - shownFrom, 60, kLongestCentredSpan);
    const WallSeconds from = at - span / 2;
    m_events->selectRow(index);
    loadVisible(from, from + span, false);
}

void TrendWindow::followRecordPass() {
    m_reads.request([this] { return followRead(); });
}

RecordsWorker::Read TrendWindow::followRead() {
    const int index = m_window->currentIndex();
    if (!m_follow->isChecked() || index == kCustomWindow) {
        return {};
    }
    const WallSeconds now = wallSecondsAt(m_clock());
    const WallSeconds after = std::max(m_newest, m_windowFrom);
    if (now <= after) {
        return {};
    }
    const auto [shownFrom, shownTo] = visibleRange();
    const WallSeconds span = std::max<WallSeconds>(60, shownTo - shownFrom);
    if (now - m_drawnAt >= span) {
        // Everything drawn has scrolled out of sight: draw afresh.
        return reloadRead();
    }
    // The new rows get the columns they would have had in a full drawing.
    const WallSeconds perColumn = std::max<WallSeconds>(1, span / plotColumns());
    TrendRequest request = requestFor(after + 1, now);
    if (request.drives.empty() || request.quantities.empty()) {
        return {};
    }
    request.columns = static_cast<int>(std::max<WallSeconds>(1, (now - after) / perColumn));
    return [this, request, now, span, index](RunRecordReader& reader) {
        try {
            return RecordsWorker::Completion([this, data = loadTrend(reader, request), now, span,
                                              index] { showFollowed(data, now, span, index); });
        } catch (const std::exception& error) {
            return RecordsWorker::Completion([this, reason = std::string(error.what())] {
                showStatus(tr("数据源不可用：%1（按“刷新”重试）").arg(qtText(reason)), true);
            });
        }
    };
}

void TrendWindow::showFollowed(TrendData data, WallSeconds now, WallSeconds span, int index) {
    appendData(data);
    for (RecordEvent& event : data.events) {
        m_eventList.push_back(std::move(event));
    }
    showEvents();
    m_newest = std::max(m_newest, data.newest);
    m_windowFrom = now - kWindowSeconds[index];
    m_windowTo = now;
    setTimeRange(now - span, now);
}

void TrendWindow::showStatus(const QString& text, bool problem) {
    m_status->setText(text);
    m_status->setStyleSheet(problem ? QStringLiteral("color: rgb(200, 0, 0);") : QString());
}

void TrendWindow::onUserRange() {
    if (!m_settingRange) {
        m_rangeTimer.start();
    }
}

void TrendWindow::chooseAndSavePng() {
    const QString suggested = QDir::home().filePath(
        tr("趋势图-%1.png")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"))));
    QString path =
        QFileDialog::getSaveFileName(this, tr("保存趋势图"), suggested, tr("PNG 图片 (*.png)"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".png");
    }
    savePng(path);
}

bool TrendWindow::savePng(const QString& path) {
    const QPixmap picture = m_view->grab();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG")) {
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : tr("写入失败");
        m_messages.notify(tr("不能保存图片 %1：%2").arg(path, reason).toStdString(),
                          std::string(kInfoCaption));
        return false;
    }
    return true;
}

} // namespace velkaro
