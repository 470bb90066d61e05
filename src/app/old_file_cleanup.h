#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "platform/date_time.h"

namespace qel {

// Moves a file to the platform's trash; false when the trash refuses it.
using TrashFile = std::function<bool(const QString& aFileName)>;

// Moves the files of aFolder that match one of aMasks and were last written before today's
// midnight minus aDays days to the trash, and logs each one: "CleanDirectory - Deleted: " and
// the path, or, when the trash refuses the file (it then stays), "CleanDirectory - Not
// deleted: " and the path. aNow gives today. Sub-folders are left alone.
void CleanDirectory(const QString& aFolder, const QStringList& aMasks, int aDays, TDateTime aNow,
                    const TrashFile& aTrash, const std::function<void(const QString&)>& aLog);

}  // namespace qel
