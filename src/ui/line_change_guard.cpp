#include "ui/line_change_guard.h"

#include "link/link_snapshot.h"
#include "link/operator_messages.h"
#include "widgets/qt_text.h"

#include "ui/station_link.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace velkaro {

bool lineDiffers(const LinkSettings& a, const LinkSettings& b) {
    return a.portChoice != b.portChoice || a.baudChoice != b.baudChoice ||
           a.parityChoice != b.parityChoice || a.dataBitsChoice != b.dataBitsChoice ||
           a.stopBitsChoice != b.stopBitsChoice;
}

std::vector<std::string> runningDrives(const LinkSnapshot& view) {
    std::vector<std::string> names;
    const uint32_t count = std::min<uint32_t>(view.table.driveCount, kMaxDrives);
    for (uint32_t i = 0; i < count; ++i) {
        const std::string& name = view.table.driveNames[i];
        const int slot = view.table.findSlotByName(name);
        const DriveRecord* drive = view.drive(slot);
        if (drive != nullptr && (drive->status[0] & status_bit::kRunning) != 0) {
            names.push_back(name);
        }
    }
    return names;
}

LineChangeGuard::LineChangeGuard(QWidget* parent, StationLink& station, OperatorMessages& messages)
    : m_parent(parent), m_station(station), m_messages(messages) {}

QMessageBox* LineChangeGuard::question() const {
    return m_question.data();
}

bool LineChangeGuard::request(const std::function<void()>& change, bool lineChanges) {
    if (m_question) {
        m_question->raise();
        m_question->activateWindow();
        return false;
    }
    const LinkSnapshot view = m_station.link().snapshot();
    if (view.transferRunning || m_station.transferPending()) {
        m_messages.notify(std::string(kLineChangeRefused), std::string(kInfoCaption));
        return false;
    }
    const std::vector<std::string> running =
        lineChanges ? runningDrives(view) : std::vector<std::string>{};
    if (running.empty()) {
        change();
        return true;
    }
    QStringList names;
    for (const std::string& name : running) {
        names << qtText(name);
    }
    auto* box = new QMessageBox(
        QMessageBox::Warning, qtText(kInfoCaption),
        QCoreApplication::translate("velkaro::LineChangeGuard",
                                    "以下变频器正在运行，改变通讯参数后将失去监控：") +
            names.join(QCoreApplication::translate("velkaro::LineChangeGuard", "，")),
        QMessageBox::NoButton, m_parent);
    box->setInformativeText(
        QCoreApplication::translate("velkaro::LineChangeGuard", "确定要改变通讯参数吗？"));
    QPushButton* confirm = box->addButton(
        QCoreApplication::translate("velkaro::LineChangeGuard", "确定"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(
        QCoreApplication::translate("velkaro::LineChangeGuard", "取消"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [this, box, confirm, change] {
        if (box->clickedButton() != confirm) {
            return;
        }
        // A transfer given while the question was open would be cut as well.
        if (m_station.link().snapshot().transferRunning || m_station.transferPending()) {
            m_messages.notify(std::string(kLineChangeRefused), std::string(kInfoCaption));
            return;
        }
        change();
    });
    m_question = box;
    // Modal to the dialog it was asked from only, and not waited on: the
    // 100 ms pass goes on while the operator reads it.
    box->open();
    return false;
}

} // namespace velkaro
