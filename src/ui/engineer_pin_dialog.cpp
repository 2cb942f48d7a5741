#include "ui/engineer_pin_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/access_gate.h"
#include "ui/station_link.h"
#include "widgets/qt_text.h"

namespace velkaro {
namespace {

constexpr int kLongestUnlockMinutes = 480;

} // namespace

EngineerPinDialog::EngineerPinDialog(QWidget* parent, AccessGate& gate, StationLink& station,
                                     Mode mode)
    : QDialog(parent), m_gate(gate), m_station(station), m_mode(mode) {
    setWindowModality(Qt::NonModal);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_pin = new QLineEdit(this);
    m_pin->setEchoMode(QLineEdit::Password);
    if (mode == Mode::Unlock) {
        setWindowTitle(tr("工程师解锁"));
        layout->addWidget(new QLabel(tr("该操作需要工程师权限，请输入工程师密码："), this));
        form->addRow(tr("工程师密码："), m_pin);
    } else {
        setWindowTitle(tr("工程师密码"));
        layout->addWidget(new QLabel(tr("参数修改、参数导入、存储EEPROM、通讯参数更改、\n"
                                        "名字更改和断开连接需要工程师密码；\n"
                                        "新密码留空则取消密码，所有操作不再受限。"),
                                     this));
        m_repeat = new QLineEdit(this);
        m_repeat->setEchoMode(QLineEdit::Password);
        m_minutes = new QSpinBox(this);
        m_minutes->setRange(1, kLongestUnlockMinutes);
        m_minutes->setValue(gate.unlockMinutes());
        m_minutes->setSuffix(tr(" 分钟"));
        form->addRow(tr("新密码："), m_pin);
        form->addRow(tr("再输入一次："), m_repeat);
        form->addRow(tr("解锁时长："), m_minutes);
    }
    layout->addLayout(form);
    m_status = new QLabel(this);
    layout->addWidget(m_status);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &EngineerPinDialog::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString EngineerPinDialog::statusText() const {
    return m_status->text();
}

void EngineerPinDialog::confirm() {
    if (m_mode == Mode::Unlock) {
        unlock();
    } else {
        storeSettings();
    }
}

void EngineerPinDialog::unlock() {
    const std::string pin = m_pin->text().toStdString();
    m_pin->clear();
    const AccessGate::Entry entry = m_gate.enter(pin);
    std::string result;
    switch (entry) {
    case AccessGate::Entry::Unlocked:
        m_station.logAction({}, "工程师解锁", {}, {});
        Q_EMIT entryAccepted();
        accept();
        return;
    case AccessGate::Entry::Wrong:
        result = "密码错误";
        m_status->setText(tr("密码错误！"));
        break;
    case AccessGate::Entry::WrongLockedOut:
        result = "连续三次密码错误，锁定一分钟";
        m_status->setText(tr("连续三次密码错误，请一分钟后再试！"));
        break;
    case AccessGate::Entry::LockedOut:
        result = "锁定中";
        m_status->setText(tr("输入已锁定，请 %1 秒后再试！").arg(m_gate.lockedOutSeconds()));
        break;
    }
    m_station.logAction({}, "工程师解锁", {}, {}, refusedResult(result));
}

void EngineerPinDialog::storeSettings() {
    if (m_pin->text() != m_repeat->text()) {
        m_status->setText(tr("两次输入的密码不一致！"));
        return;
    }
    // Changing or removing the PIN is itself an engineer's action.
    if (!m_station.engineerAllowed()) {
        m_status->setText(tr("请先用现在的密码解锁！"));
        return;
    }
    const bool had = m_gate.pinSet();
    std::string error;
    if (!m_gate.store(m_pin->text().toStdString(), m_minutes->value(), error)) {
        m_status->setText(tr("密码未保存：%1").arg(qtText(error)));
        return;
    }
    const std::string change = m_gate.pinSet() ? (had ? "更改" : "设置") : "取消";
    m_station.logAction({}, "工程师密码" + change, {},
                        std::to_string(m_gate.unlockMinutes()) + "分钟");
    Q_EMIT entryAccepted();
    accept();
}

} // namespace velkaro
