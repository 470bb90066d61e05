#pragma once

#include <QString>
#include <QStringList>

namespace qel {

// The field-object loader of the camera settings (SetCamFieldObjectLoader; the composition root
// installs it): reads the field definition file aFileName and lists the names of its line objects
// and of its rectangle objects, each in file order. False, with both lists left empty, when there
// is no such file; errors of the field reader propagate.
bool LoadCamFieldObjects(const QString& aFileName, QStringList& aLines, QStringList& aAreas);

}  // namespace qel
