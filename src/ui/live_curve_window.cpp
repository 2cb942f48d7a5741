#include "ui/live_curve_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "files/atomic_file.h"
#include "files/csv_text.h"
#include "link/link_snapshot.h"
#include "link/operator_messages.h"
#include "registry/fixed_point.h"

namespace velkaro {

namespace {

// The quantities' names (ui/live_samples.cpp, plain C++) as the curves show
// them; a saved data file keeps them as written.
[[maybe_unused]] constexpr const char* kShownQuantities[] = {
    QT_TRANSLATE_NOOP("velkaro::LiveCurveWindow", "输出频率"),
    QT_TRANSLATE_NOOP("velkaro::LiveCurveWindow", "输出电流"),
    QT_TRANSLATE_NOOP("velkaro::LiveCurveWindow", "输出电压"),
    QT_TRANSLATE_NOOP("velkaro::LiveCurveWindow", "母线电压"),
    QT_TRANSLATE_NOOP("velkaro::LiveCurveWindow", "输出转矩")};

constexpr std::array<QColor, 8> kCurveColours{
    QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44), QColor(148, 103, 189),
    QColor(255, 127, 14), QColor(23, 190, 207), QColor(140, 86, 75), QColor(188, 189, 34)};
constexpr int kAxisWidth = 64;    // the value scale left of each strip
constexpr int kTimeHeight = 18;   // the time scale under the last strip
constexpr int kLegendHeight = 18; // the drives' names above the strips
constexpr int kStripGap = 8;
constexpr int kColumnPixels = 2; // a point every other pixel: finer is not seen, and costs
/// The scales are worked out afresh this often, so they follow what scrolls out.
constexpr uint64_t kScaleRefreshTicks = 10000;
/// A read later than this after the one before breaks the line: the drive
/// was not answering, or the station was not polling it.
constexpr uint64_t kGapTicks = 1500;

QString fromUtf8(const char* text) {
    return QString::fromUtf8(text);
}

QString valueText(LiveQuantity q, double value) {
    const StatusQuantity s = statusQuantityOf(q);
    return QString::fromStdString(
               formatFixed(static_cast<int32_t>(std::lround(value)), s.decimals)) +
           fromUtf8(unitOf(q));
}

double scaleOf(LiveQuantity q) {
    return std::pow(10.0, statusQuantityOf(q).decimals);
}

} // namespace

// ----------------------------------------------------------------- LivePlot

