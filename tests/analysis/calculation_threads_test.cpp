#include <QBuffer>
#include <atomic>
#include <thread>

#include "analysis/calculation_fixture.h"

namespace qel::test {
namespace {

using CalculationThreads = CalculationFixture;

// The file writer copies results while the recorder's cadence thread steps: under the lock it
// never sees one object a step ahead of another.
TEST_F(CalculationThreads, AReaderCopiesUnderTheLockWhileAnotherThreadSteps) {
    auto calc = Make();
    calc->Init(&definition, {}, 0, 20000, 0, 0, {}, 0, {}, 0, {}, nullptr);
    First(*calc)->Record = false;
    Second(*calc)->Record = false;
    std::atomic<bool> done{false};
    std::thread stepper([&] {
        EXPECT_TRUE(calc->Execute(10));
        done = true;
    });
    int32_t copies = 0;
    int32_t mismatches = 0;
    while (!done) {
        std::lock_guard lock(calc->ResultLock());
        const int32_t first = First(*calc)->StepCount;
        const double speed = calc->Speed();
        mismatches += first != Second(*calc)->StepCount || (first > 0 && speed != 2.0);
        ++copies;
    }
    // The stream writer takes the lock itself.
    const QByteArray block = WrittenBlock(*calc);
    stepper.join();
    EXPECT_GT(copies, 0);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(First(*calc)->StepCount, 2000);
    EXPECT_FALSE(block.isEmpty());
}

// Results depend on the inputs alone: the same run on two threads at once gives the same bytes.
TEST_F(CalculationThreads, OneRunOnTwoThreadsWritesIdenticalBlocks) {
    transponder.Speed = [](int32_t t, int32_t) { return (t % 7000) / 1000.0; };
    transponder.Heartbeat = [](int32_t t) { return 100 + (t % 13000) / 200.0; };
    auto a = Make();
    auto b = Make();
    for (auto* calc : {a.get(), b.get()}) {
        calc->Init(&definition, {}, 0, 60000, 0, 0, {}, 0, {}, 0, {}, nullptr);
        First(*calc)->Record = false;
        Second(*calc)->Record = false;
    }
    std::thread first([&] { EXPECT_TRUE(a->Execute(10)); });
    std::thread second([&] { EXPECT_TRUE(b->Execute(10)); });
    first.join();
    second.join();
    EXPECT_EQ(WrittenBlock(*a), WrittenBlock(*b));
    EXPECT_EQ(First(*a)->StepCount, 6000);
}

}  // namespace
}  // namespace qel::test
