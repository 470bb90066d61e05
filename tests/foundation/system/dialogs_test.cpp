#include <gtest/gtest.h>

#include "foundation/system/dialogs.h"
#include "foundation/system/progress_state.h"
#include "support/fake_dialogs.h"

namespace {

TEST(DialogsTest, HeadlessLogsTheTextAndAnswersTheDefault) {
    QStringList logged;
    qel::HeadlessDialogs headless([&](const QString& aLine) { logged << aLine; });
    EXPECT_EQ(
        headless.Message(qel::MessageKind::Warning, QStringLiteral("Recorder"),
                         QStringLiteral("Disk almost full"), qel::mbYes | qel::mbNo, qel::mbNo),
        qel::mbNo);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].contains(QStringLiteral("Disk almost full"))) << logged[0].toStdString();
    EXPECT_TRUE(logged[0].startsWith(QStringLiteral("Warning"))) << logged[0].toStdString();

    // Its progress receiver keeps the state and says what is being done.
    std::unique_ptr<IlpmProgress> progress = headless.CreateProgress();
    progress->updateCaption(QStringLiteral("Saving dataset game.qds"));
    progress->beginSection(0, 4);
    progress->updateProgress(2);
    EXPECT_EQ(logged.last(), QStringLiteral("Saving dataset game.qds"));
    const auto* state = dynamic_cast<qel::ProgressState*>(progress.get());
    ASSERT_NE(state, nullptr);
    EXPECT_DOUBLE_EQ(state->Bar(), 50);
}

TEST(DialogsTest, AnInstalledFakeRecordsWhatWasAsked) {
    qel::test::FakeDialogs fake;
    {
        qel::ScopedDialogs scope(fake);
        fake.answers.push_back(qel::mbYes);
        EXPECT_EQ(qel::Dialogs().Message(qel::MessageKind::Confirmation, {},
                                         QStringLiteral("Stop recording?"), qel::mbYes | qel::mbNo,
                                         qel::mbNo),
                  qel::mbYes);
        auto progress = qel::Dialogs().CreateProgress();
        progress->beginSection(8, 4);
    }
    EXPECT_NE(&qel::Dialogs(), &fake);
    ASSERT_EQ(fake.asked.size(), 1u);
    EXPECT_EQ(fake.asked[0].kind, qel::MessageKind::Confirmation);
    EXPECT_EQ(fake.asked[0].text, QStringLiteral("Stop recording?"));
    EXPECT_EQ(fake.asked[0].defaultButton, qel::mbNo);
    ASSERT_EQ(fake.progresses.size(), 1u);
    ASSERT_EQ(fake.progresses[0]->sections.size(), 1u);
    EXPECT_EQ(fake.progresses[0]->sections[0].endPosition, 8);
    EXPECT_EQ(fake.progresses[0]->sections[0].size, 4);
}

}  // namespace
