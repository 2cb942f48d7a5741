#pragma once

#include <cctype>
#include <string>

namespace velkaro::testing {

/// A parameterised case's name from its label: gtest takes letters, digits
/// and '_' only, so everything else becomes '_'.
inline std::string caseName(std::string label) {
    for (char& ch : label) {
        if (std::isalnum(static_cast<unsigned char>(ch)) == 0) {
            ch = '_';
        }
    }
    return label;
}

/// The name generator for INSTANTIATE_TEST_SUITE_P over cases with a `label`.
struct LabelName {
    template <class Info> std::string operator()(const Info& info) const {
        return caseName(info.param.label);
    }
};

} // namespace velkaro::testing
