#include "ui/about_dialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/dialog_look.h"
#include "velkaro_version.h"
#include "widgets/skinned_button.h"

namespace velkaro {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("关于 Velkaro"));
    applyDialogLook(this);

    auto* icon = new QLabel;
    icon->setPixmap(QIcon(QStringLiteral(":/icons/velkaro.svg")).pixmap(32, 32));
    auto* version = new QLabel(tr("Velkaro1.11 测试版"));
    version->setMinimumWidth(160);
    // The release actually installed, beside the designed text that never changes.
    auto* release = new QLabel(tr("版本 %1").arg(QString::fromLatin1(kVersion)));
    auto* ok = createDialogButton(tr("确定"));
    ok->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->addWidget(version);
    texts->addWidget(release);
    row->addLayout(texts, 1);
    row->addSpacing(12);
    row->addWidget(ok, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace velkaro
