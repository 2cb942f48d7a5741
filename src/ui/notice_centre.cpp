#include "ui/notice_centre.h"

#include "ui/dialog_look.h"
#include "ui/notice_log.h"
#include "widgets/skinned_button.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velkaro {

namespace {
enum NoticeColumn { TimeColumn, CountColumn, TextColumn };
}

NoticeCentre::NoticeCentre(const NoticeLog& log, QWidget* parent) : QDialog(parent), m_log(log) {
    setWindowTitle(tr("消息记录"));
    setModal(false);
    applyDialogLook(this);

    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(true);
    m_list->setHeaderLabels({tr("最近一次"), tr("次数"), tr("消息")});
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(TimeColumn, 140);
    m_list->setColumnWidth(CountColumn, 44);
    m_dropped = new QLabel(this);
    m_dropped->hide();

    auto* close = createDialogButton(tr("关闭"), this);
    close->setMinimumWidth(90);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_dropped, 1);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(560, 300);
    refresh();
}

void NoticeCentre::refresh() {
    m_list->clear();
    const auto& entries = m_log.entries();
    for (std::size_t i = entries.size(); i-- > 0;) { // newest first
        const NoticeLog::Entry& entry = entries[i];
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(TimeColumn, entry.last.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        item->setText(CountColumn, QString::number(entry.count));
        item->setTextAlignment(CountColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(TextColumn, entry.text);
        item->setToolTip(TextColumn, entry.text);
    }
    if (m_log.dropped() > 0) {
        m_dropped->setText(tr("更早的 %1 条消息已不再保留。").arg(m_log.dropped()));
        m_dropped->show();
    }
}

} // namespace velkaro