LivePlot::LivePlot(const LiveSamples& samples, QWidget* parent)
    : QWidget(parent), m_samples(samples) {
    setMouseTracking(true);
    setMinimumSize(400, 240);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void LivePlot::setContent(std::vector<Curve> curves, std::vector<LiveQuantity> quantities,
                          uint64_t spanTicks, uint64_t endTick) {
    const bool same = quantities == m_quantities && spanTicks == m_spanTicks &&
                      curves.size() == m_curves.size() &&
                      std::equal(curves.begin(), curves.end(), m_curves.begin(),
                                 [](const Curve& a, const Curve& b) {
                                     return a.slot == b.slot && a.name == b.name;
                                 });
    m_cacheValid = m_cacheValid && same;
    m_curves = std::move(curves);
    m_quantities = std::move(quantities);
    m_spanTicks = std::max<uint64_t>(spanTicks, 1000);
    m_endTick = endTick;
    update();
}

QRect LivePlot::stripRect(std::size_t index) const {
    const int strips = static_cast<int>(std::max<std::size_t>(m_quantities.size(), 1));
    const int height = (this->height() - kLegendHeight - kTimeHeight - kStripGap * strips) / strips;
    const int top = kLegendHeight + kStripGap / 2 + static_cast<int>(index) * (height + kStripGap);
    // A whole number of point columns wide, so the picture scrolls by columns.
    const int width = std::max(2 * kColumnPixels,
                               (this->width() - kAxisWidth - 8) / kColumnPixels * kColumnPixels);
    return {kAxisWidth, top, width, std::max(10, height)};
}

uint64_t LivePlot::columnTicks() const {
    const int columns = std::max(1, stripRect(0).width() / kColumnPixels);
    return std::max<uint64_t>(1, m_spanTicks / static_cast<uint64_t>(columns));
}

uint64_t LivePlot::shownTo() const {
    // The right edge on a column boundary: columns keep their samples as the
    // picture scrolls.
    const uint64_t column = columnTicks();
    return (m_endTick / column + 1) * column;
}

uint64_t LivePlot::tickAt(int x) const {
    const QRect r = stripRect(0);
    const double share = std::clamp(static_cast<double>(x - r.left()) / r.width(), 0.0, 1.0);
    const uint64_t span = columnTicks() * static_cast<uint64_t>(r.width() / kColumnPixels);
    const uint64_t to = shownTo();
    const uint64_t from = to > span ? to - span : 0;
    return from + static_cast<uint64_t>(share * static_cast<double>(span));
}

bool LivePlot::drawCurves(QPainter& painter, uint64_t from, uint64_t to, bool checkScales) {
    const uint64_t column = columnTicks();
    const uint64_t shownFrom =
        m_cacheTo - column * static_cast<uint64_t>(stripRect(0).width() / kColumnPixels);
    const int columns = static_cast<int>((to - from) / column);
    for (std::size_t s = 0; s < m_quantities.size(); ++s) {
        const LiveQuantity q = m_quantities[s];
        const QRect r = stripRect(s);
        const Scale& scale = m_scales[s];
        const auto xOf = [&](uint64_t tick) {
            return r.left() + static_cast<int>((tick - shownFrom) / column) * kColumnPixels +
                   kColumnPixels / 2;
        };
        const auto yOf = [&](double value) {
            return r.bottom() - static_cast<int>((value - scale.low) / (scale.high - scale.low) *
                                                 (r.height() - 1));
        };
        painter.setClipRect(r);
        for (std::size_t c = 0; c < m_curves.size(); ++c) {
            const LiveRing* ring = m_samples.ring(m_curves[c].slot);
            if (ring == nullptr) {
                continue;
            }
            const std::vector<LivePoint> points = decimate(*ring, q, from, to, columns, kGapTicks);
            if (checkScales) {
                for (const LivePoint& p : points) {
                    if (p.value < scale.low || p.value > scale.high) {
                        painter.setClipping(false);
                        return false; // off the scale: everything afresh
                    }
                }
            }
            // A cosmetic pen one pixel wide on whole pixels: the quick path.
            painter.setPen(QPen(kCurveColours[c % kCurveColours.size()], 0));
            QPolygon run;
            const auto drawRun = [&] {
                if (run.size() == 1) {
                    painter.drawPoint(run.front());
                } else if (run.size() > 1) {
                    painter.drawPolyline(run);
                }
                run.clear();
            };
            for (const LivePoint& p : points) {
                if (p.gap) {
                    drawRun();
                }
                run << QPoint(xOf(p.tick), yOf(p.value));
            }
            drawRun();
        }
    }
    painter.setClipping(false);
    return true;
}

void LivePlot::renderWhole() {
    m_cache = QImage(size(), QImage::Format_RGB32);
    m_cache.fill(Qt::white);
    const uint64_t column = columnTicks();
    m_cacheTo = shownTo();
    const uint64_t span = column * static_cast<uint64_t>(stripRect(0).width() / kColumnPixels);
    const uint64_t from = m_cacheTo > span ? m_cacheTo - span : 0;
    // Each strip's scale spans what it shows, a unit tall at least, with a
    // margin so the next reads rarely fall off it.
    m_scales.assign(m_quantities.size(), Scale{});
    for (std::size_t s = 0; s < m_quantities.size(); ++s) {
        const LiveQuantity q = m_quantities[s];
        bool any = false;
        double low = 0;
        double high = 0;
        for (const Curve& c : m_curves) {
            const LiveRing* ring = m_samples.ring(c.slot);
            if (ring == nullptr) {
                continue;
            }
            for (std::size_t i = ring->firstAtOrAfter(from); i < ring->size(); ++i) {
                const LiveSample& sample = ring->at(i);
                if (sample.lost) {
                    continue;
                }
                const double v = sample.values[static_cast<std::size_t>(q)];
                low = any ? std::min(low, v) : v;
                high = any ? std::max(high, v) : v;
                any = true;
            }
        }
        const double margin = std::max((high - low) / 10, scaleOf(q) / 2);
        m_scales[s] = {low - margin, high + margin};
    }
    QPainter painter(&m_cache);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t s = 0; s < m_quantities.size(); ++s) {
        const LiveQuantity q = m_quantities[s];
        const QRect r = stripRect(s);
        painter.setPen(QColor(200, 200, 200));
        painter.drawRect(r.adjusted(-1, -1, 0, 0));
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, r.top(), kAxisWidth - 4, 16), Qt::AlignRight | Qt::AlignTop,
                         valueText(q, m_scales[s].high));
        painter.drawText(QRect(0, r.bottom() - 16, kAxisWidth - 4, 16),
                         Qt::AlignRight | Qt::AlignBottom, valueText(q, m_scales[s].low));
        painter.drawText(QRect(0, r.center().y() - 8, kAxisWidth - 4, 16),
                         Qt::AlignRight | Qt::AlignVCenter, tr(nameOf(q)));
    }
    // The time scale: seconds before now, under the last strip.
    const QRect last = stripRect(std::max<std::size_t>(m_quantities.size(), 1) - 1);
    const int spanSeconds = static_cast<int>(m_spanTicks / 1000);
    const int step = spanSeconds <= 60 ? 10 : 60;
    for (int back = 0; back <= spanSeconds; back += step) {
        const double x = last.right() - static_cast<double>(back) / spanSeconds * last.width();
        painter.drawLine(QPointF(x, last.bottom() + 1), QPointF(x, last.bottom() + 4));
        painter.drawText(QRectF(x - 30, last.bottom() + 4, 60, kTimeHeight - 4), Qt::AlignCenter,
                         back == 0 ? QStringLiteral("0") : QStringLiteral("-%1s").arg(back));
    }
    // The drives' colours.
    int x = kAxisWidth;
    for (std::size_t c = 0; c < m_curves.size(); ++c) {
        painter.setPen(kCurveColours[c % kCurveColours.size()]);
        painter.drawText(x, kLegendHeight - 4, m_curves[c].name);
        x += painter.fontMetrics().horizontalAdvance(m_curves[c].name) + 16;
    }
    drawCurves(painter, from, m_cacheTo, false);
    m_cacheValid = true;
    m_wholeAt = m_endTick;
}

