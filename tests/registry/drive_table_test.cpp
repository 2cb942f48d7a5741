#include "registry/drive_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace velkaro;

namespace {
namespace VELKARO_UNITY_ID {

// Identifies the probe as a drive at `address` and commits it.
void connect(DriveTable& table, int address, const std::string& series = "QD30") {
    table.probeRecord.name = std::to_string(address) + "#" + series + "-7.50";
    table.probeRecord.address = std::to_string(address);
    table.probeRecord.series = series;
    table.probeRecord.ratedPower = "7.50";
    table.commitProbe();
}

// The invariants that must hold after every operation.
void expectInvariants(const DriveTable& table) {
    std::set<std::string> names;
    std::set<std::string> addresses;
    std::set<int> slotsSeen;
    ASSERT_LE(table.driveCount, 32u);
    for (uint32_t i = 0; i < table.driveCount; ++i) {
        const std::string& name = table.driveNames[i];
        ASSERT_FALSE(name.empty()) << "entry " << i;
        const int slot = table.findSlotByName(name);
        ASSERT_GE(slot, 0) << name;
        EXPECT_TRUE(slotsSeen.insert(slot).second) << "two names on one slot";
        EXPECT_TRUE(names.insert(name).second) << "duplicate name " << name;
        EXPECT_TRUE(addresses.insert(table.slots[slot].address).second) << "duplicate address";
    }
    for (uint32_t i = table.driveCount; i < 32; ++i) {
        EXPECT_TRUE(table.driveNames[i].empty()) << "stale entry " << i;
    }
    int occupied = 0;
    for (const auto& slot : table.slots) {
        occupied += slot.name.empty() ? 0 : 1;
    }
    EXPECT_EQ(occupied, static_cast<int>(table.driveCount)) << "slot names and driveNames differ";
    EXPECT_TRUE(table.probeRecord.name.empty());
}

TEST(DriveTable, StartsEmptyAndFindsFirstFreeSlotByEmptyName) {
    DriveTable table;
    table.slots[3].name = "left over";
    table.initialise();
    EXPECT_EQ(table.driveCount, 0u);
    EXPECT_EQ(table.findSlotByName(""), 0);
    EXPECT_EQ(table.findSlotByName("1#QD10-7.5"), -1);
    const std::array<int32_t, 6> defaults{4, 2, 6, 7, 3, 5};
    EXPECT_EQ(table.defaultKeyCodes, defaults);
    expectInvariants(table);
}

TEST(DriveTable, CommitProbeAddsOnlineDriveWithDefaultsAndPendingControlRead) {
    DriveTable table;
    table.initialise();
    connect(table, 3);
    ASSERT_EQ(table.driveCount, 1u);
    EXPECT_EQ(table.driveNames[0], "3#QD30-7.50");
    const DriveRecord& drive = table.slots[0];
    EXPECT_EQ(drive.online, 1);
    EXPECT_EQ(drive.pendingOp, OpCode::ControlRead);
    EXPECT_EQ(drive.keyCodes, table.defaultKeyCodes);
    EXPECT_EQ(drive.series, "QD30");
    EXPECT_TRUE(table.probeRecord.name.empty()) << "probe must be freed";
    expectInvariants(table);
}

TEST(DriveTable, RefusesAddressAlreadyConnectedAndThirtyThirdDrive) {
    DriveTable table;
    table.initialise();
    connect(table, 5);
    connect(table, 5, "QD10");
    EXPECT_EQ(table.driveCount, 1u);
    expectInvariants(table);

    for (int address = 6; address < 6 + 40; ++address) {
        connect(table, address);
        expectInvariants(table);
    }
    EXPECT_EQ(table.driveCount, 32u);
    EXPECT_EQ(table.findSlotByName("36#QD30-7.50"), 31);
    EXPECT_EQ(table.findSlotByName("37#QD30-7.50"), -1);
}

TEST(DriveTable, MiddleRemovalKeepsOrderAndFreedSlotIsReusedFirst) {
    DriveTable table;
    table.initialise();
    for (int address = 1; address <= 5; ++address) {
        connect(table, address);
    }
    ASSERT_TRUE(table.removeDrive("3#QD30-7.50"));
    expectInvariants(table);
    ASSERT_EQ(table.driveCount, 4u);
    EXPECT_EQ(table.driveNames[0], "1#QD30-7.50");
    EXPECT_EQ(table.driveNames[1], "2#QD30-7.50");
    EXPECT_EQ(table.driveNames[2], "4#QD30-7.50");
    EXPECT_EQ(table.driveNames[3], "5#QD30-7.50");
    // The other drives keep their slots.
    EXPECT_EQ(table.findSlotByName("4#QD30-7.50"), 3);
    EXPECT_EQ(table.findSlotByName("5#QD30-7.50"), 4);

    connect(table, 9);
    EXPECT_EQ(table.findSlotByName("9#QD30-7.50"), 2) << "the freed slot is reused first";
    EXPECT_EQ(table.driveNames[4], "9#QD30-7.50") << "new drives join the end of the list";
    expectInvariants(table);

    EXPECT_FALSE(table.removeDrive("not connected"));
    EXPECT_FALSE(table.removeDrive(""));
    expectInvariants(table);
}

TEST(DriveTable, RemovedAddressCanConnectAgain) {
    DriveTable table;
    table.initialise();
    connect(table, 7);
    table.removeDrive("7#QD30-7.50");
    connect(table, 7);
    EXPECT_EQ(table.driveCount, 1u);
    expectInvariants(table);
}

TEST(DriveTable, RenameRules) {
    DriveTable table;
    table.initialise();
    connect(table, 1, "QD10");
    connect(table, 2, "QD10");
    const std::string first = "1#QD10-7.50";
    const std::string second = "2#QD10-7.50";

    EXPECT_EQ(table.renameDrive(first, ""), RenameResult::EmptyName);
    EXPECT_EQ(table.renameDrive(first, second), RenameResult::DuplicateName);
    EXPECT_EQ(table.renameDrive(first, first), RenameResult::DuplicateName) << "own name refused";
    EXPECT_EQ(table.renameDrive("ghost", "Pump A"), RenameResult::NotFound);
    EXPECT_EQ(table.driveNames[0], first);

    EXPECT_EQ(table.renameDrive(first, "   "), RenameResult::Renamed) << "spaces kept as typed";
    EXPECT_EQ(table.renameDrive("   ", "Pump A"), RenameResult::Renamed);
    EXPECT_EQ(table.driveNames[0], "Pump A");
    const int slot = table.findSlotByName("Pump A");
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(table.slots[slot].address, "1") << "only the name changes";
    expectInvariants(table);
}

TEST(DriveTable, OnlineAndFaultPredicates) {
    DriveTable table;
    table.initialise();
    connect(table, 1);
    EXPECT_TRUE(table.isOnline(0));
    EXPECT_FALSE(table.isFaulted(0));
    table.slots[0].status[0] = 0x0008;
    EXPECT_TRUE(table.isFaulted(0));
    table.slots[0].online = 0;
    EXPECT_FALSE(table.isOnline(0));
    EXPECT_FALSE(table.isOnline(-1));
    EXPECT_FALSE(table.isFaulted(32));
}

} // namespace VELKARO_UNITY_ID
} // namespace
