#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qel {

// The prepared transponder list as the LPM server and outside programs read it: ASCII (every
// other character becomes "?"), each line ended by CR LF, no byte-order mark.
QByteArray PreparedTransponderIniBytes(const QStringList& aLines);

// The file's path: "Prepared_Transponder.ini" in the executable's folder.
QString PreparedTransponderIniPath();

// Writes the lines to that file through a temporary file renamed over the old one, so a
// reader never sees half a file. False with aError set when the file cannot be written.
bool WritePreparedTransponderIni(const QStringList& aLines, QString* aError = nullptr);

}  // namespace qel
