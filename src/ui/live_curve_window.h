#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/live_samples.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPainter;
class QPushButton;

namespace velkaro {

class OperatorMessages;
class LivePlot;
struct LinkSnapshot;

/// "实时曲线": the chosen drives' running values as every status read brings
/// them, for the last 1, 5 or 10 minutes, scrolling as reads come in. One
/// strip per chosen quantity with its own scale; the pointer shows time and
/// values under it; "暂停" holds the picture while the reads go on being
/// kept. Saves what it shows as CSV or PNG. Non-modal; reads only the
/// station's samples, never the bus.
class LiveCurveWindow : public QWidget {
    Q_OBJECT
public:
    /// Spans offered, in seconds.
    static constexpr std::array<int, 3> kSpanSeconds{60, 300, 600};

    LiveCurveWindow(const LiveSamples& samples, OperatorMessages& messages,
                    QWidget* parent = nullptr);

    /// After a status pass: the drive list follows the table, and the curves
    /// move on unless paused (redrawn no more often than a pixel's worth of time).
    void follow(const LinkSnapshot& view);
    /// Ticks the drive in `slot` (the selected drive's context menu).
    void showDrive(int slot);
    bool anyDriveShown() const;
    /// Writes what the window shows (chosen drives and quantities over the
    /// span) as CSV, UTF-8 with BOM; false and a message naming the file when
    /// it cannot be written.
    bool saveCsv(const QString& path);
    bool savePng(const QString& path);

    // Controls, for tests.
    QListWidget* driveList() const { return m_drives; }
    QCheckBox* quantityBox(LiveQuantity q) const {
        return m_quantities[static_cast<std::size_t>(q)];
    }
    QComboBox* spanChoice() const { return m_span; }
    QPushButton* pauseButton() const { return m_pause; }
    LivePlot* plot() const { return m_plot; }
    /// Repaints so far (what follow() costs is mostly these).
    int repaints() const { return m_repaints; }

private:
    void chooseFile(bool csv);
    void redraw();
    std::vector<int> chosenSlots() const;
    std::vector<LiveQuantity> chosenQuantities() const;

    const LiveSamples& m_samples;
    OperatorMessages& m_messages;
    QListWidget* m_drives = nullptr;
    std::array<QCheckBox*, kLiveQuantities> m_quantities{};
    QComboBox* m_span = nullptr;
    QPushButton* m_pause = nullptr;
    LivePlot* m_plot = nullptr;
    QLabel* m_readout = nullptr;
    std::array<std::string, kMaxDrives> m_names;
    uint64_t m_drawnTick = 0;
    int m_repaints = 0;
};

/// The strips of a live curve, painted straight from the rings.
class LivePlot : public QWidget {
    Q_OBJECT
public:
    struct Curve {
        int slot = -1;
        QString name;
    };

    LivePlot(const LiveSamples& samples, QWidget* parent = nullptr);
    /// What to draw: the curves, the quantities (a strip each), and the span
    /// ending at `endTick`.
    void setContent(std::vector<Curve> curves, std::vector<LiveQuantity> quantities,
                    uint64_t spanTicks, uint64_t endTick);
    uint64_t endTick() const { return m_endTick; }
    uint64_t spanTicks() const { return m_spanTicks; }
    /// Time and values under the pointer at x, as the readout shows them.
    QString readoutAt(int x) const;

Q_SIGNALS:
    void pointerMoved(const QString& readout);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Scale {
        double low = 0;
        double high = 1;
    };
    QRect stripRect(std::size_t index) const;
    /// Ticks a point column covers, and the right edge of what is shown.
    uint64_t columnTicks() const;
    uint64_t shownTo() const;
    uint64_t tickAt(int x) const;
    /// The picture drawn whole into the cache: scales, texts, curves.
    void renderWhole();
    /// The cached picture moved on to `to`, only the new columns drawn;
    /// false when a new value falls off its strip's scale.
    bool scrollTo(uint64_t to);
    bool drawCurves(QPainter& painter, uint64_t from, uint64_t to, bool checkScales);

    const LiveSamples& m_samples;
    std::vector<Curve> m_curves;
    std::vector<LiveQuantity> m_quantities;
    uint64_t m_spanTicks = 60000;
    uint64_t m_endTick = 0;
    int m_cursorX = -1;
    // What has been painted, to scroll instead of painting afresh.
    QImage m_cache;
    bool m_cacheValid = false;
    uint64_t m_cacheTo = 0;
    uint64_t m_wholeAt = 0;
    std::vector<Scale> m_scales;
};

} // namespace velkaro
