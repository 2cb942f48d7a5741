#include "records/station_name.h"

#include <QSettings>
#include <QString>

#include <unistd.h>

#include <climits>

namespace velkaro {
namespace {

constexpr const char* kStationKey = "records/station";

QSettings stationSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromUtf8(kSettingsOrganisation.data(), kSettingsOrganisation.size()),
                     QString::fromUtf8(kSettingsApplication.data(), kSettingsApplication.size()));
}

} // namespace

std::string hostStationName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "velkaro";
    }
    return name;
}

std::string stationNameProblem(std::string_view name) {
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    bool control = false;
    for (const QChar c : text) {
        control = control || c.category() == QChar::Other_Control;
    }
    if (text.trimmed().isEmpty()) {
        return "站名不能为空";
    }
    if (text.size() > kStationNameMaxLength) {
        return "站名最多 " + std::to_string(kStationNameMaxLength) + " 个字";
    }
    if (text.trimmed() != text) {
        return "站名前后不能有空格";
    }
    if (control) {
        return "站名不能含控制字符";
    }
    return {};
}

std::optional<std::string> savedStationName() {
    const QString kept = stationSettings().value(QString::fromLatin1(kStationKey)).toString();
    std::string name = kept.toStdString();
    if (name.empty() || !stationNameProblem(name).empty()) {
        return std::nullopt;
    }
    return name;
}

bool saveStationName(const std::string& name) {
    QSettings settings = stationSettings();
    settings.setValue(QString::fromLatin1(kStationKey), QString::fromStdString(name));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

std::string chooseStationName(const std::optional<std::string>& commandLine) {
    if (commandLine) {
        return *commandLine;
    }
    return savedStationName().value_or(hostStationName());
}

} // namespace velkaro
