#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <vector>

#include "allocation_counter.h"

// The model tests replace operator new to count and fail allocations: every form must pair with
// its delete, or the sanitizers report memory freed by the wrong function.
TEST(AllocationCounter, NothrowFormsPairWithTheReplacedDelete) {
    std::vector<int> values(10000);
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<int>((i * 7919) % 101);
    }
    // stable_sort takes its buffer with the nothrow new.
    std::stable_sort(values.begin(), values.end());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));

    const int64_t before = qel::bench::AllocationCount();
    int* block = new (std::nothrow) int[16];
    ASSERT_NE(block, nullptr);
    delete[] block;
    EXPECT_EQ(qel::bench::AllocationCount() - before, 1);

    qel::bench::ScopedFailingAllocations failing;
    EXPECT_EQ(new (std::nothrow) int(1), nullptr);
}
