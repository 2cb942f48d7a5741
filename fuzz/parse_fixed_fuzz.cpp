// Any operator text, any decimals: parseFixed must stay defined, and a value
// it reports as in range must format back to a number that parses to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "registry/fixed_point.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const unsigned decimals = data[0] % 6;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const velkaro::FixedParse parsed = velkaro::parseFixedChecked(text, decimals);
    const std::string shown = velkaro::formatFixed(parsed.value, decimals);
    const velkaro::FixedParse again = velkaro::parseFixedChecked(shown, decimals);
    if (!again.inRange || again.value != parsed.value) {
        std::abort();
    }
    return 0;
}
