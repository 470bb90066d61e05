#pragma once

#include <QString>

namespace qel {

// Puts links to the installed PuTTY tools (putty, plink, pscp) into aFolder where they are
// missing, so the maintenance commands find them next to the program. Nothing is reported: a
// tool that is not installed or a folder that cannot be written only makes those commands
// fail when they are started.
void LinkPuttyTools(const QString& aFolder);

}  // namespace qel