bool LivePlot::scrollTo(uint64_t to) {
    const uint64_t column = columnTicks();
    const auto shiftColumns = static_cast<int>((to - m_cacheTo) / column);
    const int shift = shiftColumns * kColumnPixels;
    QPainter painter(&m_cache);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (std::size_t s = 0; s < m_quantities.size(); ++s) {
        // Each strip's inside moves left; the columns come in clean on the right.
        const QRect r = stripRect(s);
        const QRect keep(r.left() + shift, r.top(), r.width() - shift, r.height());
        painter.drawImage(r.topLeft(), m_cache.copy(keep));
        painter.fillRect(QRect(r.right() - shift + 1, r.top(), shift, r.height()), Qt::white);
    }
    const uint64_t before = m_cacheTo;
    m_cacheTo = to;
    // Back as far as a line may reach, so a read joins the last one drawn
    // even across columns that held none (a drive read less often than a
    // column lasts), and the column drawn last, unfinished then, is redrawn.
    const uint64_t back = ((kGapTicks + column - 1) / column + 2) * column;
    return drawCurves(painter, before > back ? before - back : 0, to, true);
}

void LivePlot::paintEvent(QPaintEvent*) {
    const uint64_t to = shownTo();
    const uint64_t column = columnTicks();
    const uint64_t columns = static_cast<uint64_t>(stripRect(0).width() / kColumnPixels);
    // Afresh after a change of what is shown, of size, of a scale, and now
    // and then so the scales follow what scrolls out; otherwise the picture
    // scrolls and only the new columns are drawn.
    const bool whole = !m_cacheValid || m_cache.size() != size() || to < m_cacheTo ||
                       to - m_cacheTo >= column * columns / 4 ||
                       m_endTick >= m_wholeAt + kScaleRefreshTicks;
    if (whole || (to != m_cacheTo && !scrollTo(to))) {
        renderWhole();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_cache);
    if (m_cursorX >= 0) {
        const QRect last = stripRect(std::max<std::size_t>(m_quantities.size(), 1) - 1);
        painter.setPen(QPen(QColor(90, 90, 90), 1, Qt::DashLine));
        painter.drawLine(m_cursorX, kLegendHeight, m_cursorX, last.bottom());
    }
}

QString LivePlot::readoutAt(int x) const {
    const uint64_t tick = tickAt(x);
    const uint64_t newest = m_endTick;
    const QDateTime at = QDateTime::currentDateTime().addMSecs(-static_cast<qint64>(newest - tick));
    QString text = at.toString(QStringLiteral("HH:mm:ss.z"));
    for (const Curve& c : m_curves) {
        const LiveRing* ring = m_samples.ring(c.slot);
        if (ring == nullptr || ring->size() == 0) {
            continue;
        }
        // The read nearest the pointer, if one is within the gap.
        std::size_t i = ring->firstAtOrAfter(tick);
        if (i == ring->size() || (i > 0 && tick - ring->at(i - 1).tick < ring->at(i).tick - tick)) {
            i = i == 0 ? 0 : i - 1;
        }
        const LiveSample& s = ring->at(i);
        const uint64_t distance = s.tick > tick ? s.tick - tick : tick - s.tick;
        if (s.lost || distance > kGapTicks) {
            continue;
        }
        text += QStringLiteral("   ") + c.name + tr("：");
        for (const LiveQuantity q : m_quantities) {
            text += QLatin1Char(' ') + valueText(q, s.values[static_cast<std::size_t>(q)]);
        }
    }
    return text;
}

