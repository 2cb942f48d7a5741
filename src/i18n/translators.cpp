#include "i18n/translators.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <string>

namespace velkaro {
namespace {

std::string translateWithQt(const char* context, const char* source) {
    return QCoreApplication::translate(context, source).toStdString();
}

// Ours among the application's children, so a second call replaces them.
const QString kOwnTranslator = QStringLiteral("velkaro_translator");

bool loadInto(QCoreApplication& application, const QString& name, const QString& folder) {
    auto* translator = new QTranslator(&application);
    translator->setObjectName(kOwnTranslator);
    if (!translator->load(name, folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

// Read without an application object: QCoreApplication's translators need one.
QTranslator& earlyCatalogue() {
    static QTranslator catalogue;
    return catalogue;
}

std::string translateEarly(const char* context, const char* source) {
    const QString text = earlyCatalogue().translate(context, source);
    return text.isEmpty() ? std::string(source) : text.toStdString();
}

} // namespace

void installEarlyTranslator(Language language) {
    setDisplayLanguage(language);
    if (language == Language::English &&
        earlyCatalogue().load(QStringLiteral("velkaro_en"), QStringLiteral(":/i18n"))) {
        setTextTranslator(&translateEarly);
    }
}

QString qtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

InstalledCatalogues installTranslators(QCoreApplication& application, Language language) {
    for (QTranslator* old :
         application.findChildren<QTranslator*>(kOwnTranslator, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    setDisplayLanguage(language);
    setTextTranslator(&translateWithQt);
    InstalledCatalogues installed;
    if (language == Language::English) {
        installed.station =
            loadInto(application, QStringLiteral("velkaro_en"), QStringLiteral(":/i18n"));
    } else {
        // qt_zh_CN is Qt's catalogue of catalogues: it brings qtbase_zh_CN and the others.
        installed.qt = loadInto(application, QStringLiteral("qt_zh_CN"), qtTranslationsFolder());
    }
    return installed;
}

} // namespace velkaro
