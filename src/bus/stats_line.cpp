#include "bus/stats_line.h"

#include <cstdio>

namespace velkaro {

namespace {

std::string field(const char* label, uint32_t value) {
    return std::string("\t") + label + "=" + std::to_string(value);
}

} // namespace

std::string formatStatsLine(const std::string& name, const LinkCounters& c) {
    std::string line = name;
    line += field("请求", c.requestsSent);
    line += field("应答", c.answersAccepted);
    line += field("超时", c.timeouts);
    line += field("重试", c.retries);
    line += field("CRC错误", c.badCrc);
    line += field("残帧", c.noiseFrames);
    line += field("他址帧", c.foreignFrames);
    line += field("迟到", c.lateReplies);
    line += field("短应答", c.shortReplies);
    line += "\t异常=" + exceptionCountsText(c);
    const ReplyTimes& t = c.replyTimes;
    char times[160];
    std::snprintf(times, sizeof times, "\t应答时间最近=%ums\t最小=%ums\t平均=%.1fms\t最大=%ums",
                  t.lastTicks, t.minTicks, t.meanTicks(), t.maxTicks);
    line += times;
    if (c.answered) {
        char last[48];
        std::snprintf(last, sizeof last, "\t最后应答=%.3fs",
                      static_cast<double>(c.lastAnswerTick) / 1000.0);
        line += last;
    } else {
        line += "\t最后应答=无";
    }
    return line;
}

} // namespace velkaro
