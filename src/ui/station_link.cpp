#include "ui/station_link.h"

#include "link/operator_messages.h"
#include "registry/language.h"
#include "ui/access_gate.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <vector>

namespace velkaro {

namespace {

template <class T, std::size_t I = 0> constexpr std::size_t kindOf() {
    if constexpr (std::is_same_v<std::variant_alternative_t<I, Request>, T>) {
        return I;
    } else {
        return kindOf<T, I + 1>();
    }
}
// The alternatives of Request a transfer is made of.
constexpr std::size_t kExportKind = kindOf<Export>();
constexpr std::size_t kImportKind = kindOf<Import>();
constexpr std::size_t kReadoutKind = kindOf<Readout>();

} // namespace

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
    Pending pending{std::move(onEnd), target.slot, request.index(), std::nullopt, {}};
    if (const auto* command = std::get_if<Command>(&request)) {
        pending.command = *command;
    }
    if (m_actionSink) {
        pending.action = m_actions.start(target, request, m_view);
    }
    if (m_gate != nullptr && !m_gate->allows(request)) {
        const RequestId refusedId = m_nextRefusedId--;
        Outcome refused;
        refused.id = refusedId;
        refused.target = target;
        refused.result = Result::Refused;
        refused.why = std::string(kEngineerNeeded);
        refused.message = VELKARO_TRANSLATE_NOOP("OperatorMessages",
                                                 "该操作需要工程师权限，请先输入工程师密码。");
        m_handlers.emplace(refused.id, std::move(pending));
        m_refusedHere.push_back(std::move(refused));
        // Handed out from the event loop, as the link's outcomes are: never
        // inside the caller's own submit().
        Q_EMIT outcomesWaiting();
        Q_EMIT engineerWanted();
        return refusedId;
    }
    // Registered before any outcome is taken: one that ended at once finds
    // its handler.
    const RequestId id = m_link.submit(target, request);
    m_handlers.emplace(id, std::move(pending));
    takeOutcomes();
    return id;
}

void StationLink::takeOutcomes() {
    // Commands refused in one write end together, each with the same message:
    // the operator reads it once.
    std::vector<std::string> told;
    std::vector<Outcome> outcomes;
    outcomes.swap(m_refusedHere);
    for (Outcome& outcome : m_link.takeOutcomes()) {
        outcomes.push_back(std::move(outcome));
    }
    for (const Outcome& outcome : outcomes) {
        const auto it = m_handlers.find(outcome.id);
        if (it == m_handlers.end()) {
            continue;
        }
        Handler onEnd = std::move(it->second.onEnd);
        const std::size_t kind = it->second.kind;
        ActionTracker::Started action = std::move(it->second.action);
        m_handlers.erase(it);
        if (m_actionSink) {
            if (std::optional<ActionRecord> row = m_actions.finish(std::move(action), outcome)) {
                m_actionSink(std::move(*row));
            }
        }
        if (onEnd) {
            onEnd(outcome);
        } else if (!outcome.message.empty() && outcome.result != Result::Confirmed &&
                   std::find(told.begin(), told.end(), outcome.message) == told.end()) {
            told.push_back(outcome.message);
            if (outcome.target.slot < 0) {
                m_messages.notify(outcome.message, std::string(kInfoCaption));
            } else {
                // One box per drive and kind of request: a later refusal of
                // the same kind takes the box over instead of stacking.
                m_messages.notifyAbout(std::to_string(outcome.target.slot) + '/' +
                                           std::to_string(outcome.target.address) + '/' +
                                           std::to_string(kind),
                                       outcome.message, std::string(kInfoCaption));
            }
        }
    }
}

void StationLink::logAction(const Target& target, std::string action, std::string oldValue,
                            std::string newValue, std::string result) {
    if (m_actionSink) {
        m_actionSink(m_actions.now(target, std::move(action), std::move(oldValue),
                                   std::move(newValue), std::move(result)));
    }
}

bool StationLink::engineerAllowed() {
    if (m_gate == nullptr) {
        return true;
    }
    if (!m_gate->pinSet()) {
        if (!m_hintGiven) {
            m_hintGiven = true;
            Q_EMIT noPinHint();
        }
        return true;
    }
    if (m_gate->engineerUnlocked()) {
        return true;
    }
    Q_EMIT engineerWanted();
    return false;
}

bool StationLink::transferPending() const {
    return std::any_of(m_handlers.begin(), m_handlers.end(), [](const auto& entry) {
        const std::size_t kind = entry.second.kind;
        return kind == kExportKind || kind == kImportKind || kind == kReadoutKind;
    });
}

bool StationLink::readoutPending() const {
    return std::any_of(m_handlers.begin(), m_handlers.end(),
                       [](const auto& entry) { return entry.second.kind == kReadoutKind; });
}

std::optional<uint16_t> StationLink::frequencyGiven(int slot) const {
    std::optional<uint16_t> latest;
    for (const auto& [id, pending] : m_handlers) {
        if (pending.slot == slot && pending.command &&
            pending.command->kind == Command::Kind::Frequency) {
            latest = pending.command->value; // ids rise: the last one given wins
        }
    }
    return latest;
}

int32_t StationLink::commandWordGiven(int slot) const {
    const DriveRecord* drive = m_view.drive(slot);
    if (drive == nullptr) {
        return -1;
    }
    int32_t word = drive->controlSet[0] & 0xFFFF;
    for (const auto& [id, pending] : m_handlers) {
        if (pending.slot == slot && pending.command &&
            pending.command->kind == Command::Kind::Word) {
            word = pending.command->value;
        }
    }
    return word;
}

} // namespace velkaro
