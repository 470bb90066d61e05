#include "platform/date_time.h"

#include <QDate>
#include <QStringView>
#include <QTime>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>

#include "platform/exception.h"
#include "platform/numbers.h"

namespace {

using qel::kMSecsPerDay;

// Julian day of 1899-12-30, day 0 of TDateTime.
constexpr qint64 kJulianDayZero = 2415019;
// 1970-01-01 as a TDateTime day.
constexpr int64_t kUnixEpochDay = 25569;

struct TimeStamp {
    int64_t Day;  // days since 1899-12-30
    int64_t Ms;   // 0..86,399,999
};

// The runtime's split: round to the millisecond, the day is the quotient towards zero and the
// time is the absolute remainder.
TimeStamp ToTimeStamp(TDateTime aValue) {
    const int64_t ms = Round(aValue * static_cast<double>(kMSecsPerDay));
    return {ms / kMSecsPerDay, std::llabs(ms) % kMSecsPerDay};
}

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

TDateTime FromTimeStamp(int64_t aDay, int64_t aMs) {
    // One division of an exact integer keeps the rounding to a single step.
    const int64_t total = aDay * kMSecsPerDay;
    return static_cast<double>(total >= 0 ? total + aMs : total - aMs) /
           static_cast<double>(kMSecsPerDay);
}

QDate DayToDate(int64_t aDay) {
    return QDate::fromJulianDay(kJulianDayZero + aDay);
}

bool TryDateToDay(int aYear, int aMonth, int aDay, int64_t& aResult) {
    if (aYear < 1 || aYear > 9999) {
        return false;
    }
    const QDate date(aYear, aMonth, aDay);
    if (!date.isValid()) {
        return false;
    }
    aResult = date.toJulianDay() - kJulianDayZero;
    return true;
}

bool TryTimeToMs(int aHour, int aMinute, int aSecond, int aMilliSecond, int64_t& aResult) {
    if (aHour < 0 || aHour > 23 || aMinute < 0 || aMinute > 59 || aSecond < 0 || aSecond > 59 ||
        aMilliSecond < 0 || aMilliSecond > 999) {
        return false;
    }
    aResult = ((aHour * 60LL + aMinute) * 60 + aSecond) * 1000 + aMilliSecond;
    return true;
}

[[noreturn]] void RaiseDateEncode() {
    throw EConvertError(QStringLiteral("Invalid argument to date encode"));
}
[[noreturn]] void RaiseTimeEncode() {
    throw EConvertError(QStringLiteral("Invalid argument to time encode"));
}

// The formatter walks the format once, as the runtime does; "ddddd", "t" and "c" expand the
// formats of the settings one level deep.
struct Decoded {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int MilliSecond = 0;
    int WeekDay = 1;
};

bool IsAsciiLetter(QChar aChar) {
    const char16_t c = aChar.unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

char16_t UpperAscii(char16_t aChar) {
    return (aChar >= u'a' && aChar <= u'z') ? static_cast<char16_t>(aChar - 32) : aChar;
}

bool StartsAt(const QString& aText, qsizetype aPos, const char* aWhat) {
    return QStringView(aText).sliced(aPos).startsWith(QLatin1String(aWhat), Qt::CaseInsensitive);
}

void AppendNumber(QString& aOut, int aValue, qsizetype aDigits) {
    aOut += QString::number(aValue).rightJustified(aDigits, QLatin1Char('0'));
}

// "m"/"mm" are minutes when the next letter token, past separators and quoted text, is seconds.
bool SecondsFollow(const QString& aFormat, qsizetype aPos) {
    while (aPos < aFormat.size()) {
        const QChar c = aFormat[aPos];
        if (c == u'\'' || c == u'"') {
            const qsizetype close = aFormat.indexOf(c, aPos + 1);
            if (close < 0) {
                return false;
            }
            aPos = close + 1;
        } else if (IsAsciiLetter(c)) {
            return c == u's' || c == u'S';
        } else {
            ++aPos;
        }
    }
    return false;
}

// An hour token uses the 12-hour clock when the next "a" outside quotes, before any other hour
// token, starts an am/pm marker.
bool TwelveHourMarkerFollows(const QString& aFormat, qsizetype aPos) {
    bool betweenQuotes = false;
    for (; aPos < aFormat.size(); ++aPos) {
        const QChar c = aFormat[aPos];
        if ((c == u'a' || c == u'A') && !betweenQuotes) {
            return StartsAt(aFormat, aPos, "am/pm") || StartsAt(aFormat, aPos, "a/p") ||
                   StartsAt(aFormat, aPos, "ampm");
        }
        if (c == u'h' || c == u'H') {
            return false;
        }
        if (c == u'\'' || c == u'"') {
            betweenQuotes = !betweenQuotes;
        }
    }
    return false;
}

void AppendFormatted(QString& aOut, const QString& aFormat, const Decoded& aValue,
                     const qel::FormatSettings& aSettings, int aLevel) {
    if (aLevel >= 2) {
        return;
    }
    char16_t lastToken = u' ';
    bool use12HourClock = false;
    const qsizetype n = aFormat.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar starter = aFormat[i++];
        const auto takeCount = [&] {
            qsizetype count = 1;
            while (i < n && aFormat[i] == starter) {
                ++i;
                ++count;
            }
            return count;
        };
        char16_t token = UpperAscii(starter.unicode());
        if (IsAsciiLetter(starter)) {
            if (token == u'M') {
                qsizetype runEnd = i;
                while (runEnd < n && aFormat[runEnd] == starter) {
                    ++runEnd;
                }
                if (lastToken == u'H' || (runEnd - i + 1 <= 2 && SecondsFollow(aFormat, runEnd))) {
                    token = u'N';
                }
            }
            lastToken = token;
        }
        switch (token) {
            case u'Y':
                if (takeCount() <= 2) {
                    AppendNumber(aOut, aValue.Year % 100, 2);
                } else {
                    AppendNumber(aOut, aValue.Year, 4);
                }
                break;
            case u'M': {
                const qsizetype count = takeCount();
                if (count <= 2) {
                    AppendNumber(aOut, aValue.Month, count);
                } else if (aValue.Month >= 1) {
                    aOut += (count == 3 ? aSettings.ShortMonthNames
                                        : aSettings.LongMonthNames)[aValue.Month - 1];
                }
                break;
            }
            case u'D': {
                const qsizetype count = takeCount();
                if (count <= 2) {
                    AppendNumber(aOut, aValue.Day, count);
                } else if (count == 3) {
                    aOut += aSettings.ShortDayNames[aValue.WeekDay - 1];
                } else if (count == 4) {
                    aOut += aSettings.LongDayNames[aValue.WeekDay - 1];
                } else {
                    AppendFormatted(
                        aOut, count == 5 ? aSettings.ShortDateFormat : aSettings.LongDateFormat,
                        aValue, aSettings, aLevel + 1);
                }
                break;
            }
            case u'H': {
                const qsizetype count = takeCount();
                use12HourClock = use12HourClock || TwelveHourMarkerFollows(aFormat, i);
                int hour = aValue.Hour;
                if (use12HourClock) {
                    if (hour == 0) {
                        hour = 12;
                    } else if (hour > 12) {
                        hour -= 12;
                    }
                }
                AppendNumber(aOut, hour, std::min<qsizetype>(count, 2));
                break;
            }
            case u'N':
                AppendNumber(aOut, aValue.Minute, std::min<qsizetype>(takeCount(), 2));
                break;
            case u'S':
                AppendNumber(aOut, aValue.Second, std::min<qsizetype>(takeCount(), 2));
                break;
            case u'Z':
                AppendNumber(aOut, aValue.MilliSecond, std::min<qsizetype>(takeCount(), 3));
                break;
            case u'T':
                AppendFormatted(
                    aOut, takeCount() == 1 ? aSettings.ShortTimeFormat : aSettings.LongTimeFormat,
                    aValue, aSettings, aLevel + 1);
                break;
            case u'A': {
                const qsizetype at = i - 1;
                const bool pm = aValue.Hour >= 12;
                if (StartsAt(aFormat, at, "am/pm")) {
                    aOut += aFormat.mid(pm ? at + 3 : at, 2);
                    i += 4;
                    use12HourClock = true;
                } else if (StartsAt(aFormat, at, "a/p")) {
                    aOut += aFormat[pm ? at + 2 : at];
                    i += 2;
                    use12HourClock = true;
                } else if (StartsAt(aFormat, at, "ampm")) {
                    aOut += pm ? aSettings.TimePMString : aSettings.TimeAMString;
                    i += 3;
                    use12HourClock = true;
                } else if (StartsAt(aFormat, at, "aaaa")) {
                    aOut += aSettings.LongDayNames[aValue.WeekDay - 1];
                    i += 3;
                } else if (StartsAt(aFormat, at, "aaa")) {
                    aOut += aSettings.ShortDayNames[aValue.WeekDay - 1];
                    i += 2;
                } else {
                    aOut += starter;
                }
                break;
            }
            case u'C':
                takeCount();
                AppendFormatted(aOut, aSettings.ShortDateFormat, aValue, aSettings, aLevel + 1);
                if (aValue.Hour != 0 || aValue.Minute != 0 || aValue.Second != 0 ||
                    aValue.MilliSecond != 0) {
                    aOut += QLatin1Char(' ');
                    AppendFormatted(aOut, aSettings.LongTimeFormat, aValue, aSettings, aLevel + 1);
                }
                break;
            case u'/':
                if (!aSettings.DateSeparator.isNull()) {
                    aOut += aSettings.DateSeparator;
                }
                break;
            case u':':
                if (!aSettings.TimeSeparator.isNull()) {
                    aOut += aSettings.TimeSeparator;
                }
                break;
            case u'\'':
            case u'"': {
                // An unclosed quote runs to the end of the format.
                qsizetype close = aFormat.indexOf(starter, i);
                if (close < 0) {
                    close = n;
                }
                aOut += QStringView(aFormat).sliced(i, close - i);
                i = std::min(close + 1, n);
                break;
            }
            default:
                aOut += starter;
                break;
        }
    }
}

qel::SystemClock& TheSystemClock() {
    static qel::SystemClock clock;
    return clock;
}

std::atomic<qel::Clock*> currentClock{nullptr};

}  // namespace

