#pragma once

#include <QString>
#include <QUuid>

namespace qel {

// The registry text form of a GUID: braces and upper-case hexadecimal groups 8-4-4-4-12,
// 38 characters.
QString GuidToString(const QUuid& aGuid);

// Reads exactly that form (hexadecimal digits in either case). Any other text raises
// EConvertError; it never turns into the null GUID silently.
QUuid StringToGuid(const QString& aText);

}  // namespace qel
