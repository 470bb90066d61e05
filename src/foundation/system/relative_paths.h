#pragma once

#include <QString>

// Folders in the settings files are Windows paths relative to the executable's folder, such as
// "..\cfg\users.ini". Both "\" and "/" separate; results use "/".

// The folder with a trailing "/". A path starting with "." or ".." is taken relative to the
// executable's folder; the empty path is that folder; any other path (absolute, drive letter,
// UNC, or a plain relative name) is kept as given, with a separator appended when it ends with
// none.
QString ResolveRelativePath(const QString& aPath);

// ResolveRelativePath of the name's folder part followed by its file name.
QString ExpandRelativeFileName(const QString& aFileName);

namespace qel {

// The folder relative paths resolve against: the executable's, unless set for a test.
QString ExecutableFolder();
// An empty folder restores the executable's. Any thread may call it.
void SetExecutableFolderForTests(const QString& aFolder);

}  // namespace qel
