#pragma once

#include <QString>
#include <QStringList>

class TqelServerConfig;

namespace qel {

// Reads the program's parameters into aConfig, in order, a later one of a kind winning:
// "/ru", "/en", "/de", "/nl" (any case) select the language; an existing file ending in ".ini"
// (any case) becomes the settings file, a bare name taken from aProgramFolder. The path keeps
// its case (file names are case-sensitive here); anything else is ignored.
void ParseCommandLine(TqelServerConfig& aConfig, const QStringList& aParameters,
                      const QString& aProgramFolder);

}  // namespace qel

// The process's parameters into the server settings; before the settings are loaded.
void ParseCommandLine();
