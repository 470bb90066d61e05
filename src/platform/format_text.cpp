#include "platform/format_text.h"

#include <cmath>
#include <vector>

#include "platform/exception.h"

namespace qel {

namespace {

[[noreturn]] void RaiseInvalid(const QString& aFormat) {
    throw EConvertError(
        QStringLiteral("Format '%1' invalid or incompatible with argument").arg(aFormat));
}

QString FixedText(double aValue, int aPrecision, const FormatSettings& aSettings) {
    if (std::isnan(aValue)) {
        return QStringLiteral("NAN");
    }
    if (std::isinf(aValue)) {
        return aValue > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    }
    // QString::number ignores the process locale, unlike printf.
    QString text = QString::number(aValue, 'f', aPrecision);
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0) {
        text[point] = aSettings.DecimalSeparator;
    }
    return text;
}

}  // namespace

QString Format(const QString& aFormat, std::initializer_list<FormatArg> anArgs,
               const FormatSettings& aSettings) {
    const std::vector<FormatArg> args(anArgs);
    size_t next = 0;
    QString result;
    const qsizetype length = aFormat.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = aFormat[i];
        if (c != u'%') {
            result.append(c);
            continue;
        }
        if (++i >= length) {
            RaiseInvalid(aFormat);
        }
        if (aFormat[i] == u'%') {
            result.append(u'%');
            continue;
        }
        bool left = false;
        if (aFormat[i] == u'-') {
            left = true;
            ++i;
        }
        int width = 0;
        while (i < length && aFormat[i].isDigit()) {
            width = width * 10 + aFormat[i].digitValue();
            ++i;
        }
        int precision = -1;
        if (i < length && aFormat[i] == u'.') {
            precision = 0;
            ++i;
            while (i < length && aFormat[i].isDigit()) {
                precision = precision * 10 + aFormat[i].digitValue();
                ++i;
            }
        }
        if (i >= length || next >= args.size()) {
            RaiseInvalid(aFormat);
        }
        const FormatArg& arg = args[next++];
        const QChar type = aFormat[i].toLower();
        QString text;
        if ((type == u'd' || type == u'u' || type == u'x') &&
            arg.kind() == FormatArg::Kind::Integer) {
            const int64_t value = arg.integer();
            if (type == u'x') {
                // Negative 32-bit values print as their two's complement, as the runtime does.
                const uint64_t bits = value < 0 && value >= INT32_MIN
                                          ? static_cast<uint32_t>(value)
                                          : static_cast<uint64_t>(value);
                text = QString::number(bits, 16).toUpper();
            } else {
                text = QString::number(value < 0 ? -value : value);
            }
            if (precision > text.size()) {
                text = QString(precision - text.size(), u'0') + text;
            }
            if (type != u'x' && value < 0) {
                text.prepend(u'-');
            }
        } else if (type == u'f' && arg.kind() == FormatArg::Kind::Float) {
            text = FixedText(arg.floating(), precision < 0 ? 2 : precision, aSettings);
        } else if (type == u's' && arg.kind() == FormatArg::Kind::Text) {
            text = precision >= 0 ? arg.text().left(precision) : arg.text();
        } else {
            RaiseInvalid(aFormat);
        }
        if (text.size() < width) {
            const QString pad(width - text.size(), u' ');
            text = left ? text + pad : pad + text;
        }
        result.append(text);
    }
    return result;
}

}  // namespace qel
