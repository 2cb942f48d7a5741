#include "ui/records/station_settings.h"

#include <QSettings>
#include <QString>

#include "records/station_name.h"
#include "widgets/qt_text.h"

namespace velkaro {
namespace {

QSettings stationSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, qtText(kSettingsOrganisation),
                     qtText(kSettingsApplication));
}

QString stationKey() {
    return qtText(kStationSettingsGroup) + QLatin1Char('/') + qtText(kStationSettingsKey);
}

} // namespace

std::optional<std::string> savedStationName() {
    const std::string name = stationSettings().value(stationKey()).toString().toStdString();
    if (name.empty() || !stationNameProblem(name).empty()) {
        return std::nullopt;
    }
    return name;
}

bool saveStationName(const std::string& name) {
    QSettings settings = stationSettings();
    settings.setValue(stationKey(), QString::fromStdString(name));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace velkaro
