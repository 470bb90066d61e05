#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/ui/progress_dialog.h"
#include "app/ui/widget_dialogs.h"

namespace {

TEST(ProgressDialogTest, ACloseRequestCancelsInOrderAndTheDialogStaysOpen) {
    qel::WidgetDialogs dialogs;
    std::unique_ptr<IlpmProgress> progress = dialogs.CreateProgress();
    auto* dialog = dynamic_cast<TlpmProgressDialog*>(progress.get());
    ASSERT_NE(dialog, nullptr);

    QStringList calls;
    QObject* sender = nullptr;
    progress->setOnCancel([&](QObject* aSender) {
        calls << QStringLiteral("first");
        sender = aSender;
    });
    progress->setOnCancel([&](QObject*) { calls << QStringLiteral("second"); });
    progress->updateCaption(QStringLiteral("Saving dataset game.qds"));
    progress->beginSection(0, 10);
    progress->Show();
    progress->updateMessage(QStringLiteral("Writing"));
    progress->updateProgress(3);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Saving dataset game.qds"));
    EXPECT_EQ(dialog->MessageLabel()->text(), QStringLiteral("Writing"));
    EXPECT_EQ(dialog->ProgressBar()->value(), 30);
    EXPECT_TRUE(dialog->CancelButton()->isVisibleTo(dialog));

    QCloseEvent close;
    QCoreApplication::sendEvent(dialog, &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->IsCanceled());
    EXPECT_EQ(calls, QStringList({QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_EQ(sender, dialog);

    dialog->CancelButton()->click();
    EXPECT_EQ(calls.size(), 4);

    // No handler left that can stop the work: "Cancel" and the close icon go.
    progress->setOnCancel({});
    EXPECT_FALSE(dialog->CancelButton()->isVisibleTo(dialog));
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(dialog->isVisible());
}

}  // namespace
