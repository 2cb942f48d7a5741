// The motor picture of the selected drive (timer 2).

#include "app/main_window.h"
#include "ui/station_link.h"

#include <QIcon>
#include <QLabel>

namespace velkaro {

int MainWindow::animateMotorIcon() {
    bool selected = false;
    int32_t status0 = 0;
    int32_t status1 = 0;
    const int slot = m_station->selectedSlot();
    if (slot >= 0 && slot < kMaxDrives) {
        const DriveRecord& drive = m_station->view().table.slots[static_cast<std::size_t>(slot)];
        selected = true;
        status0 = drive.status[0];
        status1 = drive.status[1];
    }
    const MotorAnimationStep step = animateMotorStep(m_motorFrame, selected, status0, status1);
    if (step.frame != m_motorFrame) {
        showMotorFrame(step.frame);
    }
    return step.periodMs;
}

void MainWindow::showMotorFrame(MotorFrame frame) {
    if (m_motorPixmaps[0].isNull()) {
        const QSize size = m_motorPicture->size();
        m_motorPixmaps = {QIcon(QStringLiteral(":/icons/motor_idle.svg")).pixmap(size),
                          QIcon(QStringLiteral(":/icons/motor_run_a.svg")).pixmap(size),
                          QIcon(QStringLiteral(":/icons/motor_run_b.svg")).pixmap(size)};
    }
    m_motorFrame = frame;
    m_motorPicture->setPixmap(m_motorPixmaps[static_cast<std::size_t>(frame)]);
}

} // namespace velkaro
