#pragma once

#include <QString>
#include <cstdint>

#include "platform/ini_file.h"

// How the client settings write a key: a value equal to its save default is removed from the
// file, any other value is written only when the file does not already hold it. So the file
// keeps only what differs from the defaults, and unchanged keys keep their text and place.
// Floats use "." whatever the locale.
namespace qel {

// The default is compared without regard to case, the stored text with regard to case.
void SaveTextKey(IniFile& anIni, const QString& aSection, const QString& anIdent,
                 const QString& aValue, const QString& aDefault);
void SaveIntegerKey(IniFile& anIni, const QString& aSection, const QString& anIdent, int32_t aValue,
                    int32_t aDefault);
void SaveBoolKey(IniFile& anIni, const QString& aSection, const QString& anIdent, bool aValue,
                 bool aDefault);
void SaveFloatKey(IniFile& anIni, const QString& aSection, const QString& anIdent, double aValue,
                  double aDefault);

// The last pass of a save: sections left without keys are removed.
void EraseEmptySections(IniFile& anIni);

// The scrambled form of a password for either settings file. Scrambling keeps seven bits of
// each character, so a password with characters of 128 or more would come back changed: it is
// still written, but one warning naming the key goes to the log.
QString ScramblePasswordForFile(const QString& aSection, const QString& aKey,
                                const QString& aPassword);

}  // namespace qel
