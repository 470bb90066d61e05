#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QListView>
#include <QPushButton>

#include "app/ui/log_window.h"
#include "foundation/logging/log_window_core.h"
#include "platform/date_time.h"
#include "platform/queued_call.h"

namespace {

constexpr int kPatienceMs = 10000;

QString Row(const QAbstractItemModel& aModel, int aRow) {
    return aModel.data(aModel.index(aRow, 0)).toString();
}

class LogWindowTest : public ::testing::Test {
protected:
    qel::FakeClock clock{EncodeDateTime(2026, 3, 14, 9, 30, 15, 250)};
    qel::ScopedClock scopedClock{clock};
    TqelShowTextDialog log{QStringLiteral("Measurement System log")};
};

TEST_F(LogWindowTest, ShowsTheLinesNewestFirstAndHidesOnClose) {
    log.AddText(QStringLiteral("first"));
    log.AddText(QStringLiteral("second"));
    qel::LogWindow window(log);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Measurement System log"));
    EXPECT_FALSE(window.isVisible());

    log.Show();
    EXPECT_TRUE(window.isVisible());
    const QAbstractItemModel& model = *window.View()->model();
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return model.rowCount() == 3; }));
    EXPECT_EQ(Row(model, 0), QStringLiteral("09:30:15.250: second"));
    EXPECT_EQ(Row(model, 1), QStringLiteral("09:30:15.250: first"));
    EXPECT_TRUE(Row(model, 2).startsWith(QStringLiteral("-- 2026-03-14 09:30:15.250 ---")));

    window.CloseButton()->click();
    EXPECT_FALSE(window.isVisible());
    // Hidden, it keeps collecting.
    log.AddText(QStringLiteral("third"));
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return model.rowCount() == 4; }));
    EXPECT_EQ(Row(model, 0), QStringLiteral("09:30:15.250: third"));
}

TEST_F(LogWindowTest, FollowsTrimmingAndClear) {
    qel::LogWindow window(log);
    window.show();
    const QAbstractItemModel& model = *window.View()->model();
    for (int i = 0; i < 1300; ++i) {
        log.AddText(QStringLiteral("line %1").arg(i));
        if (i % 250 == 0) {
            qel::ProcessMessages();
        }
    }
    ASSERT_TRUE(qel::ProcessMessagesFor(
        kPatienceMs, [&] { return log.Line(0).endsWith(QStringLiteral("line 1299")); }));
    ASSERT_EQ(model.rowCount(), 1201);
    EXPECT_EQ(Row(model, 0), QStringLiteral("09:30:15.250: line 1299"));
    EXPECT_EQ(Row(model, 1200), QStringLiteral("09:30:15.250: line 99"));

    window.ClearButton()->click();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(log.LineCount(), 0);
}

}  // namespace
