#pragma once

#include <array>
#include <cstdint>

#include "link/ports/mbap.h"
#include "link/ports/tcp_port.h"

namespace velkaro {

/// A Modbus TCP gateway in front of the drives. Each RTU request the link
/// writes leaves as an ADU (unit id = drive address, the transaction id
/// counting up); each answer comes back as the RTU frame the drive would have
/// sent, with its CRC, so the link above sees the frames of a serial line.
/// Dropped on the way: an answer to another transaction than the one in
/// flight, a gateway exception (0x0A, 0x0B: the drive did not answer, so the
/// link's own timeout speaks), and whatever does not parse as an ADU.
class ModbusTcpPort : public TcpPort {
public:
    ModbusTcpPort(DeviceAddress address, std::string deviceText);

    void close() override;
    bool open() override;
    std::size_t bytesWaiting() override;
    std::size_t read(uint8_t* buffer, std::size_t capacity) override;
    bool write(const uint8_t* data, std::size_t length) override;

    /// Transaction id of the request in flight (of the last one written).
    uint16_t transactionInFlight() const { return m_transaction; }

private:
    /// Reads what the gateway sent and turns whole answers into RTU frames.
    void takeAnswers();
    void deliver(const uint8_t* adu, std::size_t length);

    MbapStream m_stream;
    uint16_t m_transaction = 0;
    /// RTU frames ready for the link: room for a few answers.
    std::array<uint8_t, 2 * kMaxRtuBytes> m_inbox{};
    std::size_t m_inboxCount = 0;
};

} // namespace velkaro
