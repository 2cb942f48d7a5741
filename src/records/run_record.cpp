#include "records/run_record.h"

#include <array>

#include "link/link_snapshot.h"
#include "registry/drive_table.h"
#include "registry/fixed_point.h"
#include "registry/state_texts.h"

namespace velkaro {
namespace {

constexpr std::array<QuantityInfo, kQuantityCount> kQuantities = {{
    {Quantity::RunningFrequency, "运行频率", "Hz"},
    {Quantity::SetFrequency, "设定频率", "Hz"},
    {Quantity::OutputCurrent, "输出电流", "A"},
    {Quantity::OutputVoltage, "输出电压", "V"},
    {Quantity::BusVoltage, "母线电压", "V"},
}};

/// The row's text for a quantity, writable or not as the row is.
template <typename Row> auto& valueSlot(Row& row, Quantity quantity) {
    switch (quantity) {
    case Quantity::RunningFrequency:
        return row.runningFrequency;
    case Quantity::SetFrequency:
        return row.setFrequency;
    case Quantity::OutputCurrent:
        return row.outputCurrent;
    case Quantity::OutputVoltage:
        return row.outputVoltage;
    case Quantity::BusVoltage:
        break;
    }
    return row.busVoltage;
}

} // namespace

const QuantityInfo& quantityInfo(Quantity quantity) {
    return kQuantities[static_cast<std::size_t>(quantity)];
}

std::vector<Quantity> allQuantities() {
    std::vector<Quantity> all;
    for (const QuantityInfo& info : kQuantities) {
        all.push_back(info.quantity);
    }
    return all;
}

const std::string& valueOf(const RunRecord& row, Quantity quantity) {
    return valueSlot(row, quantity);
}

std::string& valueOf(RunRecord& row, Quantity quantity) {
    return valueSlot(row, quantity);
}

std::vector<RunRecord> runRecordsOf(const LinkSnapshot& view) {
    const DriveTable& table = view.table;
    std::vector<RunRecord> rows;
    for (uint32_t i = 0; i < table.driveCount && i < table.driveNames.size(); ++i) {
        const std::string& name = table.driveNames[i];
        // An empty name would match a free slot; neither is a drive to record.
        const int slot = name.empty() ? -1 : table.findSlotByName(name);
        if (slot < 0) {
            break;
        }
        if (!view.statusRead[static_cast<std::size_t>(slot)]) {
            continue;
        }
        const DriveRecord& drive = table.slots[static_cast<std::size_t>(slot)];
        RunRecord row;
        row.name = name;
        const auto value = [&drive](StatusQuantity q) {
            return formatFixed(statusValue(drive, q), q.decimals);
        };
        row.runningFrequency = value(kRunningFrequency);
        row.outputCurrent = value(kOutputCurrent);
        row.outputVoltage = value(kOutputVoltage);
        row.setFrequency = value(kSetFrequency);
        row.busVoltage = value(kBusVoltage);
        const StateTexts texts = driveStateTexts(table, slot);
        const std::string cause = texts.cause == kCauseNone ? std::string() : texts.cause;
        row.workingState = texts.state + " " + cause;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace velkaro
