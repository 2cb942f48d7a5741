#include "link/operator_messages.h"
#include "link/ports/device_address.h"
#include "link/ports/posix_serial_port.h"
#include "registry/drive_table.h"
#include "widgets/qt_text.h"

#include "ui/connection_dialog.h"
#include "ui/dialog_look.h"
#include "ui/station_link.h"
#include "widgets/skinned_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velkaro {

namespace {

constexpr int kFinderWatchMs = 200;
constexpr const char* kFinderRunning = QT_TRANSLATE_NOOP(
    "velkaro::ConnectionDialog", "通讯参数检测正在进行，检测结束后才能应用通讯参数。");

// The link's parity choices as the operator reads them; the choice itself is
// taken by its index.
[[maybe_unused]] constexpr const char* kShownParities[] = {
    QT_TRANSLATE_NOOP("velkaro::ConnectionDialog", "无"),
    QT_TRANSLATE_NOOP("velkaro::ConnectionDialog", "奇校验"),
    QT_TRANSLATE_NOOP("velkaro::ConnectionDialog", "偶校验")};

template <std::size_t N>
QComboBox* choiceBox(const std::array<std::string_view, N>& entries, int current) {
    auto* box = new QComboBox;
    for (const std::string_view entry : entries) {
        box->addItem(
            QCoreApplication::translate("velkaro::ConnectionDialog", std::string(entry).c_str()));
    }
    box->setCurrentIndex(current >= 0 && current < static_cast<int>(N) ? current : 0);
    return box;
}

} // namespace

ConnectionDialog::ConnectionDialog(StationLink& station, OperatorMessages& messages,
                                   QWidget* parent)
    : QDialog(parent), m_station(station), m_messages(messages), m_guard(this, station, messages) {
    setWindowTitle(tr("连接控制"));
    applyDialogLook(this);

    const LinkSettings settings = m_station.link().settings();

    m_port = choiceBox(portChoices, settings.portChoice);
    m_baud = choiceBox(baudChoices, settings.baudChoice);
    m_parity = choiceBox(parityChoices, settings.parityChoice);
    m_dataBits = choiceBox(dataBitsChoices, settings.dataBitsChoice);
    m_stopBits = choiceBox(stopBitsChoices, settings.stopBitsChoice);
    m_timeout = new QLineEdit(QString::number(settings.replyTimeoutTicks));
    m_fastReplies = new QCheckBox(tr("快速应答识别"));
    m_fastReplies->setChecked(settings.frameEnd == FrameEnd::Completion);
    m_networkNotice = new QLabel;
    m_networkNotice->setWordWrap(true);
    m_applyButton = createDialogButton(tr("应用"));

    auto* options = new QGroupBox(tr("通讯选项"));
    auto* optionsForm = new QFormLayout(options);
    optionsForm->addRow(tr("串口选择"), m_port);
    optionsForm->addRow(tr("波特率选择"), m_baud);
    optionsForm->addRow(tr("奇偶效验"), m_parity);
    optionsForm->addRow(tr("数据长度"), m_dataBits);
    optionsForm->addRow(tr("停止位数"), m_stopBits);
    optionsForm->addRow(tr("超时时间"), m_timeout);
    optionsForm->addRow(QString(), m_fastReplies);
    optionsForm->addRow(m_networkNotice);
    optionsForm->addRow(QString(), m_applyButton);

    m_connectOne = new QRadioButton(tr("连接一台变频器"));
    m_search = new QRadioButton(tr("搜索并连接变频器"));
    m_search->setChecked(true);
    // Fixed start values at every opening; they are not remembered.
    m_startAddress = new QLineEdit(QStringLiteral("1"));
    m_searchLength = new QLineEdit(QStringLiteral("5"));
    m_connectButton = createDialogButton(tr("连接"));
    m_connectButton->setDefault(true);

    auto* connection = new QGroupBox(tr("连接控制"));
    auto* connectionForm = new QFormLayout(connection);
    connectionForm->addRow(m_connectOne);
    connectionForm->addRow(m_search);
    connectionForm->addRow(tr("起始地址"), m_startAddress);
    connectionForm->addRow(tr("搜寻长度"), m_searchLength);
    connectionForm->addRow(QString(), m_connectButton);

    m_exitButton = createDialogButton(tr("退出"));
    m_exitButton->setAutoDefault(false);
    m_applyButton->setAutoDefault(false);

    auto* groups = new QHBoxLayout;
    groups->addWidget(options);
    groups->addWidget(connection, 0, Qt::AlignTop);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showPortKind();
    connect(m_port, &QComboBox::currentIndexChanged, this, &ConnectionDialog::showPortKind);
    connect(m_applyButton, &QPushButton::clicked, this, &ConnectionDialog::apply);
    connect(m_connectButton, &QPushButton::clicked, this, &ConnectionDialog::connectDrives);
    connect(m_exitButton, &QPushButton::clicked, this, &ConnectionDialog::exitDialog);

    // The settings shown are the link's own even while the finder tries
    // others; 应用 waits for the run to end.
    m_finderWatch.setInterval(kFinderWatchMs);
    connect(&m_finderWatch, &QTimer::timeout, this, &ConnectionDialog::followFinder);
    followFinder();
}

