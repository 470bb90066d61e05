#include <gtest/gtest.h>

#include <limits>

#include "foundation/settings/category_records.h"
#include "foundation/settings/client_config.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

qel::SprintCategoryList SprintCategories() {
    RqelSprintCategory slow;
    slow.ID = 11;
    slow.MinSpeed = 4.0;
    slow.MinDurationInMS = 100;
    RqelSprintCategory fast;
    fast.ID = 12;
    fast.MinSpeed = 7.0;
    fast.MinDurationInMS = 200;
    return {slow, fast};
}

}  // namespace

TEST(SprintCategoryInfo, AddsTimeToEveryReachedCategory) {
    const qel::SprintCategoryList categories = SprintCategories();
    const struct {
        double speed;
        QList<int32_t> times;
    } cases[] = {{5.0, {100, 0}},   {4.0, {100, 0}},   {7.0, {100, 100}},
                 {3.99, {0, 0}},    {NaN, {100, 100}},  // a NaN comparison counts as reached
                 {-NaN, {100, 100}}};
    for (const auto& c : cases) {
        RqelSprintCategoryInfo info;
        info.Init(categories);
        info.AddTime(c.speed, 100);
        EXPECT_EQ(info.SprintCatTime, c.times) << c.speed;
    }
}

TEST(SprintCategoryInfo, CategoryNeedsMoreThanTheMinimumDuration) {
    const qel::SprintCategoryList categories = SprintCategories();
    RqelSprintCategoryInfo info;
    info.Init(categories);
    EXPECT_EQ(info.Category(), 0);

    info.SprintCatTime = {100, 200};  // equal to every minimum
    EXPECT_EQ(info.Category(), 0);
    info.SprintCatTime = {101, 200};
    EXPECT_EQ(info.Category(), 1);
    info.SprintCatTime = {101, 201};
    EXPECT_EQ(info.Category(), 2);  // position counted from 1, not the ID
    info.SprintCatTime = {0, 201};
    EXPECT_EQ(info.Category(), 2);

    // Init starts the times again.
    info.Init(categories);
    EXPECT_EQ(info.SprintCatTime, (QList<int32_t>{0, 0}));
}

TEST(SprintCategoryInfo, KeepsTheListItWasGivenAndStaysInBounds) {
    qel::SprintCategoryList categories = SprintCategories();
    RqelSprintCategoryInfo info;
    info.Init(categories);
    info.AddTime(10.0, 300);

    // Later changes of the source list do not reach the accumulator.
    categories.append(categories.first());
    categories.clear();
    info.AddTime(10.0, 300);
    EXPECT_EQ(info.SprintCatTime, (QList<int32_t>{600, 600}));
    EXPECT_EQ(info.Category(), 2);

    // Times of another size are read only as far as both reach.
    info.SprintCatTime = {700};
    info.AddTime(10.0, 300);
    EXPECT_EQ(info.SprintCatTime, (QList<int32_t>{1000}));
    EXPECT_EQ(info.Category(), 1);

    RqelSprintCategoryInfo unbound;
    unbound.AddTime(10.0, 300);
    EXPECT_EQ(unbound.Category(), 0);
}

TEST(ImpactCategoryInfo, AccumulatesAndReportsThePosition) {
    qel::ImpactCategoryList categories(3);
    for (int i = 0; i < 3; ++i) {
        categories[i].ID = 40 + i;
        categories[i].MinImpact = 2.0 * (i + 1);  // 2, 4, 6 g
        categories[i].MinDurationInMS = 50;
    }
    RqelImpactCategoryInfo info;
    info.Init(categories);
    info.AddTime(4.0, 40);
    info.AddTime(NaN, 20);
    EXPECT_EQ(info.ImpactCatTime, (QList<int32_t>{60, 60, 20}));
    EXPECT_EQ(info.Category(), 2);
}

TEST(AccelCategoryInfo, NeedsSpeedAndAccelerationAndReportsTheID) {
    qel::AccelCategoryList categories(2);
    categories[0].ID = 7;
    categories[0].MinSpeed = 1.0;
    categories[0].MinAccel = 2.0;
    categories[0].MinDurationInMS = 0;
    categories[1].ID = 9;
    categories[1].MinSpeed = 1.0;
    categories[1].MinAccel = 3.0;
    categories[1].MinDurationInMS = 100;

    const struct {
        double speed, accel;
        QList<int32_t> times;
        int32_t category;
    } cases[] = {
        {1.0, 2.0, {100, 0}, 7},   {0.5, 5.0, {0, 0}, 0},     {5.0, 1.5, {0, 0}, 0},
        {5.0, 3.0, {100, 100}, 7}, {NaN, 3.0, {100, 100}, 7}, {0.5, NaN, {0, 0}, 0},
        {NaN, NaN, {100, 100}, 7},
    };
    for (const auto& c : cases) {
        RqelAccelCategoryInfo info;
        info.Init(false, categories);
        info.AddTime(c.speed, c.accel, 100);
        EXPECT_EQ(info.AccelCatTime, c.times) << c.speed << " " << c.accel;
        EXPECT_EQ(info.Category(), c.category) << c.speed << " " << c.accel;
    }

    RqelAccelCategoryInfo info;
    info.Init(true, categories);
    info.AddTime(5.0, 3.0, 101);
    EXPECT_EQ(info.Category(), 9);
}

// The client settings hand their lists out as copies: the accumulators must hold what Init was
// given, not the address of the temporary (AddressSanitizer reports that use after scope).
TEST(CategoryInfo, InitWithTheClientSettingsListsItself) {
    TqelClientConfig* client = ClientConfig();
    ASSERT_NE(client, nullptr);
    const qel::SprintCategoryList oldSprints = client->SprintCategories();
    const qel::ImpactCategoryList oldImpacts = client->ImpactCategories();
    const qel::AccelCategoryList oldAccels = client->AccelCategories();
    qel::ImpactCategoryList impacts(1);
    impacts[0].MinImpact = 3.0;
    qel::AccelCategoryList accels(1);
    accels[0].ID = 21;
    accels[0].MinAccel = 2.0;
    client->setSprintCategories(SprintCategories());
    client->setImpactCategories(impacts);
    client->setAccelCategories(accels);

    RqelSprintCategoryInfo sprint;
    sprint.Init(ClientConfig()->SprintCategories());
    RqelImpactCategoryInfo impact;
    impact.Init(ClientConfig()->ImpactCategories());
    RqelAccelCategoryInfo accel;
    accel.Init(true, ClientConfig()->AccelCategories());
    sprint.AddTime(8.0, 250);
    impact.AddTime(3.5, 10);
    accel.AddTime(1.0, 2.5, 10);
    EXPECT_EQ(sprint.Category(), 2);
    EXPECT_EQ(impact.Category(), 1);
    EXPECT_EQ(accel.Category(), 21);

    client->setSprintCategories(oldSprints);
    client->setImpactCategories(oldImpacts);
    client->setAccelCategories(oldAccels);
}
