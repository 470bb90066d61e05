#include "platform/ansi_codec.h"

#include <array>

namespace qel {
namespace {

// Characters of bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char16_t DecodeByte(unsigned char aByte) {
    if (aByte >= 0x80 && aByte <= 0x9F) {
        return kHighControlRange[aByte - 0x80];
    }
    return aByte;
}

// The byte of a character, or -1 when the code page has none.
int EncodeChar(char16_t aChar) {
    if (aChar < 0x80 || (aChar >= 0xA0 && aChar <= 0xFF)) {
        return aChar;
    }
    for (size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == aChar) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

}  // namespace

QString FromWindows1252(const char* aData, qsizetype aLength) {
    QString result(aLength, Qt::Uninitialized);
    QChar* out = result.data();
    for (qsizetype i = 0; i < aLength; ++i) {
        out[i] = QChar(DecodeByte(static_cast<unsigned char>(aData[i])));
    }
    return result;
}

QString FromWindows1252(const QByteArray& aData) {
    return FromWindows1252(aData.constData(), aData.size());
}

QByteArray ToWindows1252(const QString& aText, bool* aAllFitted) {
    QByteArray result;
    result.reserve(aText.size());
    bool allFitted = true;
    for (qsizetype i = 0; i < aText.size(); ++i) {
        const int byte = EncodeChar(aText[i].unicode());
        if (byte >= 0) {
            result.append(static_cast<char>(byte));
            continue;
        }
        allFitted = false;
        result.append('?');
        // A surrogate pair is one character: one '?' for both halves.
        if (aText[i].isHighSurrogate() && i + 1 < aText.size() && aText[i + 1].isLowSurrogate()) {
            ++i;
        }
    }
    if (aAllFitted) {
        *aAllFitted = allFitted;
    }
    return result;
}

bool FitsWindows1252(const QString& aText) {
    for (const QChar c : aText) {
        if (EncodeChar(c.unicode()) < 0) {
            return false;
        }
    }
    return true;
}

}  // namespace qel
