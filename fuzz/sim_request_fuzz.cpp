// Any request a master might put on the wire: a simulated drive must never
// crash, must answer only its own address with a sound frame, and must keep
// its register map intact.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/rtu_frame.h"
#include "sim/simulated_drive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace velkaro::sim;
    if (size < 2) {
        return 0;
    }
    // First byte: series (bits 0..1), whether to append a good CRC (bit 2).
    const auto series = static_cast<Series>(data[0] & 3);
    std::vector<uint8_t> frame(data + 1, data + size);
    if ((data[0] & 4) != 0) {
        appendCrc(frame);
    }
    SimulatedDrive drive(1, series, 750);
    const auto reply = drive.serve(frame.data(), frame.size());
    if (!reply) {
        return 0;
    }
    const bool sound = rtuCrcOk(reply->data(), reply->size()) && (*reply)[0] == 1 &&
                       ((*reply)[1] & 0x7F) == (frame[1] & 0x7F) && reply->size() <= 256;
    const bool readSizeRight = (*reply)[1] != 0x03 || reply->size() == 5u + (*reply)[2];
    if (!sound || !readSizeRight || !drive.hasRegister(0x3210) || !drive.hasRegister(0x0000)) {
        std::abort();
    }
    return 0;
}
