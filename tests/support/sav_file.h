#pragma once

#include <string>
#include <vector>

namespace velkaro::testing {

/// The numbers of a .sav parameter file in file order (header first); each
/// ends with a carriage return.
std::vector<long> savNumbers(const std::string& file);
/// The text of a .sav file holding `words`, each followed by `separator`.
std::string savText(const std::vector<long>& words, const std::string& separator = "\r");

} // namespace velkaro::testing
