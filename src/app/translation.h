#pragma once

#include <QString>

namespace qel {

// The program's gettext domain; catalogues are <folder>/<language>/LC_MESSAGES/qelServer.mo.
inline constexpr const char* kTextDomain = "qelServer";

// Binds the program's domain to aLocaleFolder. English texts are the message ids, so a missing
// catalogue leaves the interface in English.
void SetUpTranslation(const QString& aLocaleFolder);

// The catalogues next to the program ("locale" in its folder).
QString DefaultLocaleFolder();

// Switches the texts given to Translate to aLanguage ("de", "nl", "ru"; "en" is the ids).
void UseLanguage(const QString& aLanguage);
QString CurrentLanguage();

// The text in the current language; the text itself when the catalogue has none.
QString Translate(const char* aText);

}  // namespace qel
