#include "records/trend_data.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace velkaro {
namespace {

std::optional<double> numberOf(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

/// One quantity of one drive while its rows stream past.
struct CurveBuilder {
    CurveBuilder(const TrendRequest& request, TrendCurve& target)
        : curve(target), decimator(request.from, request.to, request.columns) {}

    void addRow(WallSeconds time, const std::string& text, bool lost, bool faulted,
                std::string_view cause) {
        const std::optional<double> value = numberOf(text);
        const int column = decimator.columnOf(time);
        if (lost) {
            decimator.addBreak(time);
            if (value && column != lossColumn) {
                curve.lossMarks.push_back({time, *value, "通讯断线"});
                lossColumn = column;
            }
            return;
        }
        if (!value) {
            return;
        }
        decimator.addValue(time, *value);
        if (faulted && column != faultColumn) {
            curve.faultMarks.push_back({time, *value, std::string(cause)});
            faultColumn = column;
        }
    }

    TrendCurve& curve;
    CurveDecimator decimator;
    int lossColumn = -1;
    int faultColumn = -1;
};

void loadDrive(RunRecordReader& reader, const TrendRequest& request, const std::string& drive,
               TrendData& data) {
    const std::size_t first = data.curves.size();
    for (const Quantity quantity : request.quantities) {
        data.curves.push_back(TrendCurve{drive, quantity, {}, {}, {}, false});
    }
    std::vector<CurveBuilder> builders;
    for (std::size_t i = first; i < data.curves.size(); ++i) {
        builders.emplace_back(request, data.curves[i]);
    }

    RecordEventTracker tracker(drive);
    const std::tm before = wallTimeOf(request.from - 1);
    const std::optional<RunRecord> previous = reader.rowAtOrBefore(drive, before);
    if (previous) {
        tracker.seed(previous->workingState);
    }
    const bool continues = previous && !isCommunicationLost(previous->workingState);

    RecordQuery query;
    query.after = before;
    query.upTo = wallTimeOf(request.to);
    query.driveName = drive;
    query.values = request.quantities;
    reader.readPages(query, [&](const std::vector<RunRecord>& rows) {
        for (const RunRecord& row : rows) {
            const WallSeconds time = wallSecondsOf(row.recordTime);
            if (auto event = tracker.add(time, row.workingState)) {
                data.events.push_back(std::move(*event));
            }
            const WorkingState state = splitWorkingState(row.workingState);
            const bool lost = isCommunicationLost(row.workingState);
            const bool faulted = isFaulted(row.workingState);
            const std::string_view cause = state.cause.empty() ? state.state : state.cause;
            for (std::size_t q = 0; q < builders.size(); ++q) {
                builders[q].addRow(time, valueOf(row, request.quantities[q]), lost, faulted, cause);
            }
            data.newest = std::max(data.newest, time);
        }
        data.rows += static_cast<long>(rows.size());
        return true;
    });
    for (CurveBuilder& builder : builders) {
        builder.curve.segments = builder.decimator.finish();
        builder.curve.continuesBefore = continues;
    }
}

} // namespace

TrendData loadTrend(RunRecordReader& reader, const TrendRequest& request) {
    TrendData data;
    data.curves.reserve(request.drives.size() * request.quantities.size());
    for (const std::string& drive : request.drives) {
        loadDrive(reader, request, drive, data);
    }
    std::stable_sort(data.events.begin(), data.events.end(),
                     [](const RecordEvent& a, const RecordEvent& b) { return a.time < b.time; });
    return data;
}

} // namespace velkaro