void LivePlot::mouseMoveEvent(QMouseEvent* event) {
    m_cursorX = static_cast<int>(event->position().x());
    update();
    Q_EMIT pointerMoved(readoutAt(m_cursorX));
}

void LivePlot::leaveEvent(QEvent*) {
    m_cursorX = -1;
    update();
    Q_EMIT pointerMoved(QString());
}

// --------------------------------------------------------- LiveCurveWindow

LiveCurveWindow::LiveCurveWindow(const LiveSamples& samples, OperatorMessages& messages,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), m_samples(samples), m_messages(messages) {
    setWindowTitle(tr("实时曲线"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(1000, 640);

    m_drives = new QListWidget;
    m_drives->setMaximumWidth(180);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(tr("变频器")));
    left->addWidget(m_drives, 1);
    left->addWidget(new QLabel(tr("曲线")));
    for (int q = 0; q < kLiveQuantities; ++q) {
        auto* box = new QCheckBox(tr(nameOf(static_cast<LiveQuantity>(q))));
        box->setChecked(q == static_cast<int>(LiveQuantity::OutputFrequency));
        connect(box, &QCheckBox::toggled, this, [this] { redraw(); });
        m_quantities[static_cast<std::size_t>(q)] = box;
        left->addWidget(box);
    }

    m_span = new QComboBox;
    m_span->addItems({tr("最近1分钟"), tr("最近5分钟"), tr("最近10分钟")});
    connect(m_span, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    m_pause = new QPushButton(tr("暂停"));
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, [this](bool paused) {
        m_pause->setText(paused ? tr("继续") : tr("暂停"));
        if (!paused) {
            redraw();
        }
    });
    auto* saveCsvButton = new QPushButton(tr("保存数据..."));
    connect(saveCsvButton, &QPushButton::clicked, this, [this] { chooseFile(true); });
    auto* savePngButton = new QPushButton(tr("保存图片..."));
    connect(savePngButton, &QPushButton::clicked, this, [this] { chooseFile(false); });
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_span);
    bar->addWidget(m_pause);
    bar->addStretch(1);
    bar->addWidget(saveCsvButton);
    bar->addWidget(savePngButton);

    m_plot = new LivePlot(samples);
    m_readout = new QLabel;
    m_readout->setMinimumHeight(m_readout->fontMetrics().height() + 4);
    connect(m_plot, &LivePlot::pointerMoved, m_readout, &QLabel::setText);
    auto* right = new QVBoxLayout;
    right->addLayout(bar);
    right->addWidget(m_plot, 1);
    right->addWidget(m_readout);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right, 1);
    connect(m_drives, &QListWidget::itemChanged, this, [this] { redraw(); });
}

void LiveCurveWindow::follow(const LinkSnapshot& view) {
    // The list follows the table: a name per connected drive, ticks kept by name.
    bool changed = false;
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        const DriveRecord* d = view.drive(slot);
        const std::string name = d != nullptr ? d->name : std::string();
        changed = changed || name != m_names[static_cast<std::size_t>(slot)];
    }
    if (changed) {
        std::vector<std::string> ticked;
        for (int row = 0; row < m_drives->count(); ++row) {
            if (m_drives->item(row)->checkState() == Qt::Checked) {
                ticked.push_back(m_drives->item(row)->text().toStdString());
            }
        }
        const QSignalBlocker quiet(m_drives);
        m_drives->clear();
        for (uint32_t i = 0; i < view.table.driveCount; ++i) {
            const std::string& name = view.table.driveNames[i];
            const int slot = view.table.findSlotByName(name);
            auto* item = new QListWidgetItem(QString::fromStdString(name), m_drives);
            item->setData(Qt::UserRole, slot);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            const bool on = std::find(ticked.begin(), ticked.end(), name) != ticked.end();
            item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        }
        for (int slot = 0; slot < kMaxDrives; ++slot) {
            const DriveRecord* d = view.drive(slot);
            m_names[static_cast<std::size_t>(slot)] = d != nullptr ? d->name : std::string();
        }
    }
    if (m_pause->isChecked() || !isVisible()) {
        return;
    }
    // A pixel column's worth of time between two pictures, a pass at least.
    const uint64_t spanTicks =
        static_cast<uint64_t>(
            kSpanSeconds[static_cast<std::size_t>(std::max(0, m_span->currentIndex()))]) *
        1000;
    const uint64_t pixelTicks = spanTicks / static_cast<uint64_t>(std::max(1, m_plot->width()));
    if (changed || m_samples.newestTick() >= m_drawnTick + pixelTicks) {
        redraw();
    }
}

