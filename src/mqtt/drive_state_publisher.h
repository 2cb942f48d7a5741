#pragma once

#include <array>
#include <chrono>
#include <ctime>
#include <functional>
#include <string>

#include "registry/drive_table.h"

namespace velkaro {

struct LinkSnapshot;

/// Decides what of the drive table goes to the broker: each drive's state
/// (retained, `<root>/<address>/state`) when it has changed, at most once a
/// second per drive; a change within the second goes out when the second is
/// over. With discovery on, a drive's sensors are announced to Home Assistant
/// once, when it is first seen. A drive taken out of the table has its
/// retained state (and discovery) cleared with an empty retained message; a
/// drive that stopped answering stays, with its lost state. Holds no
/// connection: `send` takes the messages (MqttPublisher::publish).
class DriveStatePublisher {
public:
    using Send = std::function<void(const std::string& topic, std::string payload, bool retained)>;
    using Clock = std::chrono::steady_clock;
    static constexpr auto kLeastInterval = std::chrono::seconds(1);

    DriveStatePublisher(std::string root, std::string station, Send send, bool haDiscovery = false);

    /// One look at the link: sends what has changed. `now` paces the drives,
    /// `wallNow` is the time the messages carry.
    void update(const LinkSnapshot& view, Clock::time_point now, std::time_t wallNow);

    /// For a new connection (publishing turned on again): every drive's state
    /// and discovery go out again at the next update, and what was published
    /// before is still cleared for a drive taken out meanwhile.
    void resend();

    /// Topic of the state of the drive at `address`.
    std::string stateTopic(const std::string& address) const;

private:
    struct Published {
        std::string name; ///< the drive this slot held when last published
        std::string address;
        std::string body; ///< the last body sent (without time)
        Clock::time_point at{};
        bool announced = false;
        // What the broker may still keep from an earlier connection.
        bool stateHeld = false;
        bool discoveryHeld = false;
    };

    void announce(const DriveRecord& drive);
    /// Clears what the broker keeps of the drive `p` published, unless a
    /// drive at its address is still in `view`, and forgets it.
    void withdraw(Published& p, const LinkSnapshot& view);
    std::string discoveryNode(const std::string& address) const;
    std::string discoveryTopic(const std::string& address, const char* key) const;

    std::string m_root;
    std::string m_station;
    Send m_send;
    bool m_haDiscovery;
    std::array<Published, kMaxDrives> m_published{};
};

} // namespace velkaro
