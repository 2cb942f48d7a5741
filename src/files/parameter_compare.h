#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/parameter_file.h"
#include "files/parameter_report.h"
#include "registry/catalogue.h"

namespace velkaro {

/// Told when two parameter sets are of different series.
inline constexpr std::string_view kWrongModelMessage = "机型错误！请确认导入参数与变频器机型一致。";

/// A drive's parameters by catalogue entry, from a drive, a report or a
/// ".sav" file. An entry the source does not hold is empty (a ".sav" of a
/// QD30 holds 633 of its 812 entries).
struct ParameterSet {
    std::string series;
    std::vector<std::optional<uint16_t>> words; ///< one per catalogue entry
};

/// Every entry of the report.
ParameterSet parameterSetOf(const ParameterReport& report);

/// The entries a ".sav" image holds, placed as export and import place them:
/// a QD10 image holds entries 0..99 in order; a QD30 image holds F0-00..F0-12
/// and every entry of F1..FF at their file slots. None, with `error` set, for
/// an image of any other series tag.
std::optional<ParameterSet> parameterSetOf(const ParameterImage& image, const std::string& path,
                                           std::string& error);

enum class ParameterFileKind { Sav, Report, Unknown };

/// What a parameter file holds, by its structure first and its extension
/// next: a report begins (after its byte order mark) with the line
/// "变频器名称,…"; a ".sav" is decimal numbers each ended by a CR. A file of
/// neither shape is what its extension ".sav" or ".csv" says, so that its
/// reader names what is wrong with it; Unknown otherwise.
ParameterFileKind parameterFileKind(const std::string& path, std::string_view content);

/// Reads a report or a ".sav" file, told apart by parameterFileKind(). None,
/// with the reader's message, when the file is refused; a file that cannot
/// be read is refused with the system's reason.
std::optional<ParameterSet> loadParameterSet(const std::string& path, std::string& error);

/// One parameter whose two values differ.
struct ParameterDifference {
    std::size_t entry = 0; ///< catalogue entry, for catalogue order
    std::string group;     ///< group label ("FB")
    std::string code;      ///< "F0-05"
    std::string name;
    std::string leftValue; ///< as the panel shows it, with the range's unit ("50.00Hz")
    std::string rightValue;
};

struct ParameterComparison {
    bool ok = false;
    std::string error; ///< kWrongModelMessage, or why the sets cannot be compared
    std::string series;
    std::vector<ParameterDifference> differences; ///< in catalogue order
    int equal = 0;                                ///< entries both sets hold with the same value
};

/// Compares the entries both sets hold. Sets of different series are refused
/// with kWrongModelMessage; a set whose size does not match its catalogue is refused.
ParameterComparison compareParameters(const ParameterSet& left, const ParameterSet& right);

/// A value with the unit of its range text, as a comparison shows it.
std::string valueWithUnit(const ParamDescriptor& d, uint16_t word);

} // namespace velkaro
