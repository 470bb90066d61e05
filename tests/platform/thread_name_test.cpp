#include <gtest/gtest.h>

#include "platform/thread_name.h"

TEST(ThreadNameTest, CutsTo15BytesAtACharacterBoundary) {
    struct Case {
        QString Name;
        QByteArray Expected;
    };
    const Case cases[] = {
        {QStringLiteral("short"), "short"},
        {QStringLiteral("TqelDBBatteryStatusThread"), "TqelDBBatterySt"},
        // "ä" takes bytes 15 and 16: it goes whole.
        {QStringLiteral("ABCDEFGHIJKLMN\u00e4x"), "ABCDEFGHIJKLMN"},
        {QStringLiteral("ABCDEFGHIJKLM\u00e4x"), "ABCDEFGHIJKLM\xc3\xa4"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qel::ThreadName(c.Name), c.Expected) << c.Name.toStdString();
    }
}