bool LiveCurveWindow::anyDriveShown() const {
    return !chosenSlots().empty();
}

void LiveCurveWindow::showDrive(int slot) {
    for (int row = 0; row < m_drives->count(); ++row) {
        QListWidgetItem* item = m_drives->item(row);
        if (item->data(Qt::UserRole).toInt() == slot) {
            item->setCheckState(Qt::Checked);
        }
    }
}

std::vector<int> LiveCurveWindow::chosenSlots() const {
    std::vector<int> slots;
    for (int row = 0; row < m_drives->count(); ++row) {
        if (m_drives->item(row)->checkState() == Qt::Checked) {
            slots.push_back(m_drives->item(row)->data(Qt::UserRole).toInt());
        }
    }
    return slots;
}

std::vector<LiveQuantity> LiveCurveWindow::chosenQuantities() const {
    std::vector<LiveQuantity> quantities;
    for (int q = 0; q < kLiveQuantities; ++q) {
        if (m_quantities[static_cast<std::size_t>(q)]->isChecked()) {
            quantities.push_back(static_cast<LiveQuantity>(q));
        }
    }
    return quantities;
}

void LiveCurveWindow::redraw() {
    std::vector<LivePlot::Curve> curves;
    for (const int slot : chosenSlots()) {
        curves.push_back({slot, QString::fromStdString(m_names[static_cast<std::size_t>(slot)])});
    }
    const uint64_t spanTicks =
        static_cast<uint64_t>(
            kSpanSeconds[static_cast<std::size_t>(std::max(0, m_span->currentIndex()))]) *
        1000;
    m_drawnTick = m_samples.newestTick();
    m_plot->setContent(std::move(curves), chosenQuantities(), spanTicks, m_drawnTick);
    ++m_repaints;
}

bool LiveCurveWindow::saveCsv(const QString& path) {
    const uint64_t to = m_plot->endTick();
    const uint64_t from = to > m_plot->spanTicks() ? to - m_plot->spanTicks() : 0;
    const QDateTime end = QDateTime::currentDateTime();
    std::string text(kUtf8Bom);
    std::vector<std::string> head{"时间", "变频器名"};
    for (int q = 0; q < kLiveQuantities; ++q) {
        const auto quantity = static_cast<LiveQuantity>(q);
        head.push_back(std::string(nameOf(quantity)) + "(" + unitOf(quantity) + ")");
    }
    text += csvRecord(head);
    for (const int slot : chosenSlots()) {
        const LiveRing* ring = m_samples.ring(slot);
        if (ring == nullptr) {
            continue;
        }
        for (std::size_t i = ring->firstAtOrAfter(from); i < ring->size(); ++i) {
            const LiveSample& s = ring->at(i);
            if (s.tick > to) {
                break;
            }
            std::vector<std::string> row{end.addMSecs(-static_cast<qint64>(to - s.tick))
                                             .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                             .toStdString(),
                                         m_names[static_cast<std::size_t>(slot)]};
            for (int q = 0; q < kLiveQuantities; ++q) {
                row.push_back(
                    s.lost ? std::string("通讯断线")
                           : formatFixed(s.values[static_cast<std::size_t>(q)],
                                         statusQuantityOf(static_cast<LiveQuantity>(q)).decimals));
            }
            text += csvRecord(row);
        }
    }
    if (!replaceFileAtomically(path.toStdString(), text)) {
        m_messages.notify(tr("不能保存数据 %1：无法写入该文件。").arg(path).toStdString(),
                          std::string(kInfoCaption));
        return false;
    }
    return true;
}

bool LiveCurveWindow::savePng(const QString& path) {
    if (!m_plot->grab().save(path, "PNG")) {
        m_messages.notify(tr("不能保存图片 %1：无法写入该文件。").arg(path).toStdString(),
                          std::string(kInfoCaption));
        return false;
    }
    return true;
}

void LiveCurveWindow::chooseFile(bool csv) {
    auto* dialog = new QFileDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilter(csv ? tr("CSV 文件(*.csv)") : tr("图片(*.png)"));
    dialog->setDefaultSuffix(csv ? QStringLiteral("csv") : QStringLiteral("png"));
    // Non-modal: the curves and the station go on while a name is chosen.
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, csv](const QString& path) { csv ? saveCsv(path) : savePng(path); });
    dialog->open();
}

} // namespace velkaro