TDateTime Now() {
    return qel::CurrentClock().Now();
}

TDateTime Date() {
    return DateOf(Now());
}

TDateTime Time() {
    return TimeOf(Now());
}

TDateTime DateOf(TDateTime aValue) {
    return FromTimeStamp(ToTimeStamp(aValue).Day, 0);
}

TDateTime TimeOf(TDateTime aValue) {
    return FromTimeStamp(0, ToTimeStamp(aValue).Ms);
}

TDateTime EncodeDate(int aYear, int aMonth, int aDay) {
    int64_t day = 0;
    if (!TryDateToDay(aYear, aMonth, aDay, day)) {
        RaiseDateEncode();
    }
    return static_cast<double>(day);
}

TDateTime EncodeTime(int aHour, int aMinute, int aSecond, int aMilliSecond) {
    int64_t ms = 0;
    if (!TryTimeToMs(aHour, aMinute, aSecond, aMilliSecond, ms)) {
        RaiseTimeEncode();
    }
    return FromTimeStamp(0, ms);
}

TDateTime EncodeDateTime(int aYear, int aMonth, int aDay, int aHour, int aMinute, int aSecond,
                         int aMilliSecond) {
    int64_t day = 0;
    int64_t ms = 0;
    if (!TryDateToDay(aYear, aMonth, aDay, day)) {
        RaiseDateEncode();
    }
    if (!TryTimeToMs(aHour, aMinute, aSecond, aMilliSecond, ms)) {
        RaiseTimeEncode();
    }
    return FromTimeStamp(day, ms);
}

