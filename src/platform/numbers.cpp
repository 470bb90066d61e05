#include "platform/numbers.h"

#include <cmath>
#include <limits>

#include "platform/exception.h"

namespace {

// 2^63 is exactly representable; every double below it converts to int64 safely.
constexpr double kTwoPow63 = 9223372036854775808.0;

int64_t ToInt64Checked(double aValue) {
    if (!(aValue >= -kTwoPow63 && aValue < kTwoPow63)) {
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    }
    return static_cast<int64_t>(aValue);
}

int32_t ToInt32Checked(int64_t aValue) {
    if (aValue < std::numeric_limits<int32_t>::min() ||
        aValue > std::numeric_limits<int32_t>::max()) {
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    }
    return static_cast<int32_t>(aValue);
}

}  // namespace

int64_t Round(double aValue) {
    // The default rounding mode is to-nearest-even; nearbyint honours it.
    return ToInt64Checked(std::nearbyint(aValue));
}

int64_t Trunc(double aValue) {
    return ToInt64Checked(std::trunc(aValue));
}

namespace qel {

int32_t RoundToInt32(double aValue) {
    return ToInt32Checked(Round(aValue));
}
int32_t TruncToInt32(double aValue) {
    return ToInt32Checked(Trunc(aValue));
}
int32_t RoundToInt32Saturated(double aValue) {
    return RoundSaturated<int32_t>(aValue);
}
double RoundTo2Decimals(double aValue) {
    if (!std::isfinite(aValue)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double hundredths = aValue / 0.01;
    return std::trunc(hundredths < 0 ? hundredths - 0.5 : hundredths + 0.5) * 0.01;
}

namespace {

// The value of one digit in aBase (10 or 16), -1 for anything else.
int DigitValue(char16_t aChar, int aBase) {
    if (aChar >= u'0' && aChar <= u'9') {
        return aChar - u'0';
    }
    if (aBase == 16 && aChar >= u'a' && aChar <= u'f') {
        return aChar - u'a' + 10;
    }
    if (aBase == 16 && aChar >= u'A' && aChar <= u'F') {
        return aChar - u'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<int32_t> TryStrToInt(const QString& aText) {
    qsizetype i = 0;
    const qsizetype n = aText.size();
    while (i < n && (aText[i] == u' ' || aText[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < n && (aText[i] == u'-' || aText[i] == u'+')) {
        negative = aText[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && aText[i] == u'$') {
        base = 16;
        ++i;
    } else if (i < n && (aText[i] == u'x' || aText[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && aText[i] == u'0' && (aText[i + 1] == u'x' || aText[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) {
        return std::nullopt;
    }
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = DigitValue(aText[i].unicode(), base);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    const uint32_t bits = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
}

}  // namespace qel
