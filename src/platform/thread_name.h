#pragma once

#include <QByteArray>
#include <QString>

namespace qel {

// A thread name as Linux takes it (pthread_setname_np): at most 15 bytes of UTF-8, cut at a
// character boundary so that the name stays valid.
QByteArray ThreadName(const QString& aName);

}  // namespace qel
