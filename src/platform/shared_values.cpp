#include "platform/shared_values.h"

namespace qel {

QString SharedText::get() const {
    std::lock_guard lock(FLock);
    return FValue;
}

bool SharedText::set(const QString& aValue) {
    std::lock_guard lock(FLock);
    if (FValue == aValue) {
        return false;
    }
    FValue = aValue;
    return true;
}

QStringList SharedTextList::get() const {
    std::lock_guard lock(FLock);
    return FValue;
}

void SharedTextList::set(const QStringList& aValue) {
    std::lock_guard lock(FLock);
    FValue = aValue;
}

}  // namespace qel
