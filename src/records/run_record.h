#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace velkaro {

struct LinkSnapshot;

/// One row of the table 运行记录. The values are texts made by formatFixed,
/// without units; only the time is a real date column.
struct RunRecord {
    std::tm recordTime{};         ///< 记录时间, local time, whole seconds
    std::string name;             ///< 名字
    std::string runningFrequency; ///< 运行频率, status[1], 2 decimals, Hz
    std::string outputCurrent;    ///< 输出电流, status[5], 1 decimal, A
    std::string outputVoltage;    ///< 输出电压, status[7], 1 decimal, V
    std::string setFrequency;     ///< 设定频率, status[4], 2 decimals, Hz
    std::string busVoltage;       ///< 母线电压, status[8], 1 decimal, V
    std::string workingState;     ///< 工作状态, state + " " + cause ("无" left out)
    /// 站名, the station that wrote the row; stamped by the writer, empty
    /// where the table has no such column.
    std::string station{};
};

/// The value columns of 运行记录, in the order the trend window offers them.
enum class Quantity { RunningFrequency, SetFrequency, OutputCurrent, OutputVoltage, BusVoltage };
inline constexpr int kQuantityCount = 5;

struct QuantityInfo {
    Quantity quantity;
    const char* column; ///< column name, also the operator's word for it
    const char* unit;
};
const QuantityInfo& quantityInfo(Quantity quantity);
/// Every quantity, in that order.
std::vector<Quantity> allQuantities();
/// The quantity's text in a stored row.
const std::string& valueOf(const RunRecord& row, Quantity quantity);
std::string& valueOf(RunRecord& row, Quantity quantity);

/// The rows one record pass writes, in the order of driveNames, without their
/// time. The pass ends at the first listed name that has no slot (or is empty).
/// A drive whose status has not been read yet since it joined gets no row: its
/// status words are the zeros it joined with, not values it ever had. A lost
/// drive's row says 通讯断线 with the values of its last read.
std::vector<RunRecord> runRecordsOf(const LinkSnapshot& view);

} // namespace velkaro
