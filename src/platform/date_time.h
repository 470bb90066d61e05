#pragma once

#include <QDateTime>
#include <QString>
#include <atomic>
#include <cstdint>

#include "platform/format_settings.h"

// Date-time values as the system stores and sends them: days since 1899-12-30 (local time),
// the fraction being the time of day. Before 1899-12-30 the value is negative: its integer part
// (towards zero) is still the day and the absolute value of its fraction is the time, so
// 1899-12-29 06:00 is -1.25.
//
// Every decoding rounds to the nearest millisecond first, so a value built from milliseconds
// always decodes to the same milliseconds.
//
// These are times of day for stamping and display only. Intervals are measured with
// QElapsedTimer (monotonic); the wall clock may jump.
using TDateTime = double;

// The current local date and time, read through qel::CurrentClock().
TDateTime Now();
// Today at midnight / the time of day now, both read through qel::CurrentClock().
TDateTime Date();
TDateTime Time();

// The day part (midnight of that day) and the time-of-day part of a value.
TDateTime DateOf(TDateTime aValue);
TDateTime TimeOf(TDateTime aValue);

// Raise EConvertError for a date outside 0001-01-01..9999-12-31 or a time outside
// 00:00:00.000..23:59:59.999.
TDateTime EncodeDate(int aYear, int aMonth, int aDay);
TDateTime EncodeTime(int aHour, int aMinute, int aSecond, int aMilliSecond);
TDateTime EncodeDateTime(int aYear, int aMonth, int aDay, int aHour, int aMinute, int aSecond,
                         int aMilliSecond);

// A day before 0001-01-01 decodes as year, month and day 0.
void DecodeDate(TDateTime aValue, int& aYear, int& aMonth, int& aDay);
void DecodeTime(TDateTime aValue, int& aHour, int& aMinute, int& aSecond, int& aMilliSecond);

// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime aValue);

// The DOS file date and time of a value: the day in the high 16 bits (years since 1980, month,
// day), the time in the low 16 bits (hour, minute, seconds / 2). Dataset keys are made this way,
// so later values give larger numbers (up to 2043, where the sign bit is reached). A year
// outside 1980..2107 gives 0.
int32_t DateTimeToFileDate(TDateTime aValue);

// Milliseconds since midnight of the value's day, 0..86,399,999.
int64_t MilliSecondOfTheDay(TDateTime aValue);
TDateTime IncMilliSecond(TDateTime aValue, int64_t aNumberOfMilliSeconds);
// Whole milliseconds between the two values, never negative.
int64_t MilliSecondsBetween(TDateTime aNow, TDateTime aThen);

// Formats with the runtime's tokens: y yy yyyy, m mm mmm mmmm, d dd ddd dddd ddddd dddddd,
// h hh, n nn, s ss, z zzz, t tt, c, am/pm a/p ampm, '...' and "..." literals, "/" and ":"
// separators. "m"/"mm" right after an hour token (or right before a seconds token) are
// minutes. An empty format is "c".
QString FormatDateTime(const QString& aFormat, TDateTime aValue);
QString FormatDateTime(const QString& aFormat, TDateTime aValue,
                       const qel::FormatSettings& aSettings);

namespace qel {

constexpr int64_t kMSecsPerDay = 86400000;

// Milliseconds counted straight on from 1899-12-30 00:00 (negative before it), and back.
int64_t DateTimeToMs(TDateTime aValue);
TDateTime MsToDateTime(int64_t aMs);

// Local time both ways. An invalid QDateTime converts to 0 (1899-12-30 00:00, the system's
// empty date); a QDateTime in UTC or with an offset is taken to local time first.
QDateTime DateTimeToQDateTime(TDateTime aValue);
TDateTime QDateTimeToDateTime(const QDateTime& aValue);

// Signed shortest difference aMs - aOtherMs between two milliseconds of the day on the
// 86,400,000 ms circle, in (-43,200,000, 43,200,000]: 00:00:00.100 is 200 ms after
// 23:59:59.900.
int64_t MsOfDayDiff(int64_t aMs, int64_t aOtherMs);

// Where the time of day comes from. Injected so that tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TDateTime Now() const = 0;
};

// The machine's local wall clock.
class SystemClock final : public Clock {
public:
    TDateTime Now() const override;
};

// A clock that stands still until it is set or advanced. Any thread may read it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(TDateTime aNow = 0) : FNow(aNow) {}
    TDateTime Now() const override { return FNow.load(); }
    void Set(TDateTime aNow) { FNow.store(aNow); }
    void Advance(int64_t aMilliSeconds);

private:
    std::atomic<double> FNow;
};

// The process-wide clock that Now(), Date() and Time() read; the system clock unless set.
// The clock set must outlive its use; set it before threads that read it start.
Clock& CurrentClock();
// Passing nullptr restores the system clock. Returns the clock that was current.
Clock* SetCurrentClock(Clock* aClock);

// Makes a clock current for a scope (a test) and restores the previous one at its end.
class ScopedClock {
public:
    explicit ScopedClock(Clock& aClock) : FPrevious(SetCurrentClock(&aClock)) {}
    ~ScopedClock() { SetCurrentClock(FPrevious); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* FPrevious;
};

}  // namespace qel
