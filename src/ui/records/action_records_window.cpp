#include "ui/records/action_records_window.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <soci/soci.h>

#include <memory>
#include <optional>

#include "records/action_table.h"
#include "records/run_record_reader.h"
#include "ui/records/station_records.h"

namespace velkaro {
namespace {

constexpr int kDefaultHours = 24;
constexpr int kLongestHours = 24 * 366;

std::optional<std::string> filterOf(const QLineEdit* edit) {
    const QString text = edit->text().trimmed();
    return text.isEmpty() ? std::nullopt : std::optional<std::string>(text.toStdString());
}

} // namespace

struct ActionRecordsWindow::Query {
    ActionQuery rows;
};

ActionRecordsWindow::ActionRecordsWindow(QWidget* parent, StationRecords& records,
                                         const std::string& station)
    : QDialog(parent), m_records(records) {
    setWindowTitle(tr("操作记录"));
    setWindowModality(Qt::NonModal);
    auto* layout = new QVBoxLayout(this);
    auto* filters = new QHBoxLayout;
    m_hours = new QSpinBox(this);
    m_hours->setRange(1, kLongestHours);
    m_hours->setValue(kDefaultHours);
    m_hours->setSuffix(tr(" 小时"));
    m_station = new QLineEdit(QString::fromStdString(station), this);
    m_drive = new QLineEdit(this);
    m_account = new QLineEdit(this);
    for (QLineEdit* edit : {m_station, m_drive, m_account}) {
        edit->setPlaceholderText(tr("全部"));
    }
    auto* look = new QPushButton(tr("查询"), this);
    auto* save = new QPushButton(tr("导出CSV..."), this);
    filters->addWidget(new QLabel(tr("最近"), this));
    filters->addWidget(m_hours);
    filters->addWidget(new QLabel(tr("站名"), this));
    filters->addWidget(m_station);
    filters->addWidget(new QLabel(tr("名字"), this));
    filters->addWidget(m_drive);
    filters->addWidget(new QLabel(tr("账户"), this));
    filters->addWidget(m_account);
    filters->addWidget(look);
    filters->addWidget(save);
    layout->addLayout(filters);

    std::vector<std::string> columns = actionColumns();
    m_table = new QTableWidget(0, static_cast<int>(columns.size()), this);
    QStringList headers;
    for (const std::string& column : columns) {
        headers << QString::fromStdString(column);
    }
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);
    m_status = new QLabel(this);
    // A failed read carries the data source's own message: shown whole.
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    resize(900, 420);

    m_chooseFile = [this] {
        return QFileDialog::getSaveFileName(this, tr("导出操作记录"), tr("操作记录.csv"),
                                            tr("CSV 文件 (*.csv)"));
    };
    connect(look, &QPushButton::clicked, this, &ActionRecordsWindow::refresh);
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = m_chooseFile();
        if (!path.isEmpty()) {
            exportTo(path);
        }
    });
}

ActionRecordsWindow::Query ActionRecordsWindow::query() const {
    const std::time_t now = systemNow();
    Query q;
    q.rows.after = hoursBefore(now, static_cast<uint32_t>(m_hours->value()));
    q.rows.upTo = localTimeOf(now + 1);
    q.rows.station = filterOf(m_station);
    q.rows.drive = filterOf(m_drive);
    q.rows.account = filterOf(m_account);
    return q;
}

QString ActionRecordsWindow::statusText() const {
    return m_status->text();
}

void ActionRecordsWindow::refresh() {
    ActionQuery rows = query().rows;
    rows.limit = kMostRows;
    rows.newestFirst = true;
    ++m_pending;
    m_status->setText(tr("正在读取..."));
    const QPointer<ActionRecordsWindow> self(this);
    auto done = [self](std::vector<ActionRecord> found, const std::string& error) {
        return RecordsWorker::Completion([self, found = std::move(found), error] {
            if (!self) {
                return;
            }
            --self->m_pending;
            if (!error.empty()) {
                self->m_status->setText(tr("读取失败：%1").arg(QString::fromStdString(error)));
                return;
            }
            self->showRows(found);
        });
    };
    m_records.read(
        [rows, done](RunRecordReader& reader) {
            try {
                return done(reader.withSession(
                                [&](soci::session& session) { return readActions(session, rows); }),
                            {});
            } catch (const std::exception& error) {
                return done({}, error.what());
            }
        },
        done({}, tr("数据源忙，请稍后再查询").toStdString()));
}

void ActionRecordsWindow::showRows(const std::vector<ActionRecord>& rows) {
    m_table->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const ActionRecord& row = rows[static_cast<std::size_t>(i)];
        const std::string cells[] = {formatRecordTime(localTimeOf(row.time)),
                                     row.station,
                                     row.account,
                                     row.drive,
                                     row.address > 0 ? std::to_string(row.address) : std::string(),
                                     row.action,
                                     row.oldValue,
                                     row.newValue,
                                     row.result};
        for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
            m_table->setItem(i, column,
                             new QTableWidgetItem(
                                 QString::fromStdString(cells[static_cast<std::size_t>(column)])));
        }
    }
    m_table->resizeColumnsToContents();
    m_status->setText(rows.size() >= static_cast<std::size_t>(kMostRows)
                          ? tr("显示最新的 %1 条记录（时间段内还有更早的记录）").arg(rows.size())
                          : tr("共 %1 条记录").arg(rows.size()));
    Q_EMIT shown();
}

void ActionRecordsWindow::exportTo(const QString& path) {
    const ActionQuery rows = query().rows;
    ++m_pending;
    m_status->setText(tr("正在导出..."));
    const QPointer<ActionRecordsWindow> self(this);
    auto done = [self](const QString& text) {
        return RecordsWorker::Completion([self, text] {
            if (self) {
                --self->m_pending;
                self->m_status->setText(text);
            }
        });
    };
    m_records.read(
        [rows, done, file = path.toStdString()](RunRecordReader& reader) {
            try {
                const std::vector<ActionRecord> found = reader.withSession(
                    [&](soci::session& session) { return readActions(session, rows); });
                if (std::string error = writeActionCsv(found, file); !error.empty()) {
                    return done(tr("导出失败：%1").arg(QString::fromStdString(error)));
                }
                return done(
                    tr("%1 条记录已导出到 %2").arg(found.size()).arg(QString::fromStdString(file)));
            } catch (const std::exception& error) {
                return done(tr("导出失败：%1").arg(QString::fromUtf8(error.what())));
            }
        },
        done(tr("数据源忙，请稍后再导出")));
}

} // namespace velkaro
