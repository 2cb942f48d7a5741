#pragma once

#include <QString>

#include <string_view>

namespace velkaro {

/// The core's UTF-8 text (names, catalogue and label texts) as Qt text.
inline QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace velkaro
