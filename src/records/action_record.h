#pragma once

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "link/ports/link_settings.h"
#include "link/requests.h"
#include "records/record_database.h"

namespace velkaro {

struct LinkSnapshot;

/// The table of the operators' actions, beside the run records.
inline constexpr std::string_view kActionTable = "操作记录";

/// One operator action and how it ended: a row of 操作记录.
struct ActionRecord {
    std::time_t time = 0; ///< 记录时间: when the operator gave it
    std::string station;  ///< 站名
    std::string account;  ///< 账户: the operating-system account
    std::string drive;    ///< 名字; empty for station-wide actions
    int address = 0;      ///< 地址; 0 for station-wide actions
    std::string action;   ///< 操作: "运行", "参数修改 F0-05", "参数导入 a.sav"
    std::string oldValue; ///< 原值, in display units; empty where none applies
    std::string newValue; ///< 新值, in display units
    std::string result; ///< 结果: "已确认", "被拒绝：非法数据值", "超时", "已取消"
    bool operator==(const ActionRecord&) const = default;
};

/// The results of actions the station does on its own account.
inline constexpr std::string_view kActionConfirmed = "已确认";
/// "被拒绝：" and the reason.
std::string refusedResult(std::string_view why);
/// 结果 of a request's outcome: 已确认, 被拒绝：<exception name or the
/// station's reason>, 超时, 已取消.
std::string actionResultOf(const Outcome& outcome);

/// The name of the account this program runs as (from the password entry;
/// the user id as text when it has none).
std::string currentAccount();

/// The command word by the name the action log gives it ("运行", "急停",
/// "点动"); "命令字" for any other.
std::string_view commandActionName(uint16_t word);

/// Turns requests and their outcomes into action rows. Requests that only
/// read (status, parameters, readouts, the line finder) are not logged. It
/// learns each group's values from the reads it sees end, so a parameter
/// change's 原值 is the value the drive held when last read.
class ActionTracker {
public:
    /// What a request will be logged as once it ends.
    struct Started {
        std::optional<ActionRecord> row; ///< none: the request is not logged
        int readGroup = -1;              ///< the group whose words the outcome brings, -1: none
        std::string series;
        std::optional<ParameterWrite> write; ///< a change the drive then holds, once confirmed
    };

    ActionTracker();

    void setStation(std::string station) { m_station = std::move(station); }
    const std::string& station() const { return m_station; }
    void setAccount(std::string account) { m_account = std::move(account); }
    void setClock(WallClock clock) { m_clock = std::move(clock); }

    /// At the moment the request is given, for `target` as `view` shows it.
    Started start(const Target& target, const Request& request, const LinkSnapshot& view);
    /// Once its outcome is known: the row to write, if the request is logged.
    std::optional<ActionRecord> finish(Started started, const Outcome& outcome);

    /// A station-wide action or one the link does at once (连接 settings,
    /// 断开, 名字更改), stamped now.
    ActionRecord now(const Target& target, std::string action, std::string oldValue,
                     std::string newValue, std::string result) const;

private:
    std::string m_station;
    std::string m_account;
    WallClock m_clock = systemNow;
    /// The words of a group of a drive (slot, address, group) as last read.
    std::map<std::tuple<int, int, int>, std::vector<uint16_t>> m_groups;
};

/// The line settings as the operator reads them: "COM1 9600N81 200ms", with
/// " 快速应答识别" when replies end at their last byte.
std::string lineSettingsText(const LinkSettings& settings);

} // namespace velkaro
