#include <gtest/gtest.h>

#include <QFile>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/crash_reporter.h"
#include "platform/exception.h"
#include "platform/queued_call.h"
#include "support/temp_folder.h"

namespace {

// Generous: only reached when something is broken.
constexpr int kPatienceMs = 5000;

class MessageLog : public QObject {
public:
    struct Entry {
        int Msg;
        qint64 WParam;
        qint64 LParam;
        QString Payload;
    };

    explicit MessageLog(std::vector<Entry>& aEntries) : FEntries(aEntries) {}

    bool event(QEvent* anEvent) override {
        if (const auto* message = qel::PostMessageEvent::From(anEvent)) {
            const auto* payload = std::any_cast<QString>(&message->Payload());
            FEntries.push_back({message->Msg(), message->WParam(), message->LParam(),
                                payload ? *payload : QString()});
            return true;
        }
        return QObject::event(anEvent);
    }

private:
    std::vector<Entry>& FEntries;
};

}  // namespace

TEST(QueueCall, RunsLaterOnTheContextsThread) {
    QObject context;
    QThread* ranOn = nullptr;
    ASSERT_TRUE(qel::QueueCall(&context, [&] { ranOn = QThread::currentThread(); }));
    EXPECT_EQ(ranOn, nullptr);
    EXPECT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return ranOn != nullptr; }));
    EXPECT_EQ(ranOn, QThread::currentThread());

    QThread worker;
    worker.start();
    auto onWorker = std::make_unique<QObject>();
    onWorker->moveToThread(&worker);
    std::atomic<QThread*> workerRanOn{nullptr};
    qel::QueueCall(onWorker.get(), [&] { workerRanOn = QThread::currentThread(); });
    EXPECT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return workerRanOn != nullptr; }));
    EXPECT_EQ(workerRanOn.load(), &worker);
    worker.quit();
    worker.wait();
}

TEST(QueueCall, IsDroppedWhenTheContextDiesFirst) {
    auto doomed = std::make_unique<QObject>();
    QObject survivor;
    std::vector<int> ran;
    qel::QueueCall(doomed.get(), [&] { ran.push_back(1); });
    qel::QueueCall(&survivor, [&] { ran.push_back(2); });
    doomed.reset();
    EXPECT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return !ran.empty(); }));
    qel::ProcessMessages();
    EXPECT_EQ(ran, std::vector<int>{2});
    EXPECT_FALSE(qel::QueueCall(nullptr, [] {}));
}

TEST(QueueCall, CanBeCalledFromAnyThread) {
    QObject context;
    std::vector<QThread*> ranOn;
    std::thread producer([&] {
        for (int i = 0; i < 3; ++i) {
            qel::QueueCall(&context, [&] { ranOn.push_back(QThread::currentThread()); });
        }
    });
    producer.join();
    EXPECT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return ranOn.size() == 3; }));
    EXPECT_EQ(ranOn, std::vector<QThread*>(3, QThread::currentThread()));
}

TEST(QueueCall, AnExceptionGoesToTheCrashReporter) {
    qel::test::TempFolder folder;
    const QString log = folder.file(QStringLiteral("crash.log"));
    qel::CrashReporter::SetLogFileName(log);
    QObject context;
    const int64_t before = qel::CrashReporter::ReportCount();
    bool after = false;
    qel::QueueCall(&context, [] { throw EAssertionFailed(QStringLiteral("boom")); });
    qel::QueueCall(&context, [&] { after = true; });
    EXPECT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return after; }));
    qel::CrashReporter::SetLogFileName({});
    EXPECT_EQ(qel::CrashReporter::ReportCount(), before + 1);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith(" Queued call: EAssertionFailed - boom\r\n"));
}

TEST(ProcessMessagesFor, ReturnsAtTheTimeLimitWhenNotDone) {
    EXPECT_FALSE(qel::ProcessMessagesFor(20, [] { return false; }));
    EXPECT_FALSE(qel::ProcessMessagesFor(20));
}

TEST(ReentryGuard, RefusesASecondEntryThroughTheMessageLoop) {
    QObject context;
    bool busy = false;
    int entered = 0;
    int refused = 0;
    std::function<void()> unit = [&] {
        qel::ReentryGuard guard(busy);
        if (!guard.Entered()) {
            ++refused;
            return;
        }
        ++entered;
        qel::QueueCall(&context, unit);
        qel::ProcessMessagesFor(kPatienceMs, [&] { return refused > 0; });
    };
    unit();
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(refused, 1);
    EXPECT_FALSE(busy);
}

TEST(PostMessage, DeliversNumberParametersAndPayloadLater) {
    std::vector<MessageLog::Entry> entries;
    MessageLog receiver(entries);
    auto doomed = std::make_unique<MessageLog>(entries);

    EXPECT_GE(qel::PostMessageEvent::EventType(), QEvent::User);
    EXPECT_EQ(qel::PostMessageEvent::EventType(), qel::PostMessageEvent::EventType());

    qel::PostMessage(doomed.get(), 1, 0, 0);
    std::thread poster([&] {
        qel::PostMessage(&receiver, 0x0401, -5, qint64(1) << 40, QStringLiteral("payload"));
    });
    poster.join();
    qel::PostMessage(&receiver, 0x0402, 7, 8);
    doomed.reset();
    EXPECT_TRUE(entries.empty());

    EXPECT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return entries.size() >= 2; }));
    qel::ProcessMessages();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Msg, 0x0401);
    EXPECT_EQ(entries[0].WParam, -5);
    EXPECT_EQ(entries[0].LParam, qint64(1) << 40);
    EXPECT_EQ(entries[0].Payload, QStringLiteral("payload"));
    EXPECT_EQ(entries[1].Msg, 0x0402);
    EXPECT_EQ(entries[1].Payload, QString());
    EXPECT_FALSE(qel::PostMessage(nullptr, 1, 0, 0));
}