void ConnectionDialog::followFinder() {
    const bool running = m_station.link().snapshot().finder.running;
    m_applyButton->setEnabled(!running);
    m_applyButton->setToolTip(running ? tr(kFinderRunning) : QString());
    if (running) {
        m_finderWatch.start();
    } else {
        m_finderWatch.stop();
    }
}

void ConnectionDialog::showPortKind() {
    const std::string device = devicePathForPort(m_port->currentIndex() + 1);
    if (!isNetworkDevice(device)) {
        m_networkNotice->hide();
        return;
    }
    m_networkNotice->setText(tr("%1 经网络连接：\n%2\n波特率、奇偶效验、数据长度和停止位"
                                "由串口服务器或网关设定，此处的设置不起作用。")
                                 .arg(m_port->currentText(), QString::fromStdString(device)));
    m_networkNotice->show();
}

std::optional<int> ConnectionDialog::readInteger(QLineEdit* edit) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        m_messages.show(tr("请输入一个整数。").toStdString(), "");
        edit->setFocus();
        edit->selectAll();
        return std::nullopt;
    }
    return value;
}

bool ConnectionDialog::checkRange(QLineEdit* edit, int value, int low, int high) {
    if (value >= low && value <= high) {
        return true;
    }
    m_messages.show(tr("请输入一个介于 %1 和 %2 之间的整数。").arg(low).arg(high).toStdString(),
                    "");
    edit->setFocus();
    edit->selectAll();
    return false;
}

std::optional<ConnectionDialog::Fields> ConnectionDialog::readFields() {
    const auto timeout = readInteger(m_timeout);
    if (!timeout) {
        return std::nullopt;
    }
    const auto start = readInteger(m_startAddress);
    // The request frame carries one address byte: a larger number would reach
    // another drive (256 the broadcast address) and name it after the number.
    if (!start || !checkRange(m_startAddress, *start, 0, kLastBusAddress)) {
        return std::nullopt;
    }
    const auto length = readInteger(m_searchLength);
    if (!length) {
        return std::nullopt;
    }
    // Likewise the search may not run past the last bus address.
    const int longest = *start > 0 ? kLastBusAddress + 1 - *start : kLastBusAddress;
    if (!checkRange(m_searchLength, *length, 0, longest)) {
        return std::nullopt;
    }
    return Fields{*timeout, *start, *length};
}

bool ConnectionDialog::apply() {
    const auto fields = readFields();
    if (!fields) {
        return false;
    }
    if (m_station.link().snapshot().finder.running) {
        m_messages.notify(tr(kFinderRunning).toStdString(), std::string(kInfoCaption));
        followFinder();
        return false;
    }
    const LinkSettings current = m_station.link().settings();
    LinkSettings settings = current;
    settings.applyChoices(m_port->currentIndex(), m_baud->currentIndex(), m_parity->currentIndex(),
                          m_dataBits->currentIndex(), m_stopBits->currentIndex());
    settings.replyTimeoutTicks = fields->timeout;
    settings.frameEnd = m_fastReplies->isChecked() ? FrameEnd::Completion : FrameEnd::Silence;
    settings.settingsChanged = true;
    StationLink& station = m_station;
    if (lineSettingsText(current) != lineSettingsText(settings) && !station.engineerAllowed()) {
        return false;
    }
    return m_guard.request(
        [&station, current, settings] {
            station.link().setSettings(settings);
            if (lineSettingsText(current) != lineSettingsText(settings)) {
                station.logAction({}, "通讯参数更改", lineSettingsText(current),
                                  lineSettingsText(settings));
            }
        },
        lineDiffers(current, settings));
}

bool ConnectionDialog::connectDrives() {
    const auto fields = readFields();
    if (!fields) {
        return false;
    }
    // Found drives join the table; nothing waits for the search to end.
    // Start address 0 or length 0 searches nothing.
    if (fields->startAddress > 0 && fields->searchLength > 0) {
        m_station.submit({},
                         Search{fields->startAddress, static_cast<unsigned>(fields->searchLength)});
    }
    done(QDialog::Accepted);
    return true;
}

bool ConnectionDialog::exitDialog() {
    if (!readFields()) {
        return false;
    }
    done(QDialog::Rejected);
    return true;
}

void ConnectionDialog::reject() {
    exitDialog();
}

} // namespace velkaro
