// An export into a folder that is full or read-only: the operator is told,
// no partial file is left, and the previous backup stays as it was. The folder
// is a small tmpfs mounted in a mount namespace of the test's own.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "support/link_harness.h"
#include "support/private_mounts.h"
#include "support/temp_dir.h"

namespace velkaro::reliability {
namespace {

namespace fs = std::filesystem;
using testing::fileText;
using testing::fillUp;
using testing::kNoPrivateMounts;
using testing::mountSmallFileSystem;
using testing::remountReadOnly;
using testing::runWithPrivateMounts;
using testing::SimLink;
using testing::StatusPasses;

constexpr int kQd30Address = 3;
constexpr std::string_view kFileMessageTail = "不存在，请输入正确的文件名称";

std::set<std::string> entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

/// Runs an export of the drive at `slot` into `path`; false if it never ended.
bool exportTo(SimLink& st, int slot, const std::string& path) {
    {
        auto s = st.link.lock();
        s->selectedSlot = slot;
        s->parameterFilePath = path;
        s->transferBusy = true;
        s->transferCursor = 0;
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::Export;
    }
    for (int i = 0; i < 20; ++i) {
        st.run(1000);
        auto s = st.link.lock();
        if (!s->transferBusy && s->currentOp != OpCode::Export &&
            s->table.slots[static_cast<std::size_t>(slot)].pendingOp != OpCode::Export) {
            return s->activityState == ActivityState::None;
        }
    }
    auto s = st.link.lock();
    std::fprintf(stderr, "export stuck: busy %d op %d activity %d cursor %x\n", s->transferBusy,
                 static_cast<int>(s->currentOp), static_cast<int>(s->activityState),
                 s->transferCursor);
    return false;
}

enum class Trap { Full, ReadOnly };

/// The child's whole run; its exit code says what went wrong (0: nothing).
int exportIntoTrappedFolder(const std::string& folder, Trap trap) {
    if (!mountSmallFileSystem(folder, 64)) {
        return kNoPrivateMounts;
    }
    SimLink st{StatusPasses::Polls};
    if (st.connectDrives(1, kQd30Address) != kQd30Address) {
        return 10;
    }
    const int slot = st.slotOfAddress(kQd30Address);
    const std::string backup = folder + "/pump 3 \"main\".sav";
    if (!exportTo(st, slot, backup) || st.messages.count() != 0) {
        std::fprintf(stderr, "the first export failed: %s\n",
                     st.messages.count() ? st.messages.texts()[0].c_str() : "no message");
        return 11;
    }
    const std::string before = fileText(backup);
    // The drive's parameters change, so a new export would differ.
    st.bus.drive(kQd30Address)->setHoldingRegister(0x0001, 1234);
    if (trap == Trap::Full) {
        fillUp(folder);
    } else if (!remountReadOnly(folder)) {
        return kNoPrivateMounts;
    }
    const std::set<std::string> present = entries(folder);

    if (!exportTo(st, slot, backup)) {
        std::fprintf(stderr, "the failed export never gave the transfer back\n");
        return 1;
    }
    const std::vector<std::string> texts = st.messages.texts();
    if (texts.size() != 1 || texts[0] != backup + std::string(kFileMessageTail)) {
        std::fprintf(stderr, "messages: %zu, first: %s\n", texts.size(),
                     texts.empty() ? "" : texts[0].c_str());
        return 2;
    }
    if (fileText(backup) != before) {
        std::fprintf(stderr, "the previous backup changed\n");
        return 3;
    }
    if (entries(folder) != present) {
        std::fprintf(stderr, "a partial or temporary file was left behind\n");
        return 4;
    }
    return 0;
}

class ExportFailureTest : public ::testing::TestWithParam<Trap> {
protected:
    testing::TempDir folder;
};

TEST_P(ExportFailureTest, MessageNoPartialFileAndThePreviousBackupIntact) {
    const Trap trap = GetParam();
    const int code =
        runWithPrivateMounts([&] { return exportIntoTrappedFolder(folder.path().string(), trap); });
    if (code == kNoPrivateMounts) {
        GTEST_SKIP() << "no mount namespace of our own here (needs root or user namespaces)";
    }
    EXPECT_EQ(code, 0) << "see the child's output above";
}

INSTANTIATE_TEST_SUITE_P(Folders, ExportFailureTest, ::testing::Values(Trap::Full, Trap::ReadOnly),
                         [](const ::testing::TestParamInfo<Trap>& info) {
                             return info.param == Trap::Full ? "Full" : "ReadOnly";
                         });

} // namespace
} // namespace velkaro::reliability
