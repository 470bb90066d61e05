#pragma once

#include <QChar>
#include <QString>
#include <array>

namespace qel {

// Separators and names used by the date-time and number formatters. The defaults are the C
// locale with English names; a unit that must follow the user's locale passes its own copy.
struct FormatSettings {
    QChar DecimalSeparator = QLatin1Char('.');
    QChar ThousandSeparator = QLatin1Char(',');
    // A null separator writes nothing for "/" or ":".
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');

    // Expanded by "ddddd", "dddddd", "t", "tt" and "c".
    QString ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, dd mmmm yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");

    // Months January first; days Sunday first.
    std::array<QString, 12> ShortMonthNames{
        QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("May"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Aug"),
        QStringLiteral("Sep"), QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    std::array<QString, 12> LongMonthNames{
        QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
        QStringLiteral("April"),   QStringLiteral("May"),      QStringLiteral("June"),
        QStringLiteral("July"),    QStringLiteral("August"),   QStringLiteral("September"),
        QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
    std::array<QString, 7> ShortDayNames{
        QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"), QStringLiteral("Wed"),
        QStringLiteral("Thu"), QStringLiteral("Fri"), QStringLiteral("Sat")};
    std::array<QString, 7> LongDayNames{QStringLiteral("Sunday"),   QStringLiteral("Monday"),
                                        QStringLiteral("Tuesday"),  QStringLiteral("Wednesday"),
                                        QStringLiteral("Thursday"), QStringLiteral("Friday"),
                                        QStringLiteral("Saturday")};

    // The shared default instance (immutable, safe to read from any thread).
    static const FormatSettings& Invariant();
};

}  // namespace qel
