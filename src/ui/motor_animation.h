#pragma once

#include <cstdint>

namespace velkaro {

/// The three pictures of the motor: at rest and the two running frames.
enum class MotorFrame { Idle, RunA, RunB };

struct MotorAnimationStep {
    MotorFrame frame;
    int periodMs; ///< when timer 2 fires next
};

/// One expiry of the motor picture timer. Without a selected drive the picture
/// stays and the timer comes back in 150 ms; otherwise a running drive
/// alternates its frames faster with a higher output frequency `status1`
/// (0.01 Hz, taken unsigned: 0 Hz 500 ms, 59.99 Hz 21 ms, 60.00 Hz and above
/// or negative 100 ms) and a stopped one rests on the idle picture.
MotorAnimationStep animateMotorStep(MotorFrame shown, bool driveSelected, int32_t status0,
                                    int32_t status1);

} // namespace velkaro
