#include "platform/guid_text.h"

#include "platform/exception.h"

namespace qel {

namespace {

constexpr int kGuidTextLength = 38;

bool IsHexDigit(QChar aChar) {
    const char16_t c = aChar.unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsGuidText(const QString& aText) {
    if (aText.size() != kGuidTextLength || aText.front() != u'{' || aText.back() != u'}') {
        return false;
    }
    for (int i = 1; i < kGuidTextLength - 1; ++i) {
        const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
        if (hyphen ? aText[i] != u'-' : !IsHexDigit(aText[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

QString GuidToString(const QUuid& aGuid) {
    return aGuid.toString(QUuid::WithBraces).toUpper();
}

QUuid StringToGuid(const QString& aText) {
    if (!IsGuidText(aText)) {
        throw EConvertError(QStringLiteral("'%1' is not a valid GUID value").arg(aText));
    }
    return QUuid::fromString(aText);
}

}  // namespace qel
