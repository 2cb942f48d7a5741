#include "support/records_outage.h"

#include <gtest/gtest.h>

#include "support/records_database.h"

namespace velkaro::testing {

void startLogging(Station& st, sim::Series series, int rating) {
    ASSERT_TRUE(st.start());
    ASSERT_EQ(st.messages.count(), 0u) << st.messages.last().text;
    for (int address = 1; address <= 3; ++address) {
        st.bus.addDrive(address, series, rating);
    }
    st.connect(1, 3, 1000);
    st.window->writeRunRecords();
    ASSERT_EQ(runRecordRows(), 3);
    ASSERT_EQ(st.messages.count(), 0u);
}

void expectOneBoxPerFailingPass(Station& st) {
    // While the first box is open the record timer fires again (a modal box
    // runs its own event loop): that pass must not open a second box.
    int nested = 0;
    st.messages.setOnShow([&](const RecordingMessages::Message&) {
        if (nested++ == 0) {
            st.window->writeRunRecords();
        }
    });
    st.run(1000);
    st.window->writeRunRecords();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(st.messages.count(), 1u) << "a second box opened over the first";
    st.messages.setOnShow({});
    st.run(1000);
    st.window->writeRunRecords(); // the next pass tries again and says so again
    EXPECT_EQ(st.messages.count(), 2u);
}

void expectLoggingResumes(Station& st) {
    st.messages.clear();
    st.run(1000);
    st.window->writeRunRecords();
    EXPECT_EQ(st.messages.count(), 0u) << st.messages.last().text;
    EXPECT_EQ(runRecordRows(), 6) << "logging did not resume";
}

} // namespace velkaro::testing