void DecodeDate(TDateTime aValue, int& aYear, int& aMonth, int& aDay) {
    const QDate date = DayToDate(ToTimeStamp(aValue).Day);
    if (!date.isValid() || date.year() < 1) {
        aYear = aMonth = aDay = 0;
        return;
    }
    aYear = date.year();
    aMonth = date.month();
    aDay = date.day();
}

void DecodeTime(TDateTime aValue, int& aHour, int& aMinute, int& aSecond, int& aMilliSecond) {
    const int64_t ms = ToTimeStamp(aValue).Ms;
    aHour = static_cast<int>(ms / 3600000);
    aMinute = static_cast<int>(ms / 60000 % 60);
    aSecond = static_cast<int>(ms / 1000 % 60);
    aMilliSecond = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime aValue) {
    // Day 0 was a Saturday.
    const int64_t day = ToTimeStamp(aValue).Day;
    return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

int32_t DateTimeToFileDate(TDateTime aValue) {
    int year = 0;
    int month = 0;
    int day = 0;
    DecodeDate(aValue, year, month, day);
    if (year < 1980 || year > 2107) {
        return 0;
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliSecond = 0;
    DecodeTime(aValue, hour, minute, second, milliSecond);
    const uint32_t date = static_cast<uint32_t>(day | (month << 5) | ((year - 1980) << 9));
    const uint32_t time = static_cast<uint32_t>((second >> 1) | (minute << 5) | (hour << 11));
    return static_cast<int32_t>((date << 16) | time);
}

int64_t MilliSecondOfTheDay(TDateTime aValue) {
    return ToTimeStamp(aValue).Ms;
}

TDateTime IncMilliSecond(TDateTime aValue, int64_t aNumberOfMilliSeconds) {
    return qel::MsToDateTime(qel::DateTimeToMs(aValue) + aNumberOfMilliSeconds);
}

int64_t MilliSecondsBetween(TDateTime aNow, TDateTime aThen) {
    return std::llabs(qel::DateTimeToMs(aNow) - qel::DateTimeToMs(aThen));
}

QString FormatDateTime(const QString& aFormat, TDateTime aValue) {
    return FormatDateTime(aFormat, aValue, qel::FormatSettings::Invariant());
}

QString FormatDateTime(const QString& aFormat, TDateTime aValue,
                       const qel::FormatSettings& aSettings) {
    Decoded value;
    DecodeDate(aValue, value.Year, value.Month, value.Day);
    DecodeTime(aValue, value.Hour, value.Minute, value.Second, value.MilliSecond);
    value.WeekDay = DayOfWeek(aValue);
    QString result;
    AppendFormatted(result, aFormat.isEmpty() ? QStringLiteral("c") : aFormat, value, aSettings, 0);
    return result;
}

namespace qel {

int64_t DateTimeToMs(TDateTime aValue) {
    const TimeStamp stamp = ToTimeStamp(aValue);
    return stamp.Day * kMSecsPerDay + stamp.Ms;
}

TDateTime MsToDateTime(int64_t aMs) {
    const int64_t day = FloorDiv(aMs, kMSecsPerDay);
    return FromTimeStamp(day, aMs - day * kMSecsPerDay);
}

QDateTime DateTimeToQDateTime(TDateTime aValue) {
    const TimeStamp stamp = ToTimeStamp(aValue);
    return QDateTime(DayToDate(stamp.Day),
                     QTime::fromMSecsSinceStartOfDay(static_cast<int>(stamp.Ms)), Qt::LocalTime);
}

TDateTime QDateTimeToDateTime(const QDateTime& aValue) {
    if (!aValue.isValid()) {
        return 0;
    }
    const QDateTime local = aValue.timeSpec() == Qt::LocalTime ? aValue : aValue.toLocalTime();
    return FromTimeStamp(local.date().toJulianDay() - kJulianDayZero,
                         local.time().msecsSinceStartOfDay());
}

int64_t MsOfDayDiff(int64_t aMs, int64_t aOtherMs) {
    int64_t diff = (aMs % kMSecsPerDay - aOtherMs % kMSecsPerDay) % kMSecsPerDay;
    if (diff < 0) {
        diff += kMSecsPerDay;
    }
    return diff > kMSecsPerDay / 2 ? diff - kMSecsPerDay : diff;
}

// Qt's conversion to local time costs microseconds, too much for a clock read per sample. The
// offset from UTC changes only on a whole minute (zones and their daylight-saving switches are
// whole minutes), so it is looked up once a minute and kept, with its minute, in one atomic word.
TDateTime SystemClock::Now() const {
    static std::atomic<uint64_t> offsetOfMinute{0};  // (minute + 1) << 32 | offset in seconds
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const int64_t minute = FloorDiv(now.tv_sec, 60);
    const uint32_t minuteTag = static_cast<uint32_t>(minute + 1);
    uint64_t cached = offsetOfMinute.load(std::memory_order_relaxed);
    if (static_cast<uint32_t>(cached >> 32) != minuteTag) {
        tm local{};
        localtime_r(&now.tv_sec, &local);
        const auto offset = static_cast<int32_t>(local.tm_gmtoff);
        cached = (static_cast<uint64_t>(minuteTag) << 32) | static_cast<uint32_t>(offset);
        offsetOfMinute.store(cached, std::memory_order_relaxed);
    }
    const auto offsetSeconds = static_cast<int32_t>(static_cast<uint32_t>(cached));
    const int64_t localMs =
        (static_cast<int64_t>(now.tv_sec) + offsetSeconds) * 1000 + now.tv_nsec / 1000000;
    const int64_t day = FloorDiv(localMs, kMSecsPerDay);
    return FromTimeStamp(day + kUnixEpochDay, localMs - day * kMSecsPerDay);
}

void FakeClock::Advance(int64_t aMilliSeconds) {
    Set(IncMilliSecond(FNow.load(), aMilliSeconds));
}

Clock& CurrentClock() {
    Clock* clock = currentClock.load();
    return clock ? *clock : TheSystemClock();
}

Clock* SetCurrentClock(Clock* aClock) {
    Clock* previous = currentClock.exchange(aClock);
    return previous ? previous : &TheSystemClock();
}

}  // namespace qel
