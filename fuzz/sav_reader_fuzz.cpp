// Any file offered for import: reading it must stay defined and either refuse
// it leaving the image as it was, or take it so that writing the image back
// and reading that file again gives the same image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include "files/parameter_file.h"

namespace {

/// A file per process and role, removed when the run ends.
struct ScratchFile {
    explicit ScratchFile(const char* role)
        : path("/tmp/velkaro-sav-fuzz-" + std::to_string(::getpid()) + "-" + role) {}
    ~ScratchFile() { ::unlink(path.c_str()); }
    std::string path;
};

const std::string& scratchFile(const char* role) {
    static ScratchFile in("in");
    static ScratchFile out("out");
    return std::string_view(role) == "in" ? in.path : out.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string& input = scratchFile("in");
    std::ofstream(input, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    velkaro::ParameterImage image{};
    image.fill(0xA5);
    const velkaro::ParameterImage before = image;
    const velkaro::ParameterFileResult read = velkaro::readParameterFile(input, image);
    if (!read.ok) {
        if (image != before || read.message.find(input) == std::string::npos)
            std::abort();
        return 0;
    }

    const int length = (image[2] << 8) | image[3];
    // Unknown tags keep the station's own reading of short and odd lengths.
    if (length < 4 || length % 2 != 0 || length > static_cast<int>(velkaro::kParameterImageBytes))
        return 0;
    const std::string& output = scratchFile("out");
    velkaro::ParameterImage written = image;
    if (!velkaro::writeParameterFile(output, written, length).ok)
        std::abort();
    velkaro::ParameterImage again = before;
    if (!velkaro::readParameterFile(output, again).ok)
        std::abort();
    for (int i = 0; i < length; ++i)
        if (again[i] != image[i])
            std::abort();
    return 0;
}
