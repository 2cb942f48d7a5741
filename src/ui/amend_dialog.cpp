#include "ui/amend_dialog.h"

#include "link/operator_messages.h"
#include "registry/fixed_point.h"
#include "ui/dialog_look.h"
#include "widgets/dialog_units.h"
#include "widgets/skinned_button.h"

#include "widgets/qt_text.h"
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

namespace velkaro {

namespace {

QLineEdit* readOnlyBox(QWidget* parent, const QString& text) {
    auto* box = new QLineEdit(text, parent);
    box->setReadOnly(true);
    return box;
}

} // namespace

std::optional<std::string> AmendDialog::refusalFor(std::string_view text, RegisterKind kind) {
    if (text.empty())
        return std::nullopt;
    const std::optional<FixedParse> parsed = parseEnteredNumber(text, kind.decimals);
    if (!parsed)
        return tr("新的参数值不是有效的数值，请重新输入。").toStdString();
    const int32_t low = kind.isSigned ? -32768 : 0;
    const int32_t high = kind.isSigned ? 32767 : 65535;
    if (parsed->inRange && parsed->value >= low && parsed->value <= high)
        return std::nullopt;
    return tr("新的参数值超出该参数的寄存器范围（%1～%2），请重新输入。")
        .arg(qtText(formatFixed(low, kind.decimals)), qtText(formatFixed(high, kind.decimals)))
        .toStdString();
}

AmendDialog::AmendDialog(QWidget* parent, OperatorMessages& messages, const AmendTexts& texts,
                         bool filled, RegisterKind kind)
    : QDialog(parent), m_messages(messages), m_kind(kind) {
    setWindowTitle(tr("变频器参数修改"));
    setFont(parent ? parent->font() : stationFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kWindowColour);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::Base, kFieldColour);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    const DialogUnits du(font());
    setFixedSize(du.size(230, 132));

    auto* icon = new QLabel(this);
    icon->setGeometry(du.rect(7, 7, 20, 20));
    // Icon 158, the information picture; the style's own one when the
    // resources are not linked in (tests).
    const QString picturePath = QStringLiteral(":/icons/information.svg");
    const QIcon picture = QFile::exists(picturePath)
                              ? QIcon(picturePath)
                              : style()->standardIcon(QStyle::SP_MessageBoxInformation);
    icon->setPixmap(picture.pixmap(icon->size()));

    auto label = [&](const QString& text, QRect where) {
        auto* l = new QLabel(text, this);
        l->setGeometry(where);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    label(tr("    请在下面输入新的参数值，并选择是否保存到变频器EEPRAM中，按“保存”完成"
             "修改。"),
          du.rect(32, 23, 178, 19));
    label(tr("参数编号"), du.rect(31, 56, 40, 11));
    label(tr("参数范围"), du.rect(32, 72, 40, 11));
    label(tr("当前参数值"), du.rect(31, 90, 40, 11));
    label(tr("新的参数值"), du.rect(31, 107, 40, 11));

    m_number = readOnlyBox(this, filled ? texts.number : QString());
    m_number->setGeometry(du.rect(77, 53, 100, 13));
    m_range = readOnlyBox(this, filled ? texts.range : QString());
    m_range->setGeometry(du.rect(77, 71, 100, 13));
    m_current = readOnlyBox(this, filled ? texts.current : QString());
    m_current->setGeometry(du.rect(77, 89, 57, 13));
    m_newValue = new QLineEdit(this);
    m_newValue->setGeometry(du.rect(77, 106, 57, 13));

    m_save = new XpButton(tr("保存"), this);
    m_save->setGeometry(du.rect(161, 105, 50, 14));
    m_save->setBackgroundColor(kButtonColour);
    m_save->setHoverColor(SkinnedButton::defaultHoverColor());
    m_save->setDefault(true);
    m_save->setAutoDefault(true);
    connect(m_save, &QPushButton::clicked, this, &AmendDialog::accept);

    m_newValue->setFocus();
}

void AmendDialog::accept() {
    const QString text = m_newValue->text();
    // The register holds 16 bits: a value beyond them would reach the drive
    // cut to its low bits, a quite different setting.
    if (const auto refusal = refusalFor(text.toStdString(), m_kind)) {
        m_messages.show(*refusal, std::string(kInfoCaption));
        m_newValue->setFocus();
        m_newValue->selectAll();
        return;
    }
    m_confirmedText = text;
    QDialog::accept();
}

} // namespace velkaro
