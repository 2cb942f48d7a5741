#include "ui/notice_log.h"

#include <algorithm>

namespace velkaro {

const NoticeLog::Entry& NoticeLog::add(const QString& caption, const QString& text,
                                       const QDateTime& when) {
    const auto same = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e.text == text && e.caption == caption;
    });
    Entry entry{caption, text, 0, when, when};
    if (same != m_entries.end()) {
        entry = *same;
        m_entries.erase(same);
    }
    ++entry.count;
    entry.last = when;
    m_entries.push_back(std::move(entry));
    if (m_entries.size() > kMaxEntries) {
        m_entries.pop_front();
        ++m_dropped;
    }
    return m_entries.back();
}

} // namespace velkaro
