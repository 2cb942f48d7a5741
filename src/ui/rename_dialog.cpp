#include "ui/rename_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/dialog_look.h"
#include "widgets/skinned_button.h"

namespace velkaro {

RenameDialog::RenameDialog(const QString& currentName, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("变频器重命名"));
    applyDialogLook(this);

    auto* icon = new QLabel;
    icon->setPixmap(QIcon(QStringLiteral(":/icons/information.svg")).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* instruction = new QLabel(
        tr("     请在下面输入变频器新名字，新名字不能与其他变频器名字重复，且连接时有效。"));
    instruction->setWordWrap(true);
    instruction->setMinimumWidth(300);

    m_current = new QLineEdit(currentName);
    m_current->setReadOnly(true);
    m_new = new QLineEdit;
    // The name goes into the run records, whose name column holds 255
    // characters; a longer one would fail every record pass from that drive on.
    m_new->setMaxLength(255);

    m_okButton = createDialogButton(tr("确定"));
    m_cancelButton = createDialogButton(tr("取消"));
    m_okButton->setAutoDefault(false);
    m_cancelButton->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(tr("变频器当前名字：")), 0, 0);
    fields->addWidget(m_current, 0, 1);
    fields->addWidget(new QLabel(tr("变频器新的名字：")), 1, 0);
    fields->addWidget(m_new, 1, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(instruction, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_okButton, &QPushButton::clicked, this, &RenameDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &RenameDialog::reject);
    m_new->setFocus();
}

void RenameDialog::accept() {
    m_renameRequest = m_new->text();
    QDialog::accept();
}

void RenameDialog::reject() {
    m_renameRequest.clear();
    QDialog::reject();
}

} // namespace velkaro
