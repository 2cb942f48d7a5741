// Texts that come from outside or go out: CSV fields, typed times and the
// console's command lines.
#include <gtest/gtest.h>

#include "files/csv_text.h"
#include "records/csv_file.h"
#include "records/record_time.h"
#include "records/records_options.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

TEST(CsvFieldTest, QuotesOnlyWhatAReaderWouldSplitOrTrim) {
    const std::pair<std::string, std::string> cases[] = {
        {"1#QD10-7.5", "1#QD10-7.5"},
        {"50.00", "50.00"},
        {"-0.5", "-0.5"},
        {"", ""},
        {"泵,一号", "\"泵,一号\""},
        {"3\"号\"", "\"3\"\"号\"\"\""},
        {"\"", "\"\"\"\""},
        {"a\nb", "\"a\nb\""},
        {"a\r\nb", "\"a\r\nb\""},
        {"正向运转 ", "\"正向运转 \""},
        {" lead", "\" lead\""},
        {"故障中 过压保护", "故障中 过压保护"},
    };
    for (const auto& [text, field] : cases) {
        EXPECT_EQ(csvField(text), field) << text;
    }
    EXPECT_EQ(csvRecord({"a,b", "c"}), "\"a,b\",c\r\n");
}

TEST(RecordTimeTest, ReadsTypedLocalTimesAndRefusesImpossibleOnes) {
    struct Case {
        const char* text;
        bool valid;
        const char* shown; ///< formatted back, when valid
    };
    const Case cases[] = {
        {"2026-03-05 09:07", true, "2026-03-05 09:07:00"},
        {"2026-03-05 09:07:03", true, "2026-03-05 09:07:03"},
        {"2026-03-05T23:59:59", true, "2026-03-05 23:59:59"},
        {"2024-02-29 00:00", true, "2024-02-29 00:00:00"},
        {"2026-02-29 00:00", false, ""},
        {"1900-02-29 00:00", false, ""},
        {"2026-04-31 00:00", false, ""},
        {"2026-13-01 00:00", false, ""},
        {"2026-00-10 00:00", false, ""},
        {"2026-03-05 24:00", false, ""},
        {"2026-03-05 09:60", false, ""},
        {"2026-03-05 09:07:60", false, ""},
        {"2026-3-5 9:07", false, ""},
        {"2026-03-05", false, ""},
        {"2026-03-05 09:07:03 ", false, ""},
        {"2026-03-05 09:07:", false, ""},
        {"+026-03-05 09:07", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        const std::optional<std::tm> time = parseRecordTime(c.text);
        ASSERT_EQ(time.has_value(), c.valid) << c.text;
        if (time) {
            char text[32];
            std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &*time);
            EXPECT_STREQ(text, c.shown);
        }
    }
}

