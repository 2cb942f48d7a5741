#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/ports/mbap.h"

namespace velkaro::sim {

class BusSimulator;

/// Serves the simulated bus to one station at a time over TCP, either as a
/// serial device server in raw mode (the RTU bytes as they cross the wire) or
/// as a Modbus TCP gateway (each ADU becomes an RTU request on the bus; the
/// drive's answer goes back as an ADU with the request's transaction id, and
/// exception 0x0B when no valid answer came). A new station replaces the one
/// connected, so a station that lost its connection can always come back.
class TcpServer {
public:
    enum class Mode { RawRtu, ModbusTcp };

    explicit TcpServer(Mode mode) : m_mode(mode) {}
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    /// Listens on `host` (an address or name) and `port` (0: any free port).
    /// False, with the reason in `error`, when that is not possible.
    bool listen(const std::string& host, uint16_t port, std::string& error);
    /// The port listened on, and the station's text for it (tcp://, modbus-tcp://).
    uint16_t port() const { return m_port; }
    std::string deviceText() const;

    int listenFd() const { return m_listenFd; }
    int stationFd() const { return m_stationFd; }
    /// Something is waiting to be sent to the station.
    bool sending() const { return !m_out.empty(); }

    /// Takes a waiting connection.
    void accept();
    /// Reads what the station sent and puts it on the bus at `nowUs`.
    void receive(BusSimulator& bus, uint64_t nowUs);
    /// Sends the station what the bus has for it by `nowUs`.
    void transmit(BusSimulator& bus, uint64_t nowUs);

private:
    struct Request {
        uint16_t transaction = 0;
        std::vector<uint8_t> rtu;
    };
    void dropStation();
    void startNextRequest(BusSimulator& bus, uint64_t nowUs);
    void answerRequest();
    void send(const uint8_t* data, std::size_t length);

    Mode m_mode;
    std::string m_host;
    uint16_t m_port = 0;
    int m_listenFd = -1;
    int m_stationFd = -1;
    std::vector<uint8_t> m_out;
    // Modbus TCP only.
    MbapStream m_stream;
    std::deque<Request> m_requests;
    bool m_inFlight = false;
    Request m_current;
    std::vector<uint8_t> m_answer;
};

} // namespace velkaro::sim
