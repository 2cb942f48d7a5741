#include "sim/drive_faults.h"

namespace velkaro::sim {

bool DriveFaults::healthy() const {
    return !silent && corruptCrcShare <= 0.0 && lateReplyMs == 0 && splitPauseMs == 0 &&
           wrongAddress == 0 && !rejectImportWithBusy;
}

} // namespace velkaro::sim