TEST(RecordsOptionsTest, CommandLinesAreAcceptedOrRefusedWithAReason) {
    struct Case {
        std::vector<std::string> args;
        bool accepted;
    };
    const Case cases[] = {
        {{"export", "out.csv"}, true},
        {{"export", "--hours", "6", "--drive", "3#QD30-7.50", "out.csv"}, true},
        {{"export", "--from", "2026-03-05 20:00", "--to", "2026-03-06 08:00", "out.csv"}, true},
        {{"events"}, true},
        {{"events", "--hours", "0.5"}, true},
        {{"--help"}, true},
        {{}, false},
        {{"import"}, false},
        {{"export"}, false},
        {{"export", "a.csv", "b.csv"}, false},
        {{"events", "out.csv"}, false},
        {{"export", "--hours", "0", "a.csv"}, false},
        {{"export", "--hours", "-2", "a.csv"}, false},
        {{"export", "--hours", "nan", "a.csv"}, false},
        {{"export", "--hours", "2h", "a.csv"}, false},
        {{"export", "--hours", "2", "--hours", "3", "a.csv"}, false},
        {{"export", "--hours", "2", "--from", "2026-03-05 20:00", "a.csv"}, false},
        {{"export", "--from", "2026-03-05 20:00", "a.csv"}, false},
        {{"export", "--from", "yesterday", "--to", "2026-03-05 20:00", "a.csv"}, false},
        {{"export", "--drive", "", "a.csv"}, false},
        {{"export", "a.csv", "--drive"}, false},
        {{"events", "--verbose", "1"}, false},
        {{"events", "--station", "二号站"}, true},
        {{"export", "--all-stations", "a.csv"}, true},
        {{"events", "--station", ""}, false},
        {{"events", "--station", "一号站", "--station", "二号站"}, false},
        {{"events", "--station", "二号站", "--all-stations"}, false},
        {{"actions", "--drive", "1#泵", "--account", "li", "--all-stations"}, true},
        {{"actions", "--account", ""}, false},
        {{"events", "--account", "li"}, false},
        {{"actions", "out.csv"}, false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto options = parseRecordsOptions(c.args, error);
        EXPECT_EQ(options.has_value(), c.accepted) << ::testing::PrintToString(c.args);
        EXPECT_EQ(error.empty(), c.accepted) << error;
    }
}

TEST(RecordsOptionsTest, RowsOfThisStationUnlessAnotherOrAllAreAsked) {
    const std::pair<std::vector<std::string>, std::optional<std::string>> cases[] = {
        {{"events"}, "本站"},
        {{"events", "--station", "二号站"}, "二号站"},
        {{"events", "--all-stations"}, std::nullopt},
    };
    for (const auto& [args, station] : cases) {
        std::string error;
        const auto options = parseRecordsOptions(args, error);
        ASSERT_TRUE(options) << error;
        EXPECT_EQ(stationOf(*options, "本站"), station) << ::testing::PrintToString(args);
    }
}

TEST(RecordsOptionsTest, WindowsAreRefusedOrClippedToTheLongestStorageTime) {
    std::tm nowFields = *parseRecordTime("2026-03-06 08:00:00");
    nowFields.tm_isdst = -1;
    const std::time_t now = std::mktime(&nowFields);
    struct Case {
        std::vector<std::string> args;
        const char* after; ///< nullptr: refused
        const char* upTo;
        bool clipped;
    };
    const Case cases[] = {
        {{"export", "a.csv"}, "2026-03-06 06:00:00", "2026-03-06 08:00:00", false},
        {{"events"}, "2026-03-05 08:00:00", "2026-03-06 08:00:00", false},
        {{"events", "--hours", "1.5"}, "2026-03-06 06:30:00", "2026-03-06 08:00:00", false},
        {{"events", "--hours", "100"}, "2026-03-03 08:00:00", "2026-03-06 08:00:00", true},
        // --from counts its own second: the rows are strictly later than the second before.
        {{"events", "--from", "2026-03-05 20:00", "--to", "2026-03-06 02:00"},
         "2026-03-05 19:59:59",
         "2026-03-06 02:00:00",
         false},
        {{"events", "--from", "2026-03-01 00:00", "--to", "2026-03-05 00:00"},
         "2026-03-03 08:00:00",
         "2026-03-05 00:00:00",
         true},
        {{"events", "--from", "2026-03-06 02:00", "--to", "2026-03-05 20:00"}, nullptr, "", false},
        {{"events", "--from", "2026-03-05 20:00", "--to", "2026-03-05 20:00"},
         "2026-03-05 19:59:59",
         "2026-03-05 20:00:00",
         false},
        {{"events", "--from", "2026-03-01 00:00", "--to", "2026-03-02 00:00"}, nullptr, "", false},
        // The action log is never purged: no window is clipped.
        {{"actions"}, "2026-03-05 08:00:00", "2026-03-06 08:00:00", false},
        {{"actions", "--from", "2026-01-01 00:00", "--to", "2026-01-02 00:00"},
         "2025-12-31 23:59:59",
         "2026-01-02 00:00:00",
         false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto options = parseRecordsOptions(c.args, error);
        ASSERT_TRUE(options) << error;
        const auto window = resolveRecordWindow(*options, now, error);
        ASSERT_EQ(window.has_value(), c.after != nullptr) << ::testing::PrintToString(c.args);
        if (!window) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        char after[32];
        char upTo[32];
        std::strftime(after, sizeof after, "%Y-%m-%d %H:%M:%S", &window->after);
        std::strftime(upTo, sizeof upTo, "%Y-%m-%d %H:%M:%S", &window->upTo);
        EXPECT_STREQ(after, c.after) << ::testing::PrintToString(c.args);
        EXPECT_STREQ(upTo, c.upTo);
        EXPECT_EQ(!window->note.empty(), c.clipped);
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
