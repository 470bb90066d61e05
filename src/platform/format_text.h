#pragma once

#include <QString>
#include <cstdint>
#include <initializer_list>

#include "platform/format_settings.h"

namespace qel {

// One argument of Format: an integer, a floating-point value or a text.
class FormatArg {
public:
    enum class Kind : uint8_t { Integer, Float, Text };

    FormatArg(int32_t aValue) : FKind(Kind::Integer), FInteger(aValue) {}
    FormatArg(int64_t aValue) : FKind(Kind::Integer), FInteger(aValue) {}
    FormatArg(uint32_t aValue) : FKind(Kind::Integer), FInteger(aValue) {}
    FormatArg(double aValue) : FKind(Kind::Float), FFloat(aValue) {}
    FormatArg(const QString& aValue) : FKind(Kind::Text), FText(aValue) {}

    Kind kind() const { return FKind; }
    int64_t integer() const { return FInteger; }
    double floating() const { return FFloat; }
    const QString& text() const { return FText; }

private:
    Kind FKind;
    int64_t FInteger = 0;
    double FFloat = 0;
    QString FText;
};

// The runtime's Format for the specifiers the system uses: "%d", "%u", "%x" (upper-case
// hexadecimal), "%s", "%f" (two decimals unless a precision is given) and "%%", each with an
// optional "-" (left-justify), width and ".precision". The decimal separator comes from
// aSettings. A specifier that does not fit its argument, or a missing argument, raises
// EConvertError.
QString Format(const QString& aFormat, std::initializer_list<FormatArg> anArgs,
               const FormatSettings& aSettings = FormatSettings::Invariant());

}  // namespace qel
