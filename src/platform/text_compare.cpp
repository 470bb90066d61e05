#include "platform/text_compare.h"

namespace qel {
namespace {

char16_t UpperAscii(char16_t aChar) {
    return aChar >= u'a' && aChar <= u'z' ? static_cast<char16_t>(aChar - u'a' + u'A') : aChar;
}

}  // namespace

int CompareText(const QString& aLeft, const QString& aRight) {
    const qsizetype common = std::min(aLeft.size(), aRight.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t left = UpperAscii(aLeft[i].unicode());
        const char16_t right = UpperAscii(aRight[i].unicode());
        if (left != right) {
            return left < right ? -1 : 1;
        }
    }
    return aLeft.size() == aRight.size() ? 0 : (aLeft.size() < aRight.size() ? -1 : 1);
}

bool SameText(const QString& aLeft, const QString& aRight) {
    return aLeft.size() == aRight.size() && CompareText(aLeft, aRight) == 0;
}

}  // namespace qel
