#include "foundation/text_utils.h"

#include <QStringList>

#include "platform/exception.h"
#include "platform/numbers.h"

QString IntListToString(const QList<int32_t>& aList) {
    QStringList parts;
    parts.reserve(aList.size());
    for (int32_t value : aList) {
        parts.append(QString::number(value));
    }
    return parts.join(u';');
}

int32_t VarToIntDef(const QVariant& aValue, int32_t aDefault) {
    if (!aValue.isValid() || aValue.isNull()) {
        return aDefault;
    }
    return qel::TryStrToInt(aValue.toString()).value_or(aDefault);
}

QString IntToBaseStr(int32_t aDigits, int32_t aBase, int64_t aValue) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUV";
    if (aBase < 2 || aBase > 32) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("IntToBaseStr: base %1 is outside 2 to 32").arg(aBase));
    }
    if (aDigits < 0 || aValue < 0) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("IntToBaseStr: digits (%1) and value (%2) must not be negative")
                .arg(aDigits)
                .arg(aValue));
    }
    QString result(aDigits, u'0');
    for (qsizetype i = aDigits - 1; i >= 0 && aValue > 0; --i) {
        result[i] = QChar(kDigits[aValue % aBase]);
        aValue /= aBase;
    }
    return result;
}

double BatteryPercentFromMilliVolts(int32_t aMilliVolts) {
    if (aMilliVolts > 4071) {
        return 100;
    }
    if (aMilliVolts < 3617) {
        return aMilliVolts == 0 ? 0 : 1;
    }
    const double v = aMilliVolts / 1000.0;
    return 1063.6 * v * v * v - 12685 * v * v + 50537 * v - 67167;
}

QString FormatAthleteName(const QString& aFirstName, const QString& aMiddleName,
                          const QString& aLastName, const QString& aShortName,
                          TqelNameRepresenting aRepresenting) {
    switch (aRepresenting) {
        case nrpFirstName:
            return aFirstName;
        case nrpLastName:
            return aLastName;
        case nrpFirstLast:
            return qel::Trim(qel::Trim(aFirstName + u' ' + aMiddleName) + u' ' + aLastName);
        case nrpLastFirst: {
            const QString prefix =
                aLastName.isEmpty() ? QString() : aLastName + QStringLiteral(", ");
            return qel::Trim(qel::Trim(prefix + aMiddleName) + u' ' + aFirstName);
        }
        case nrpShortName:
            return aShortName;
        case nrpNone:
        default:
            break;
    }
    if (aLastName.isEmpty()) {
        return aFirstName;
    }
    return aLastName + (aFirstName.isEmpty() ? QString() : QStringLiteral(", ")) + aFirstName;
}

QString ScrambleText(const QString& aText) {
    QString result(aText.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < aText.size(); ++i) {
        result[i] = QChar(static_cast<char16_t>((aText[i].unicode() & 0x7F) ^ qel::kScrambleMask));
    }
    return result;
}

namespace qel {

bool ScrambleKeepsText(const QString& aText) {
    for (QChar c : aText) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

QString Trim(const QString& aText) {
    qsizetype begin = 0;
    qsizetype end = aText.size();
    while (begin < end && aText[begin].unicode() <= u' ') {
        ++begin;
    }
    while (end > begin && aText[end - 1].unicode() <= u' ') {
        --end;
    }
    return aText.mid(begin, end - begin);
}

QStringList SplitDelimitedText(const QString& aText, QChar aDelimiter, bool aKeepEmptyItems) {
    QStringList items;
    const qsizetype n = aText.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && aText[i].unicode() <= u' ') {
            ++i;
        }
    };
    skipBlanks();
    while (i < n) {
        QString item;
        bool quoted = false;
        if (aText[i] == u'"') {
            quoted = true;
            ++i;
            while (i < n) {
                if (aText[i] == u'"') {
                    if (i + 1 < n && aText[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += aText[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && aText[i].unicode() > u' ' && aText[i] != aDelimiter) {
                ++i;
            }
            item = aText.mid(start, i - start);
        }
        if (quoted || aKeepEmptyItems || !item.isEmpty()) {
            items.append(item);
        }
        skipBlanks();
        if (i < n && aText[i] == aDelimiter) {
            ++i;
            skipBlanks();
        }
    }
    return items;
}

}  // namespace qel
