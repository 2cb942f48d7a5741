// Any file offered for import: reading it must stay defined and either refuse
// it, with a message naming the file, leaving the image as it was, or take it
// so that nothing beyond the declared length changes, a known series tag comes
// with its own length, and writing the image back (plainly, and through the
// station's writer) and reading that file again gives the same image.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include "files/parameter_file.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "sav_reader_fuzz: %s\n", what);
    std::abort();
}

/// A file per process and role, removed when the run ends; in memory when
/// /dev/shm exists, so the writer's flushes cost nothing.
struct ScratchFile {
    explicit ScratchFile(const char* role)
        : path(std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
               "/velkaro-sav-fuzz-" + std::to_string(::getpid()) + "-" + role) {}
    ~ScratchFile() { ::unlink(path.c_str()); }
    std::string path;
};

const std::string& scratchFile(const char* role) {
    static ScratchFile in("in");
    static ScratchFile plain("plain");
    static ScratchFile out("out");
    const std::string_view which(role);
    return which == "in" ? in.path : which == "plain" ? plain.path : out.path;
}

void writeBytes(const std::string& path, const void* data, std::size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

unsigned wordAt(const velkaro::ParameterImage& image, int byte) {
    return (unsigned{image[static_cast<std::size_t>(byte)]} << 8) |
           image[static_cast<std::size_t>(byte) + 1];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string& input = scratchFile("in");
    writeBytes(input, data, size);

    velkaro::ParameterImage image{};
    image.fill(0xA5);
    const velkaro::ParameterImage before = image;
    const velkaro::ParameterFileResult read = velkaro::readParameterFile(input, image);
    if (!read.ok) {
        if (image != before || read.message.find(input) == std::string::npos)
            fail("a refusal changed the image or did not name the file");
        return 0;
    }

    const int length = static_cast<int>(wordAt(image, 2));
    if (image[1] == 0x50 && length != 204)
        fail("a QD10 image taken with a length other than 204");
    if (image[1] == 0x70 && length != 1270)
        fail("a QD30 image taken with a length other than 1270");
    // The header words and the declared length, in whole words, are all it takes.
    const int taken = length <= 4 ? 4
                                  : std::min(length + (length & 1),
                                             static_cast<int>(velkaro::kParameterImageBytes));
    if (!std::equal(image.begin() + taken, image.end(), before.begin() + taken))
        fail("bytes beyond the declared length changed");

    // Written out plainly, CR after every word, the words read back the same.
    std::string text;
    for (int byte = 0; byte < taken; byte += 2) {
        text += std::to_string(wordAt(image, byte));
        text += '\r';
    }
    writeBytes(scratchFile("plain"), text.data(), text.size());
    velkaro::ParameterImage plain = before;
    if (!velkaro::readParameterFile(scratchFile("plain"), plain).ok || plain != image)
        fail("the loaded words written plainly did not read back the same");

    // Unknown tags keep the station's own reading of short and odd lengths.
    if (length < 4 || length % 2 != 0 || length > static_cast<int>(velkaro::kParameterImageBytes))
        return 0;
    const std::string& output = scratchFile("out");
    velkaro::ParameterImage written = image;
    if (!velkaro::writeParameterFile(output, written, length).ok)
        fail("the writer refused an image the reader took");
    velkaro::ParameterImage again = before;
    if (!velkaro::readParameterFile(output, again).ok)
        fail("the writer's file was refused");
    if (!std::equal(image.begin(), image.begin() + length, again.begin()))
        fail("the writer's file read back different words");
    return 0;
}
