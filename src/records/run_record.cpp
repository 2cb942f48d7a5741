#include "records/run_record.h"

#include "registry/fixed_point.h"
#include "registry/drive_table.h"
#include "registry/labels.h"

namespace velkaro {

std::vector<RunRecord> runRecordsOf(const DriveTable& table) {
    std::vector<RunRecord> rows;
    for (uint32_t i = 0; i < table.driveCount && i < table.driveNames.size(); ++i) {
        const std::string& name = table.driveNames[i];
        // An empty name would match a free slot; neither is a drive to record.
        const int slot = name.empty() ? -1 : table.findSlotByName(name);
        if (slot < 0) {
            break;
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
