#include "ui/station_link.h"

#include "link/operator_messages.h"

namespace velkaro {

StationLink::StationLink(DriveLink& link, OperatorMessages& messages, QObject* parent)
    : QObject(parent), m_link(link), m_messages(messages) {
    connect(this, &StationLink::outcomesWaiting, this, &StationLink::takeOutcomes,
            Qt::QueuedConnection);
    m_link.setOutcomeListener([this] { Q_EMIT outcomesWaiting(); });
    m_view = m_link.snapshot();
}

StationLink::~StationLink() {
    m_link.setOutcomeListener({});
}

void StationLink::refresh() {
    m_view = m_link.snapshot();
    takeOutcomes();
}

Target StationLink::targetOf(int slot) const {
    return m_view.target(slot);
}

RequestId StationLink::submit(const Target& target, Request request, Handler onEnd) {
    Pending pending{std::move(onEnd), target.slot, std::nullopt};
    if (const auto* command = std::get_if<Command>(&request);
        command != nullptr && command->kind == Command::Kind::Frequency) {
        pending.frequency = command->value;
    }
    // Registered before the request goes in: an outcome that ends at once
    // finds its handler.
    const RequestId id = m_link.submit(target, std::move(request));
    m_handlers.emplace(id, std::move(pending));
    takeOutcomes();
    return id;
}

void StationLink::takeOutcomes() {
    for (const Outcome& outcome : m_link.takeOutcomes()) {
        const auto it = m_handlers.find(outcome.id);
        if (it == m_handlers.end()) {
            continue;
        }
        Handler onEnd = std::move(it->second.onEnd);
        m_handlers.erase(it);
        if (onEnd) {
            onEnd(outcome);
        } else if (!outcome.message.empty() && outcome.result != Result::Confirmed) {
            m_messages.notify(outcome.message, std::string(kInfoCaption));
        }
    }
}

std::optional<uint16_t> StationLink::frequencyGiven(int slot) const {
    std::optional<uint16_t> latest;
    for (const auto& [id, pending] : m_handlers) {
        if (pending.slot == slot && pending.frequency) {
            latest = pending.frequency; // ids rise: the last one given wins
        }
    }
    return latest;
}

} // namespace velkaro
