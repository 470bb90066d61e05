#include <gtest/gtest.h>

#include <QDate>
#include <QTime>

#include "platform/date_time.h"
#include "platform/exception.h"

namespace {

// Tuesday 2024-03-05 14:07:09.045
const TDateTime kAfternoon = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);

}  // namespace

TEST(FormatDateTime, Tokens) {
    const struct {
        const char* format;
        TDateTime value;
        const char* expected;
    } cases[] = {
        {"yyyy-mm-dd hh:nn:ss.zzz", kAfternoon, "2024-03-05 14:07:09.045"},
        {"hh:nn:ss.zzz", kAfternoon, "14:07:09.045"},
        {"h:n:s.z", kAfternoon, "14:7:9.45"},
        {"yy m d", kAfternoon, "24 3 5"},
        {"y", kAfternoon, "24"},
        // "mm" after an hour token, even past separators and literals, is minutes.
        {"hh:mm", kAfternoon, "14:07"},
        {"hh 'o''clock' mm", kAfternoon, "14 oclock 07"},
        {"h\" h \"m", kAfternoon, "14 h 7"},
        // ... and before seconds too; anywhere else it is the month.
        {"mm:ss", kAfternoon, "07:09"},
        {"dd.mm.yyyy", kAfternoon, "05.03.2024"},
        {"hh:nn mm", kAfternoon, "14:07 03"},
        {"mmm mmmm ddd dddd", kAfternoon, "Mar March Tue Tuesday"},
        {"'yyyy' \"hh\"", kAfternoon, "yyyy hh"},
        {"'unclosed hh", kAfternoon, "unclosed hh"},
        {"zz|zzzz", EncodeTime(0, 0, 0, 7), "07|007"},
        {"h:nn am/pm", kAfternoon, "2:07 pm"},
        {"hh:nn AM/PM", EncodeTime(0, 30, 0, 0), "12:30 AM"},
        {"h a/p", EncodeTime(12, 0, 0, 0), "12 p"},
        {"h ampm", EncodeTime(11, 0, 0, 0), "11 AM"},
        {"aaa aaaa", kAfternoon, "Tue Tuesday"},
        {"c", kAfternoon, "03/05/2024 14:07:09"},
        {"c", EncodeDate(2024, 3, 5), "03/05/2024"},
        {"", EncodeDate(2024, 3, 5), "03/05/2024"},
        {"ddddd|t|tt", kAfternoon, "03/05/2024|14:07|14:07:09"},
        {"yyyy/mm/dd hh:nn", kAfternoon, "2024/03/05 14:07"},
        // Before 1899-12-30 the day is the integer part, the time the fraction's absolute value.
        {"yyyy-mm-dd hh:nn", -1.25, "1899-12-29 06:00"},
        {"yyyy-mm-dd hh:nn:ss.zzz", -0.25, "1899-12-30 06:00:00.000"},
        // Decoding rounds to the millisecond: a hair below midnight is the next day.
        {"yyyy-mm-dd hh:nn:ss.zzz", 1.0 - 1e-10, "1899-12-31 00:00:00.000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.format), c.value),
                  QString::fromUtf8(c.expected))
            << c.format;
    }
}

TEST(FormatDateTime, SeparatorsComeFromTheSettings) {
    qel::FormatSettings settings;
    settings.DateSeparator = QLatin1Char('-');
    settings.TimeSeparator = QLatin1Char('.');
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn"), kAfternoon, settings),
              QStringLiteral("2024-03-05 14.07"));
    settings.DateSeparator = QChar();
    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy/mm/dd"), kAfternoon, settings),
              QStringLiteral("20240305"));
}

TEST(DateTime, EncodesKnownValues) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1);  // Sunday
    EXPECT_EQ(DateOf(-1.25), -1.0);
    EXPECT_EQ(TimeOf(-1.25), 0.25);
}

TEST(DateTime, InvalidPartsRaiseConvertError) {
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(EncodeDateTime(2024, 1, 1, 0, 0, -1, 0), EConvertError);
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
}

TEST(DateTime, ValuesBuiltFromMillisecondsDecodeToTheSameMilliseconds) {
    const struct {
        int y, mo, d, h, n, s, ms;
    } cases[] = {{2024, 3, 5, 14, 7, 9, 45},      {2024, 12, 31, 23, 59, 59, 999},
                 {1970, 1, 1, 0, 0, 0, 1},        {1899, 12, 30, 0, 0, 0, 999},
                 {1899, 12, 29, 23, 59, 59, 999}, {1800, 6, 1, 18, 30, 15, 123},
                 {9999, 12, 31, 23, 59, 59, 999}, {1, 1, 1, 0, 0, 0, 1}};
    for (const auto& c : cases) {
        const TDateTime value = EncodeDateTime(c.y, c.mo, c.d, c.h, c.n, c.s, c.ms);
        int y, mo, d, h, n, s, ms;
        DecodeDate(value, y, mo, d);
        DecodeTime(value, h, n, s, ms);
        EXPECT_EQ(QDate(y, mo, d), QDate(c.y, c.mo, c.d)) << value;
        EXPECT_EQ(QTime(h, n, s, ms), QTime(c.h, c.n, c.s, c.ms)) << value;

        const QDateTime expected(QDate(c.y, c.mo, c.d), QTime(c.h, c.n, c.s, c.ms));
        EXPECT_EQ(qel::DateTimeToQDateTime(value), expected) << value;
        EXPECT_EQ(qel::QDateTimeToDateTime(expected), value) << value;
    }

    // Every millisecond count survives the trip through the double, on both sides of day 0.
    for (int64_t ms = -5 * qel::kMSecsPerDay; ms < 60000LL * qel::kMSecsPerDay;
         ms += 7919LL * 104729) {
        EXPECT_EQ(qel::DateTimeToMs(qel::MsToDateTime(ms)), ms);
        EXPECT_EQ(qel::DateTimeToMs(qel::MsToDateTime(ms + 1)), ms + 1);
    }
}

