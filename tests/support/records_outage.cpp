#include "support/records_outage.h"

#include <gtest/gtest.h>

#include <thread>

#include "link/link_snapshot.h"
#include "support/records_database.h"
#include "ui/records/station_records.h"

namespace velkaro::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/// Answers the link took from all drives so far.
uint64_t answers(Station& st) {
    uint64_t total = 0;
    for (const LinkCounters& counters : st.link.snapshot().counters) {
        total += counters.answersAccepted;
    }
    return total;
}

void settle(Station& st) {
    ASSERT_TRUE(st.window->records().settle(30000)) << "the records worker did not finish";
}

} // namespace

void startLogging(Station& st, sim::Series series, int rating, int drives) {
    ASSERT_TRUE(st.start());
    ASSERT_EQ(st.messages.count(), 0u) << st.messages.last().text;
    for (int address = 1; address <= drives; ++address) {
        st.bus.addDrive(address, series, rating);
    }
    st.connect(1, static_cast<unsigned>(drives), 1000);
    // A drive gets its first row once its status has been read.
    ASSERT_GE(st.runUntilSeen([drives](const LinkSnapshot& view) {
        int read = 0;
        for (bool done : view.statusRead) {
            read += done ? 1 : 0;
        }
        return read == drives;
    }),
              0);
    st.run(100); // the window's status pass takes the reads in
    st.window->writeRunRecords();
    ASSERT_NO_FATAL_FAILURE(settle(st));
    ASSERT_EQ(runRecordRows(), drives);
    ASSERT_EQ(st.messages.count(), 0u) << st.messages.last().text;
}

void expectOneMessageForTheOutage(Station& st) {
    for (int pass = 0; pass < 3; ++pass) {
        st.run(1000);
        st.window->writeRunRecords();
        ASSERT_NO_FATAL_FAILURE(settle(st));
    }
    ASSERT_EQ(st.messages.count(), 1u) << "one message for the outage, not one a pass";
    EXPECT_NE(st.messages.last().text, "") << "the data source's own words";
    EXPECT_EQ(st.messages.last().caption, "");
    EXPECT_FALSE(st.messages.last().modal) << "the box holds nothing up";
    EXPECT_EQ(st.window->records().worker().state().queuedPasses, 3u);
}

void expectLoggingResumes(Station& st) {
    st.messages.clear();
    st.run(1000);
    st.window->writeRunRecords();
    ASSERT_NO_FATAL_FAILURE(settle(st));
    EXPECT_EQ(st.messages.count(), 0u) << st.messages.last().text;
    EXPECT_EQ(runRecordRows(), 15) << "the start, three passes that waited, this one";
}

Rhythm runPaced(Station& st, std::chrono::milliseconds span, int recordEvery) {
    Rhythm rhythm;
    const uint64_t first = answers(st);
    const Clock::time_point start = Clock::now();
    Clock::time_point due = start;
    for (int pass = 1; Clock::now() - start < span; ++pass) {
        const Clock::time_point began = Clock::now();
        st.run(100); // the link's ticks and, at their end, the status pass
        if (pass % recordEvery == 0) {
            st.window->writeRunRecords();
            ++rhythm.recordPasses;
        }
        st.window->records().deliver();
        rhythm.longestPass =
            std::max(rhythm.longestPass,
                     std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began));
        due += 100ms;
        std::this_thread::sleep_until(due);
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    rhythm.pollsPerSecond = static_cast<double>(answers(st) - first) / elapsed.count();
    return rhythm;
}

void expectPollsKeepTheirRhythm(Station& st, const std::function<void()>& stall,
                                const std::function<void()>& release) {
    const Rhythm before = runPaced(st, 5s);
    ASSERT_NO_FATAL_FAILURE(settle(st));
    const int rowsBefore = runRecordRows();
    const int drives = static_cast<int>(st.link.snapshot().table.driveCount);

    stall();
    const Rhythm during = runPaced(st, 10s);
    release();
    EXPECT_GT(before.pollsPerSecond, 5.0);
    EXPECT_NEAR(during.pollsPerSecond, before.pollsPerSecond, before.pollsPerSecond * 0.1)
        << "polls a second before the stall: " << before.pollsPerSecond;
    EXPECT_LT(during.longestPass, 1s) << "a pass of the window waited for the data source";
    ASSERT_NO_FATAL_FAILURE(settle(st));
    EXPECT_EQ(runRecordRows(), rowsBefore + during.recordPasses * drives)
        << "rows of the passes made during the stall";
}

} // namespace velkaro::testing
