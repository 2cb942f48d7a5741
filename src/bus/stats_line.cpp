#include "bus/stats_line.h"

#include <cstdio>

#include "registry/language.h"

namespace velkaro {

namespace {

std::string field(const std::string& label, uint32_t value) {
    return std::string("\t") + label + "=" + std::to_string(value);
}

} // namespace

std::string formatStatsLine(const std::string& name, const LinkCounters& c) {
    std::string line = name;
    line += field(translated("BusStats", "请求"), c.requestsSent);
    line += field(translated("BusStats", "应答"), c.answersAccepted);
    line += field(translated("BusStats", "超时"), c.timeouts);
    line += field(translated("BusStats", "重试"), c.retries);
    line += field(translated("BusStats", "CRC错误"), c.badCrc);
    line += field(translated("BusStats", "残帧"), c.noiseFrames);
    line += field(translated("BusStats", "他址帧"), c.foreignFrames);
    line += field(translated("BusStats", "迟到"), c.lateReplies);
    line += field(translated("BusStats", "短应答"), c.shortReplies);
    line += translated("BusStats", "\t异常=") + exceptionCountsText(c);
    const ReplyTimes& t = c.replyTimes;
    char mean[32];
    std::snprintf(mean, sizeof mean, "%.1fms", t.meanTicks());
    line += translated("BusStats", "\t应答时间最近=") + std::to_string(t.lastTicks) + "ms" +
            translated("BusStats", "\t最小=") + std::to_string(t.minTicks) + "ms" +
            translated("BusStats", "\t平均=") + mean + translated("BusStats", "\t最大=") +
            std::to_string(t.maxTicks) + "ms";
    if (c.answered) {
        char last[32];
        std::snprintf(last, sizeof last, "%.3fs", static_cast<double>(c.lastAnswerTick) / 1000.0);
        line += translated("BusStats", "\t最后应答=") + last;
    } else {
        line += translated("BusStats", "\t最后应答=无");
    }
    return line;
}

} // namespace velkaro
