#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "registry/drive_table.h"
#include "registry/language.h"

// The texts a drive's state is shown in: the state itself, the fault and
// alarm causes of each series.

namespace velkaro {

inline constexpr std::string_view kStateOffline = VELKARO_TRANSLATE_NOOP("StateTexts", "通讯断线");
inline constexpr std::string_view kStateFault = VELKARO_TRANSLATE_NOOP("StateTexts", "故障中");
inline constexpr std::string_view kStateAlarm = VELKARO_TRANSLATE_NOOP("StateTexts", "报警中");
inline constexpr std::string_view kStateForward = VELKARO_TRANSLATE_NOOP("StateTexts", "正向运转");
inline constexpr std::string_view kStateReverse = VELKARO_TRANSLATE_NOOP("StateTexts", "反向运转");
inline constexpr std::string_view kStateStopped = VELKARO_TRANSLATE_NOOP("StateTexts", "停止中");
inline constexpr std::string_view kCauseUnrecognised =
    VELKARO_TRANSLATE_NOOP("StateTexts", "不能识别的故障");
inline constexpr std::string_view kCauseNone = VELKARO_TRANSLATE_NOOP("StateTexts", "无");

struct StateTexts {
    std::string state;
    std::string cause;
};

/// State and cause text of a drive record, by the precedence offline, fault,
/// alarm, running (direction by bit 14), stopped.
StateTexts driveStateTexts(const DriveRecord& drive);
/// The same for a slot of the table (an out-of-range slot reads as offline).
StateTexts driveStateTexts(const DriveTable& table, int slot);

/// The same texts in the display language, for the operator; each piece is
/// translated on its own, so an alarm set reads as a list in English. Never
/// stored: run records, reports and the broker keep driveStateTexts().
StateTexts shownStateTexts(const DriveRecord& drive);
StateTexts shownStateTexts(const DriveTable& table, int slot);

/// A cause as a run record stores it (driveStateTexts().cause) in the display
/// language: a table text, a QD30/QD40 alarm set (its causes run on without a
/// separator) or an unknown code; anything else as stored.
std::string shownStoredCause(std::string_view stored);

/// Fault text of a series for a fault code. QD20 takes the low four bits.
/// Codes beyond the table or negative give "未知代码N"; other series
/// give "不能识别的故障".
std::string faultText(std::string_view series, int32_t code);
/// Alarm cause from `status[10]` (low) and `status[11]` (high).
std::string alarmText(std::string_view series, int32_t low, int32_t high);

} // namespace velkaro
