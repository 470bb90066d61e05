#include "app/translation.h"

#include <libintl.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <clocale>
#include <cstdlib>
#include <string_view>

// glibc drops cached translations when this counter changes.
extern "C" int _nl_msg_cat_cntr;

namespace qel {

namespace {

QString& LanguageState() {
    static QString language = QStringLiteral("en");
    return language;
}

}  // namespace

void SetUpTranslation(const QString& aLocaleFolder) {
    // LANGUAGE is ignored under the plain "C" locale; C.UTF-8 keeps the C formats and lets it
    // choose the catalogue.
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (current == nullptr || std::string_view(current) == "C" ||
        std::string_view(current) == "POSIX") {
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    bindtextdomain(kTextDomain, QFile::encodeName(aLocaleFolder).constData());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
}

QString DefaultLocaleFolder() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("locale"));
}

void UseLanguage(const QString& aLanguage) {
    const QString language = aLanguage.trimmed().toLower();
    LanguageState() = language.isEmpty() ? QStringLiteral("en") : language;
    setenv("LANGUAGE", LanguageState().toUtf8().constData(), 1);
    ++_nl_msg_cat_cntr;
}

QString CurrentLanguage() {
    return LanguageState();
}

QString Translate(const char* aText) {
    return QString::fromUtf8(dgettext(kTextDomain, aText));
}

}  // namespace qel
