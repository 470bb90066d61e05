#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>

#include "platform/exception.h"

// Small stateless text helpers shared by the settings files, the database rows and the drivers.

// How an athlete's name is shown; the ordinal is kept in the client settings.
enum TqelNameRepresenting : uint8_t {
    nrpNone,
    nrpFirstName,
    nrpLastName,
    nrpFirstLast,
    nrpLastFirst,
    nrpShortName
};

// The values in decimal joined by ";" ("1;10;11"); empty for an empty list.
QString IntListToString(const QList<int32_t>& aList);

// The variant's text as a 32-bit integer (decimal, or hexadecimal after "$" or "0x"); aDefault
// for a null variant or a text that is not such an integer.
int32_t VarToIntDef(const QVariant& aValue, int32_t aDefault);

// Exactly aDigits characters: the last aDigits digits of aValue in aBase (2 to 32, digits
// "0"-"9" then "A"-"V"), most significant first, with leading zeros. Raises
// EArgumentOutOfRangeException for a base outside 2 to 32 or a negative digit count or value.
QString IntToBaseStr(int32_t aDigits, int32_t aBase, int64_t aValue);

// Charge in percent of a transponder cell: 100 above 4071 mV, 0 for 0 mV, 1 for any other value
// below 3617 mV, a cubic fit in between.
double BatteryPercentFromMilliVolts(int32_t aMilliVolts);

// The display name of an athlete as aRepresenting asks for it.
QString FormatAthleteName(const QString& aFirstName, const QString& aMiddleName,
                          const QString& aLastName, const QString& aShortName,
                          TqelNameRepresenting aRepresenting);

// Obscures a password for the settings files: every code unit keeps its low seven bits and is
// xor-ed with a fixed mask, so the result is plain ASCII and, for ASCII text, scrambling twice
// gives the text back.
QString ScrambleText(const QString& aText);

namespace qel {

// The mask of ScrambleText. Below 0x20, so printable ASCII stays in 0x20..0x7F.
constexpr char16_t kScrambleMask = 0x1F;

// True when ScrambleText(ScrambleText(aText)) == aText, i.e. every code unit is below 128.
bool ScrambleKeepsText(const QString& aText);

// The text without leading and trailing blanks and control characters (code units up to 0x20).
QString Trim(const QString& aText);

// Items of a list text as the settings files write them: separated by aDelimiter and by blanks;
// an item in double quotes is taken without them, doubled quotes inside standing for one.
// Empty items between two delimiters are kept only when aKeepEmptyItems is true.
QStringList SplitDelimitedText(const QString& aText, QChar aDelimiter, bool aKeepEmptyItems);

}  // namespace qel
