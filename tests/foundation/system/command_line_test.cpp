#include "foundation/system/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "foundation/system/processes.h"
#include "platform/queued_call.h"
#include "test_child.h"

namespace {

using qel::test::TestChild;
using testing::ElementsAre;

constexpr int kWaitMs = 10000;  // only a bound against hanging

// Records what a runner reports and checks that it arrives on the main thread.
struct Owner {
    QStringList outputs;
    int finished = 0;
    int destroyed = 0;
    int closeRequests = 0;
    bool offMainThread = false;
    TqelCommandLine* finishedSender = nullptr;

    std::unique_ptr<TqelCommandLine> run(const QString& command,
                                         TqelProcCmdNotify onDoClose = nullptr,
                                         int readInterval = 0) {
        return TqelCommandLine::RunDosCommand(
            command,
            [this](const QString& text) {
                offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
                outputs << text;
            },
            [this, onDoClose](TqelCommandLine* sender) {
                ++closeRequests;
                if (onDoClose) {
                    onDoClose(sender);
                }
            },
            [this](TqelCommandLine* sender) {
                offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
                finishedSender = sender;
                ++finished;
            },
            [this](TqelCommandLine*) { ++destroyed; }, readInterval);
    }

    bool waitUntil(const std::function<bool()>& done) {
        return qel::ProcessMessagesFor(kWaitMs, done);
    }
    bool waitForFinish() {
        return waitUntil([this] { return finished > 0; });
    }
    bool waitForOutput(const QString& text) {
        return waitUntil([this, text] { return outputs.contains(text); });
    }
};

TEST(CommandLine, OutputAndErrorsArriveTrimmedOnTheMainThread) {
    TestChild child;
    Owner owner;
    auto runner = owner.run(child.command("print \"  two  words \t\" \"\tproblem  \""));

    ASSERT_TRUE(owner.waitForFinish());

    EXPECT_THAT(owner.outputs, ElementsAre("two  words", "problem", "Thread: Execute ended"));
    EXPECT_EQ(owner.finished, 1);
    EXPECT_EQ(owner.finishedSender, runner.get());
    EXPECT_FALSE(owner.offMainThread);
    EXPECT_FALSE(runner->IsExecuting());
    EXPECT_TRUE(runner->ProgramTerminated());
    runner.reset();
    // A runner that is not executing is not asked to close its program.
    EXPECT_EQ(owner.closeRequests, 0);
    EXPECT_EQ(owner.destroyed, 1);
}

TEST(CommandLine, OutputWrittenJustBeforeTheChildEndsIsDelivered) {
    TestChild child;
    Owner owner;
    // A long interval: nearly all output is still unread when the child ends.
    auto runner = owner.run(child.command("burst 3000"), nullptr, 500);

    ASSERT_TRUE(owner.waitForFinish());

    ASSERT_FALSE(owner.outputs.isEmpty());
    EXPECT_EQ(owner.outputs.last(), "Thread: Execute ended");
    const QStringList lines = owner.outputs.mid(0, owner.outputs.size() - 1).join('\n').split('\n');
    ASSERT_EQ(lines.size(), 3000);
    EXPECT_EQ(lines.first(), "line 1");
    EXPECT_EQ(lines.last(), "line 3000");
}

TEST(CommandLine, InputReachesTheChildUntilItEnds) {
    TestChild child;
    Owner owner;
    auto runner = owner.run(child.command("until-q"));
    ASSERT_TRUE(owner.waitForOutput("ready"));

    runner->WriteLnOut("hello there");
    ASSERT_TRUE(owner.waitForOutput("echo:hello there"));
    runner->WriteOut("q");
    runner->WriteOut("\r\n");
    ASSERT_TRUE(owner.waitForFinish());
    EXPECT_TRUE(owner.outputs.contains("bye"));

    // Once the program has ended, input goes nowhere.
    runner->WriteLnOut("too late");
    qel::ProcessMessagesFor(100);
    EXPECT_FALSE(owner.outputs.join(' ').contains("too late"));
}

TEST(CommandLine, DestroyingTheRunnerAsksTheChildToQuit) {
    TestChild child;
    Owner owner;
    auto runner = owner.run(child.command("until-q"),
                            [](TqelCommandLine* sender) { sender->WriteLnOut("q"); });
    ASSERT_TRUE(owner.waitForOutput("ready"));

    runner.reset();

    EXPECT_EQ(owner.closeRequests, 1);
    EXPECT_EQ(owner.destroyed, 1);
    EXPECT_FALSE(owner.outputs.contains("Ending process timedout"));
    EXPECT_EQ(FindProcessIdByExeName(child.name()), 0);
    // Reports still queued for the destroyed runner are dropped, not delivered to a dead owner.
    qel::ProcessMessagesFor(100);
    EXPECT_EQ(owner.finished, 0);
}

TEST(CommandLine, AChildThatIgnoresQKeepsRunningAfterTheRunnerIsDestroyed) {
    TestChild child;
    Owner owner;
    auto runner = owner.run(child.command("ignore-q"),
                            [](TqelCommandLine* sender) { sender->WriteLnOut("q"); });
    ASSERT_TRUE(owner.waitForOutput("ready"));
    owner.outputs.clear();
    QElapsedTimer elapsed;
    elapsed.start();

    runner.reset();

    EXPECT_LT(elapsed.elapsed(), kWaitMs);
    // Told directly, during destruction.
    EXPECT_THAT(owner.outputs, ElementsAre("Ending process timedout"));
    EXPECT_NE(FindProcessIdByExeName(child.name()), 0);
    EXPECT_EQ(KillProcessesByExeName(child.name()), 1);
    EXPECT_TRUE(qel::ProcessMessagesFor(kWaitMs,
                                        [&] { return FindProcessIdByExeName(child.name()) == 0; }));
}

TEST(CommandLine, TheOwnerMayDestroyTheRunnerWhenToldThatItFinished) {
    TestChild child;
    std::unique_ptr<TqelCommandLine> runner;
    bool finished = false;
    runner = TqelCommandLine::RunDosCommand(
        child.command("print done"), [](const QString&) {}, nullptr,
        [&](TqelCommandLine*) {
            runner.reset();
            finished = true;
        },
        nullptr, 0);

    ASSERT_TRUE(qel::ProcessMessagesFor(kWaitMs, [&] { return finished; }));
    EXPECT_EQ(runner, nullptr);
}

TEST(CommandLine, AProgramThatDoesNotExistEndsCleanly) {
    TestChild child;
    Owner owner;
    auto runner = owner.run("\"" + child.file("no such program") + "\" --help");

    ASSERT_TRUE(owner.waitForFinish());

    EXPECT_THAT(owner.outputs, ElementsAre("Thread: Execute ended"));
    EXPECT_FALSE(runner->IsExecuting());
}

TEST(CommandLine, AnEmptyCommandRunsTheCommandInterpreter) {
    TestChild child;
    const QByteArray saved = qgetenv("COMSPEC");
    qputenv("COMSPEC", child.path().toLocal8Bit());
    Owner owner;
    auto runner = owner.run("");

    const bool finished = owner.waitForFinish();
    qputenv("COMSPEC", saved);
    ASSERT_TRUE(finished);
    EXPECT_TRUE(owner.outputs.contains("test child without a mode"));
}

TEST(CommandLine, ReadIntervalKeepsItsDefaultUnlessAPositiveOneIsGiven) {
    TestChild child;
    for (const auto& [given, expected] : {std::pair{0, 40}, {-5, 40}, {15, 15}}) {
        Owner owner;
        auto runner = owner.run(child.command("exit 0"), nullptr, given);
        EXPECT_EQ(runner->ReadInterval(), expected) << given;
        ASSERT_TRUE(owner.waitForFinish());
    }
    TqelCommandLine suspended(true);
    EXPECT_EQ(suspended.ReadInterval(), 40);
    EXPECT_FALSE(suspended.IsExecuting());
}

}  // namespace
