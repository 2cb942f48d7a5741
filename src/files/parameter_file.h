#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velkaro {

inline constexpr std::size_t kParameterImageBytes = 2004;
/// A ".sav" file is a few kilobytes; anything far larger is not one.
inline constexpr std::size_t kMaxParameterFileBytes = std::size_t{64} * 1024;
using ParameterImage = std::array<uint8_t, kParameterImageBytes>;
/// An image begins with this marker and its series' tag.
inline constexpr uint8_t kImageMarker = 0x83;
inline constexpr uint8_t kImageTagQd10 = 0x50;
inline constexpr uint8_t kImageTagQd30 = 0x70;

struct ParameterFileResult {
    bool ok = false;
    std::string message; ///< for the operator when !ok (names the file and the problem)
};

/// Writes words 0 .. imageLength/2-1 of the image as ".sav" text (decimal
/// words, each followed by one CR) after setting bytes 2..3 to imageLength.
/// Replaces the file atomically (temporary file in the same folder, flush,
/// rename); on failure the old file is untouched and the message is the path
/// followed by "不存在，请输入正确的文件名称".
ParameterFileResult writeParameterFile(const std::string& path, ParameterImage& image,
                                       int imageLength);

/// Reads a ".sav" file into the image (first two words, then up to the
/// declared length). Refuses, with a message naming the file and the problem,
/// non-numeric tokens, values outside 0..65535, a length word that does not
/// match the image of the file's series tag, and files shorter than declared.
/// CR LF files read like CR files. On refusal the image is left unchanged. A
/// file that cannot be read is refused with the system's reason.
ParameterFileResult readParameterFile(const std::string& path, ParameterImage& image);
/// As readParameterFile, on text already in memory; `path` names it in messages.
ParameterFileResult parseParameterFile(std::string_view content, const std::string& path,
                                       ParameterImage& image);

} // namespace velkaro
