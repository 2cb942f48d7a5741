#pragma once

#include <QDateTime>
#include <QString>

#include <cstddef>
#include <deque>

namespace velkaro {

/// What the operator was told: each distinct text (with its caption) once,
/// with how often and when it was told first and last. Bounded: past
/// kMaxEntries the entry told longest ago is dropped (and counted).
class NoticeLog {
public:
    static constexpr std::size_t kMaxEntries = 500;

    struct Entry {
        QString caption;
        QString text;
        int count = 0;
        QDateTime first;
        QDateTime last;
    };

    /// One telling of `text` at `when`; its entry becomes the newest.
    const Entry& add(const QString& caption, const QString& text, const QDateTime& when);
    /// Oldest first (by the last telling).
    const std::deque<Entry>& entries() const { return m_entries; }
    /// Entries dropped for room so far.
    std::size_t dropped() const { return m_dropped; }

private:
    std::deque<Entry> m_entries;
    std::size_t m_dropped = 0;
};

} // namespace velkaro
