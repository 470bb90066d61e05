#include <gtest/gtest.h>

#include "platform/text_compare.h"

TEST(TextCompare, IgnoresTheCaseOfAToZOnly) {
    const struct {
        const char16_t* left;
        const char16_t* right;
        int order;  // sign of CompareText
    } cases[] = {
        {u"abc", u"ABC", 0},
        {u"alpha", u"Bravo", -1},
        {u"Charlie", u"bravo", 1},
        {u"ab", u"abc", -1},
        {u"", u"", 0},
        {u"\u00E4", u"\u00C4", 1},
        {u"_", u"a", 1},  // compared in upper case, so "_" comes after every letter
    };
    for (const auto& c : cases) {
        const QString left = QString::fromUtf16(c.left);
        const QString right = QString::fromUtf16(c.right);
        const int order = qel::CompareText(left, right);
        EXPECT_EQ((order > 0) - (order < 0), c.order)
            << left.toStdString() << " / " << right.toStdString();
        EXPECT_EQ(qel::SameText(left, right), c.order == 0);
    }
}
