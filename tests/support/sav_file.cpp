#include "support/sav_file.h"

#include <fstream>

namespace velkaro::testing {

std::vector<long> savNumbers(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<long> numbers;
    std::string token;
    while (std::getline(in, token, '\r')) {
        numbers.push_back(std::stol(token));
    }
    return numbers;
}

std::string savText(const std::vector<long>& words, const std::string& separator) {
    std::string text;
    for (long word : words) {
        text += std::to_string(word) + separator;
    }
    return text;
}

} // namespace velkaro::testing
