// Any file offered as a parameter report: reading it must stay defined and
// either refuse it, naming the file and leaving the report as it was, or take
// a value for every catalogue entry of its series; a report taken, written
// back and read again gives the same drive, time and values.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/parameter_report.h"
#include "registry/catalogue.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "report_reader_fuzz: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    velkaro::ParameterReport report{"before", "QD10", "", "", {1, 2, 3}};
    const velkaro::ParameterReport before = report;
    const velkaro::ReportFileResult read = velkaro::parseParameterReport(text, "fuzz.csv", report);
    if (!read.ok) {
        if (report.driveName != before.driveName || report.words != before.words ||
            read.message.find("fuzz.csv") == std::string::npos)
            fail("a refusal changed the report or did not name the file");
        return 0;
    }
    const velkaro::SeriesCatalogue* catalogue = velkaro::catalogueFor(report.series);
    if (catalogue == nullptr || report.words.size() != catalogue->entries.size())
        fail("a report taken without a value for every entry of a known series");

    const std::string written = velkaro::reportText(report);
    velkaro::ParameterReport again;
    if (!velkaro::parseParameterReport(written, "again.csv", again).ok)
        fail("the writer's text was refused");
    if (again.driveName != report.driveName || again.series != report.series ||
        again.ratedPower != report.ratedPower || again.readTime != report.readTime ||
        again.words != report.words)
        fail("the writer's text read back different");
    return 0;
}
