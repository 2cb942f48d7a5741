#pragma once

#include <mutex>

#include "link/drive_link.h"
#include "link/master/link_state.h"

namespace velkaro::testing {

/// The link's private state under its lock, for the link's own tests: what
/// its operations left behind where no outcome shows it.
struct LinkInspector {
    class Locked {
    public:
        explicit Locked(DriveLink& link) : m_lock(link.m_mutex), m_state(link.m_state.get()) {}
        LinkState* operator->() const { return m_state; }
        LinkState& operator*() const { return *m_state; }

    private:
        std::unique_lock<std::mutex> m_lock;
        LinkState* m_state;
    };
    static Locked lock(DriveLink& link) { return Locked(link); }
};

} // namespace velkaro::testing
