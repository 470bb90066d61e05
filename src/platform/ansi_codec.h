#pragma once

#include <QByteArray>
#include <QString>

// The "ANSI code page" of the system's files and messages: Windows-1252, through our own table
// so that the result never depends on the machine's locale.
namespace qel {

// Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in the code page; like Windows they
// decode to the control characters of the same number.
QString FromWindows1252(const char* aData, qsizetype aLength);
QString FromWindows1252(const QByteArray& aData);

// Characters the code page cannot hold become '?'. aAllFitted, when given, tells whether every
// character was held.
QByteArray ToWindows1252(const QString& aText, bool* aAllFitted = nullptr);

// True when every character of aText has a byte in the code page.
bool FitsWindows1252(const QString& aText);

}  // namespace qel
