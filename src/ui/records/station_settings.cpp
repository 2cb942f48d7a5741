#include "ui/records/station_settings.h"

#include <QSettings>
#include <QString>

#include "i18n/language_choice.h"
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

QString languageKey() {
    return QStringLiteral("display/language");
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

std::optional<Language> savedLanguage() {
    Language language = Language::Chinese;
    if (!parseLanguage(stationSettings().value(languageKey()).toString().toStdString(), language)) {
        return std::nullopt;
    }
    return language;
}

bool saveLanguage(Language language) {
    QSettings settings = stationSettings();
    settings.setValue(languageKey(), qtText(languageCode(language)));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace velkaro