TEST(DateTime, QDateTimeConversionTakesOtherZonesToLocalTime) {
    const QDateTime local(QDate(2024, 7, 1), QTime(10, 20, 30, 400));
    EXPECT_EQ(qel::QDateTimeToDateTime(local.toUTC()), EncodeDateTime(2024, 7, 1, 10, 20, 30, 400));
    EXPECT_EQ(qel::QDateTimeToDateTime(QDateTime()), 0.0);
}

TEST(DateTime, MillisecondArithmetic) {
    EXPECT_EQ(MilliSecondOfTheDay(kAfternoon), 50829045);
    EXPECT_EQ(MilliSecondOfTheDay(-1.25), 21600000);
    EXPECT_EQ(MilliSecondOfTheDay(EncodeDateTime(2024, 1, 1, 23, 59, 59, 999)), 86399999);

    EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz"), IncMilliSecond(0, -1)),
              QStringLiteral("1899-12-29 23:59:59.999"));
    EXPECT_EQ(IncMilliSecond(EncodeDateTime(2024, 3, 5, 23, 59, 59, 900), 200),
              EncodeDateTime(2024, 3, 6, 0, 0, 0, 100));
    // 1899-12-29 06:00 to 1899-12-30 06:00 is one day, not the 1.5 a plain subtraction gives.
    EXPECT_EQ(MilliSecondsBetween(-1.25, 0.25), qel::kMSecsPerDay);
    EXPECT_EQ(MilliSecondsBetween(kAfternoon, IncMilliSecond(kAfternoon, 1234)), 1234);
}

TEST(DateTime, FileDatePacksDayHighAndTimeLow) {
    const struct {
        TDateTime value;
        uint32_t expected;
    } cases[] = {
        // 5 | 3 << 5 | 44 << 9, then 9 / 2 | 7 << 5 | 13 << 11: odd seconds lose their last bit.
        {EncodeDateTime(2024, 3, 5, 13, 7, 9, 999), 0x586568E4u},
        {EncodeDateTime(1980, 1, 1, 0, 0, 0, 0), 0x00210000u},
        {EncodeDateTime(2107, 12, 31, 23, 59, 59, 0), 0xFF9FBF7Du},
        {EncodeDateTime(1979, 12, 31, 23, 59, 59, 0), 0},
        {EncodeDateTime(2108, 1, 1, 0, 0, 0, 0), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<uint32_t>(DateTimeToFileDate(c.value)), c.expected)
            << FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), c.value).toStdString();
    }
}

TEST(DateTime, MsOfDayDiffTakesTheShortWayRoundMidnight) {
    const struct {
        int64_t a, b, expected;
    } cases[] = {
        {100, 86399900, 200},     {86399900, 100, -200},
        {5000, 1000, 4000},       {1000, 5000, -4000},
        {0, 43200000, 43200000},  {43200000, 0, 43200000},
        {1, 43200000, -43199999}, {0, 0, 0},
        {86400000 + 5, 0, 5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qel::MsOfDayDiff(c.a, c.b), c.expected) << c.a << " " << c.b;
    }
}

TEST(Clock, NowReadsTheCurrentClock) {
    qel::FakeClock clock(EncodeDateTime(2024, 3, 5, 23, 59, 59, 900));
    {
        qel::ScopedClock scope(clock);
        EXPECT_EQ(Now(), EncodeDateTime(2024, 3, 5, 23, 59, 59, 900));
        EXPECT_EQ(Date(), EncodeDate(2024, 3, 5));
        EXPECT_EQ(Time(), EncodeTime(23, 59, 59, 900));
        clock.Advance(200);
        EXPECT_EQ(Now(), EncodeDateTime(2024, 3, 6, 0, 0, 0, 100));
        EXPECT_EQ(Date(), EncodeDate(2024, 3, 6));
    }
    EXPECT_EQ(&qel::CurrentClock(), qel::SetCurrentClock(nullptr));
    // Back on the system clock.
    const TDateTime before = qel::QDateTimeToDateTime(QDateTime::currentDateTime());
    const TDateTime now = Now();
    EXPECT_LE(before, now);
    EXPECT_LE(now, qel::QDateTimeToDateTime(QDateTime::currentDateTime()));
}
