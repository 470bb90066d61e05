#include <gtest/gtest.h>

#include <functional>

#include "foundation/system/progress_state.h"

namespace {

// Counts what a display would be asked to do.
class RecordingProgress : public qel::ProgressState {
public:
    int BarSets = 0;
    int MessageRuns = 0;
    bool CancelVisible = true;

protected:
    void ShowBar(double) override { ++BarSets; }
    void ShowCancel(bool aShown) override { CancelVisible = aShown; }
    void LetMessagesRun() override { ++MessageRuns; }
};

struct PercentCase {
    const char* name;
    std::function<void(qel::ProgressState&)> steps;
    double bar;
    int level;
    int barSets;
};

class ProgressPercentTest : public ::testing::TestWithParam<PercentCase> {};

TEST_P(ProgressPercentTest, TurnsNestedPositionsIntoOnePercentage) {
    RecordingProgress progress;
    GetParam().steps(progress);
    EXPECT_DOUBLE_EQ(progress.Bar(), GetParam().bar);
    EXPECT_EQ(progress.Level(), GetParam().level);
    EXPECT_EQ(progress.BarSets, GetParam().barSets);
}

void Begin(qel::ProgressState& p, int64_t anEnd, int64_t aSize) {
    p.beginSection(anEnd, aSize);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressPercentTest,
    ::testing::Values(
        // 0.5 rounds to 0 and 1.5 to 2: the bar moves at positions 2 and 3 only.
        PercentCase{"HalvesToEvenUpTo1",
                    [](auto& p) {
                        Begin(p, 0, 200);
                        for (int i = 0; i <= 2; ++i)
                            p.updateProgress(i);
                    },
                    1, 1, 1},
        PercentCase{"HalvesToEvenUpTo15",
                    [](auto& p) {
                        Begin(p, 0, 200);
                        for (int i = 0; i <= 3; ++i)
                            p.updateProgress(i);
                    },
                    1.5, 1, 2},
        PercentCase{"NestedIsOneStepOfItsParent",
                    [](auto& p) {
                        Begin(p, 0, 10);
                        p.updateProgress(4);
                        Begin(p, 0, 50);
                        p.updateProgress(25);
                    },
                    45, 2, 2},
        PercentCase{"EndingNestedJumpsToItsEnd",
                    [](auto& p) {
                        Begin(p, 0, 10);
                        p.updateProgress(4);
                        Begin(p, 0, 50);
                        p.updateProgress(25);
                        p.endSection();
                    },
                    50, 1, 3},
        PercentCase{"NestedWithAnEndPosition",
                    [](auto& p) {
                        Begin(p, 0, 10);
                        p.updateProgress(4);
                        Begin(p, 8, 4);
                        p.IncrementPosition();
                        p.IncrementPosition();
                    },
                    60, 2, 3},
        PercentCase{"EndWithoutSectionStaysAtZero",
                    [](auto& p) {
                        p.endSection();
                        p.updateProgress(3);
                    },
                    0, 0, 0},
        PercentCase{"TwelveLevelsPairUpAndIgnoreTheDeepest",
                    [](auto& p) {
                        for (int i = 0; i < 12; ++i)
                            Begin(p, 0, 10);
                        p.updateProgress(7);
                        for (int i = 0; i < 13; ++i)
                            p.endSection();
                    },
                    10, 0, 2},
        PercentCase{"SizeZeroLeavesThePercentage",
                    [](auto& p) {
                        Begin(p, 0, 10);
                        p.updateProgress(2);
                        Begin(p, 0, 0);
                        p.updateProgress(3);
                    },
                    20, 2, 1},
        PercentCase{"OuterSizeZero",
                    [](auto& p) {
                        Begin(p, 0, 0);
                        p.updateProgress(5);
                    },
                    0, 1, 0}),
    [](const auto& anInfo) { return std::string(anInfo.param.name); });

TEST(ProgressStateTest, NilCancelHandlerRemovesTheLastAndHidesCancel) {
    RecordingProgress progress;
    QStringList calls;
    QObject* seenSender = reinterpret_cast<QObject*>(1);
    progress.setOnCancel([&](QObject* aSender) {
        calls << QStringLiteral("first");
        seenSender = aSender;
    });
    progress.setOnCancel([&](QObject*) { calls << QStringLiteral("second"); });
    EXPECT_TRUE(progress.CancelVisible);
    progress.setOnCancel({});
    EXPECT_FALSE(progress.CancelVisible);
    EXPECT_FALSE(progress.CancelShown());
    EXPECT_EQ(progress.CancelHandlerCount(), 1);

    EXPECT_FALSE(progress.IsCanceled());
    progress.Cancel();
    EXPECT_TRUE(progress.IsCanceled());
    EXPECT_EQ(calls, QStringList{QStringLiteral("first")});
    EXPECT_EQ(seenSender, nullptr);
}

TEST(ProgressStateTest, NoGuiUpdateChangesTheTextsButNotTheBar) {
    RecordingProgress progress;
    QStringList logged;
    progress.OnLogMessage = [&](const QString& aLine) { logged << aLine; };
    progress.setNoGuiUpdate(true);
    progress.updateCaption(QStringLiteral("Saving"));
    progress.beginSection(0, 10);
    progress.updateProgress(5);
    progress.updateMessage(QStringLiteral("step"));
    progress.updateDetails(QStringLiteral("file.qds"));
    EXPECT_EQ(progress.Message(), QStringLiteral("step"));
    EXPECT_EQ(progress.Details(), QStringLiteral("file.qds"));
    EXPECT_EQ(progress.Bar(), 0);
    EXPECT_EQ(progress.BarSets, 0);
    EXPECT_EQ(progress.MessageRuns, 0);
    EXPECT_EQ(logged, QStringList({QStringLiteral("Saving"), QStringLiteral("step"),
                                   QStringLiteral("file.qds")}));

    progress.setNoGuiUpdate(false);
    progress.updateMessage(QStringLiteral("again"));
    progress.updateProgress(6);
    EXPECT_EQ(progress.Bar(), 60);
    EXPECT_EQ(progress.MessageRuns, 2);
}

TEST(ProgressStateTest, KeepsTheLastError) {
    RecordingProgress progress;
    progress.setLastError(QStringLiteral("disk full"));
    EXPECT_EQ(progress.LastError(), QStringLiteral("disk full"));
}

}  // namespace
