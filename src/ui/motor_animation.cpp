#include "ui/motor_animation.h"

#include "registry/drive_table.h"

namespace velkaro {

namespace {
constexpr int kNoSelectionPeriodMs = 150;
constexpr int kFastPeriodMs = 100;
constexpr uint32_t kFullSpeed = 6000; // 60.00 Hz
} // namespace

MotorAnimationStep animateMotorStep(MotorFrame shown, bool driveSelected, int32_t status0,
                                    int32_t status1) {
    if (!driveSelected) {
        return {shown, kNoSelectionPeriodMs};
    }
    // A negative word read as unsigned is far above full speed.
    const auto v = static_cast<uint32_t>(status1);
    const int period =
        v >= kFullSpeed ? kFastPeriodMs : 500 - static_cast<int>(v * 480 / kFullSpeed);

    MotorFrame frame = shown;
    if (frame != MotorFrame::Idle) {
        frame = frame == MotorFrame::RunA ? MotorFrame::RunB : MotorFrame::RunA;
    }
    if ((status0 & status_bit::kRunning) != 0) {
        if (frame == MotorFrame::Idle) {
            frame = MotorFrame::RunA;
        }
    } else {
        frame = MotorFrame::Idle;
    }
    return {frame, period};
}

} // namespace velkaro
