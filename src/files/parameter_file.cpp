#include "files/parameter_file.h"

#include "files/atomic_file.h"
#include "files/small_file.h"
#include "registry/language.h"

#include <optional>
#include <vector>

namespace velkaro {

namespace {

constexpr std::string_view kCannotCreate =
    VELKARO_TRANSLATE_NOOP("FileTexts", "不存在，请输入正确的文件名称");

/// Image bytes a series tag stands for: 'P' is a QD10 image (100 registers),
/// 'p' a QD30 image (633 registers), both after the 4-byte header.
std::optional<int> imageBytesForTag(uint8_t tag) {
    switch (tag) {
    case 0x50:
        return 204;
    case 0x70:
        return 1270;
    default:
        return std::nullopt;
    }
}

std::string fileText(const ParameterImage& image, int imageLength) {
    std::string text;
    text.reserve(static_cast<std::size_t>(imageLength) * 3);
    for (int byte = 0; byte + 1 < imageLength; byte += 2) {
        const unsigned word = (unsigned{image[byte]} << 8) | image[byte + 1];
        text += std::to_string(word);
        text += '\r';
    }
    return text;
}

struct Token {
    std::string_view text;
    bool endedByCr = false;
};

/// Splits the file into carriage-return terminated tokens; the last token may
/// lack its CR.
std::vector<Token> splitTokens(std::string_view content) {
    std::vector<Token> tokens;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t cr = content.find('\r', start);
        if (cr == std::string_view::npos) {
            tokens.push_back({content.substr(start), false});
            break;
        }
        tokens.push_back({content.substr(start, cr - start), true});
        start = cr + 1;
    }
    return tokens;
}

/// A token is a plain decimal number, optionally surrounded by blanks, tabs
/// and line feeds (so CR LF files read like CR files). Returns the number,
/// or nullopt if the token holds anything else or no digits at all.
std::optional<long> tokenNumber(std::string_view token) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    std::size_t i = 0;
    while (i < token.size() && isSpace(token[i]))
        ++i;
    const std::size_t digitsStart = i;
    long value = 0;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9') {
        if (value <= 1'000'000)
            value = value * 10 + (token[i] - '0');
        ++i;
    }
    if (i == digitsStart)
        return std::nullopt;
    while (i < token.size() && isSpace(token[i]))
        ++i;
    if (i != token.size())
        return std::nullopt;
    return value;
}

std::string printable(std::string_view token) {
    std::string shown;
    for (char c : token.substr(0, 20)) {
        if (c == '\n')
            shown += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20)
            shown += '?';
        else
            shown += c;
    }
    if (token.size() > 20)
        shown += "…";
    return shown;
}

std::string fileLabel(const std::string& path) {
    return translated("FileTexts", "参数文件“") + path + "”";
}

std::string tooLarge(const std::string& path) {
    return fileLabel(path) + translated("FileTexts", "过大，不是参数存储文件。");
}

} // namespace

ParameterFileResult writeParameterFile(const std::string& path, ParameterImage& image,
                                       int imageLength) {
    const std::string failure = path + translated("FileTexts", kCannotCreate.data());
    if (imageLength < 4 || imageLength > static_cast<int>(kParameterImageBytes))
        return {false, failure};

    image[2] = static_cast<uint8_t>(imageLength >> 8);
    image[3] = static_cast<uint8_t>(imageLength & 0xFF);
    const std::string text = fileText(image, imageLength);

    // The old backup stays whole until the new one is complete on disk.
    if (!replaceFileAtomically(path, text))
        return {false, failure};
    return {true, {}};
}

ParameterFileResult readParameterFile(const std::string& path, ParameterImage& image) {
    const SmallFileRead read = readSmallFile(path, kMaxParameterFileBytes);
    if (read.status == SmallFileRead::Status::CannotOpen)
        return {false, translated("FileTexts", "无法打开") + fileLabel(path) +
                           translated("FileTexts", "：") + read.reason};
    if (read.status == SmallFileRead::Status::TooLarge)
        return {false, tooLarge(path)};
    return parseParameterFile(read.content, path, image);
}

ParameterFileResult parseParameterFile(std::string_view content, const std::string& path,
                                       ParameterImage& image) {
    if (content.size() > kMaxParameterFileBytes)
        return {false, tooLarge(path)};

    const std::vector<Token> tokens = splitTokens(content);
    ParameterImage loaded = image;
    std::size_t byteIndex = 0;
    std::size_t limit = 4; // header word and length word, then the declared length
    std::size_t tokenIndex = 0;
    while (byteIndex < limit && byteIndex < kParameterImageBytes) {
        if (tokenIndex >= tokens.size()) {
            const std::size_t declared = (limit + 1) / 2;
            return {false, fileLabel(path) + translated("FileTexts", "不完整：应有") +
                               std::to_string(declared) + translated("FileTexts", "个数值，只有") +
                               std::to_string(tokenIndex) + translated("FileTexts", "个。")};
        }
        const Token& token = tokens[tokenIndex];
        const std::optional<long> number = tokenNumber(token.text);
        const std::string position = translated("FileTexts", "第") +
                                     std::to_string(tokenIndex + 1) +
                                     translated("FileTexts", "个数值");
        if (!number)
            return {false, fileLabel(path) + translated("FileTexts", "格式错误：") + position +
                               "“" + printable(token.text) +
                               translated("FileTexts", "”不是十进制整数。")};
        if (*number > 0xFFFF)
            return {false, fileLabel(path) + translated("FileTexts", "格式错误：") + position +
                               "“" + printable(token.text) +
                               translated("FileTexts", "”超出0～65535的范围。")};

        loaded[byteIndex] = static_cast<uint8_t>(*number >> 8);
        loaded[byteIndex + 1] = static_cast<uint8_t>(*number & 0xFF);
        byteIndex += 2;
        ++tokenIndex;

        if (byteIndex == 4) {
            limit = static_cast<std::size_t>(*number);
            // A known tag fixes the length; an unknown tag is left to the
            // drive link, which refuses it as the wrong model.
            if (const auto expected = imageBytesForTag(loaded[1]);
                expected && static_cast<std::size_t>(*expected) != limit)
                return {false, fileLabel(path) + translated("FileTexts", "格式错误：长度") +
                                   std::to_string(limit) +
                                   translated("FileTexts", "与文件的机型标志不符（应为") +
                                   std::to_string(*expected) + translated("FileTexts", "）。")};
        }
    }

    image = loaded;
    return {true, {}};
}

} // namespace velkaro
