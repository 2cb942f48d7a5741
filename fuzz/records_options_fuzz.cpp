// Any velkaro-records command line (arguments split at NUL bytes): the parser
// and the window must stay defined, a window never runs backwards, a time it
// accepts formats back to a text that reads as the same time, and no command
// it accepts asks for one station and for all of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "records/record_time.h"
#include "records/records_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args(1);
    for (const char c : input) {
        if (c == '\0') {
            args.emplace_back();
        } else {
            args.back() += c;
        }
    }
    for (const std::string& arg : args) {
        if (const auto time = velkaro::parseRecordTime(arg)) {
            char text[32];
            std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &*time);
            const auto again = velkaro::parseRecordTime(text);
            if (!again || velkaro::wallSecondsOf(*again) != velkaro::wallSecondsOf(*time)) {
                std::abort();
            }
        }
    }
    std::string error;
    const auto options = velkaro::parseRecordsOptions(args, error);
    if (options.has_value() == !error.empty()) {
        std::abort();
    }
    if (options && options->station && options->allStations) {
        std::abort();
    }
    if (options) {
        const auto window = velkaro::resolveRecordWindow(*options, 1'772'697'600, error);
        if (window &&
            velkaro::wallSecondsOf(window->after) > velkaro::wallSecondsOf(window->upTo)) {
            std::abort();
        }
    }
    return 0;
}
