#include "foundation/settings/settings_write_rules.h"

#include "foundation/logging/logger.h"
#include "foundation/text_utils.h"
#include "platform/text_compare.h"

namespace qel {

void SaveTextKey(IniFile& anIni, const QString& aSection, const QString& anIdent,
                 const QString& aValue, const QString& aDefault) {
    if (SameText(aValue, aDefault)) {
        anIni.DeleteKey(aSection, anIdent);
    } else if (anIni.ReadString(aSection, anIdent, aDefault) != aValue) {
        anIni.WriteString(aSection, anIdent, aValue);
    }
}

void SaveIntegerKey(IniFile& anIni, const QString& aSection, const QString& anIdent, int32_t aValue,
                    int32_t aDefault) {
    if (aValue == aDefault) {
        anIni.DeleteKey(aSection, anIdent);
    } else if (anIni.ReadInteger(aSection, anIdent, aDefault) != aValue) {
        anIni.WriteInteger(aSection, anIdent, aValue);
    }
}

void SaveBoolKey(IniFile& anIni, const QString& aSection, const QString& anIdent, bool aValue,
                 bool aDefault) {
    if (aValue == aDefault) {
        anIni.DeleteKey(aSection, anIdent);
    } else if (anIni.ReadBool(aSection, anIdent, aDefault) != aValue) {
        anIni.WriteBool(aSection, anIdent, aValue);
    }
}

void SaveFloatKey(IniFile& anIni, const QString& aSection, const QString& anIdent, double aValue,
                  double aDefault) {
    const QChar separator = QLatin1Char('.');
    if (aValue == aDefault) {
        anIni.DeleteKey(aSection, anIdent);
    } else if (anIni.ReadFloat(aSection, anIdent, aDefault, separator) != aValue) {
        anIni.WriteFloat(aSection, anIdent, aValue, separator);
    }
}

void EraseEmptySections(IniFile& anIni) {
    for (const QString& section : anIni.ReadSections()) {
        if (anIni.ReadSection(section).isEmpty()) {
            anIni.EraseSection(section);
        }
    }
}

QString ScramblePasswordForFile(const QString& aSection, const QString& aKey,
                                const QString& aPassword) {
    if (!ScrambleKeepsText(aPassword)) {
        Logger().error(QStringLiteral("Settings: the password of [%1] \"%2\" holds characters "
                                      "that the settings file cannot keep; it is saved changed")
                           .arg(aSection, aKey));
    }
    return ScrambleText(aPassword);
}

}  // namespace qel
