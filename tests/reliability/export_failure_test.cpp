// An export into a folder that is full or read-only: the operator is told,
// no partial file is left, and the previous backup stays as it was. The folder
// is a small tmpfs mounted in a mount namespace of the test's own.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "bus/export_import_commands.h"
#include "support/link_harness.h"
#include "support/private_mounts.h"
#include "support/temp_dir.h"

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

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

/// Exports the drive at `address` into `path` as velkaro-bus does: the
/// drive's image from the link, the file written by the caller.
TransferOutcome exportTo(SimLink& st, int address, const std::string& path) {
    TransferRequest request;
    request.device = "memory";
    request.address = address;
    request.file = path;
    // The window's status polls go on meanwhile; the outcomes are the
    // console's to take, not the harness's.
    uint64_t ticks = 0;
    return runTransfer(st.link, request, [&] {
        st.link.tick();
        st.transport.advanceTick();
        if (++ticks % testing::kStatusPassTicks == 0) {
            st.link.queueStatusPolls();
        }
    });
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
    const std::string backup = folder + "/pump 3 \"main\".sav";
    if (const TransferOutcome first = exportTo(st, kQd30Address, backup); first.exitStatus != 0) {
        std::fprintf(stderr, "the first export failed: %s\n", first.message.c_str());
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

    const TransferOutcome failed = exportTo(st, kQd30Address, backup);
    if (failed.exitStatus != 1 || failed.message != backup + std::string(kFileMessageTail)) {
        std::fprintf(stderr, "exit %d, message: %s\n", failed.exitStatus, failed.message.c_str());
        return 2;
    }
    if (st.link.snapshot().transferRunning || st.messages.count() != 0) {
        std::fprintf(stderr, "the link kept the transfer or told something of its own\n");
        return 1;
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

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
