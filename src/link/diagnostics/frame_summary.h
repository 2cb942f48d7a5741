#pragma once

// Frames in words, for the traffic monitor of the station and the console.

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/diagnostics/frame_log.h"

namespace velkaro {

/// A short summary of a recorded frame in the operator's words: a request
/// ("读 0x3210 ×16", "写 0x3200 ×4", "回送测试"), an answer ("应答 16 字",
/// "异常 02 非法地址"), or what became of it ("CRC 错误", "超时无应答").
/// Safe for any bytes: reads only the record's `length` bytes. Saved traffic
/// keeps the Chinese; `shown` gives it in the display language.
std::string summariseFrame(const FrameRecord& record, bool shown = false);

/// Two-digit upper-case hex, separated by single spaces: "01 03 32 10".
std::string hexBytes(const uint8_t* bytes, std::size_t length);

/// One line of `velkaro-bus monitor` and of the saved traffic, tab-separated:
/// milliseconds since `startTick`, TX or RX, the bytes ("--" when there are
/// none, as for a timeout), the summary.
std::string trafficLine(const FrameRecord& record, uint64_t startTick, int tickPeriodMs,
                        bool shown = false);

} // namespace velkaro
