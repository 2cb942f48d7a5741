#include "sim/rtu_frame.h"

namespace velkaro::sim {

uint16_t rtuCrc(const uint8_t* data, std::size_t length) {
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

void appendCrc(std::vector<uint8_t>& frame) {
    const uint16_t crc = rtuCrc(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

bool rtuCrcOk(const uint8_t* frame, std::size_t length) {
    return length >= 4 && rtuCrc(frame, length) == 0;
}

std::vector<uint8_t> exceptionFrame(uint8_t address, uint8_t function, uint8_t code) {
    std::vector<uint8_t> frame{address, static_cast<uint8_t>(function | 0x80), code};
    appendCrc(frame);
    return frame;
}

} // namespace velkaro::sim
