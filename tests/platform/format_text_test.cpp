#include "platform/format_text.h"

#include <gtest/gtest.h>

#include "platform/exception.h"

namespace qel {
namespace {

TEST(FormatText, SpecifiersAsTheRuntimeWritesThem) {
    FormatSettings comma;
    comma.DecimalSeparator = u',';
    struct Case {
        QString Pattern;
        std::initializer_list<FormatArg> Args;
        QString Expected;
    };
    const Case cases[] = {
        {QStringLiteral("%.2f"), {25.0}, QStringLiteral("25.00")},
        {QStringLiteral("%.2f"), {14.285714}, QStringLiteral("14.29")},
        {QStringLiteral("%f;%.0f"), {-1.5, 2.4}, QStringLiteral("-1.50;2")},
        {QStringLiteral("%d%%"), {int32_t{-42}}, QStringLiteral("-42%")},
        {QStringLiteral("%.4d|%5d|%-5d|"), {7, 12, 3}, QStringLiteral("0007|   12|3    |")},
        {QStringLiteral("%x %.4x"), {int32_t{-1}, 255}, QStringLiteral("FFFFFFFF 00FF")},
        {QStringLiteral("[%s]"), {QStringLiteral("a")}, QStringLiteral("[a]")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Format(c.Pattern, c.Args), c.Expected) << c.Pattern.toStdString();
    }
    EXPECT_EQ(Format(QStringLiteral("%.2f"), {0.5}, comma), QStringLiteral("0,50"));
}

TEST(FormatText, MismatchesRaise) {
    EXPECT_THROW(Format(QStringLiteral("%d"), {1.5}), EConvertError);
    EXPECT_THROW(Format(QStringLiteral("%f"), {3}), EConvertError);
    EXPECT_THROW(Format(QStringLiteral("%d %d"), {3}), EConvertError);
    EXPECT_THROW(Format(QStringLiteral("%"), {3}), EConvertError);
    EXPECT_THROW(Format(QStringLiteral("%q"), {3}), EConvertError);
}

}  // namespace
}  // namespace qel
