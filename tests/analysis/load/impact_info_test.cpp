#include "analysis/load/impact_info.h"
#include "analysis/analysis_steps.h"
#include "analysis/calculation_fixture.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

RqelImpactCategory ImpactCategory(double aMinImpact, int32_t aMinDurationInMS) {
    RqelImpactCategory category;
    category.MinImpact = aMinImpact;
    category.MinDurationInMS = aMinDurationInMS;
    return category;
}

// Impact categories 1 (1 g for more than 15 ms) and 2 (2.5 g for more than 10 ms), 10 ms
// steps.
class ImpactInfo : public CalculationFixture {
protected:
    ScopedCalculationClass impactClass{CalcSlot::Impacts, &MakeCalculation<TqelImpactInfo>};
    CategoriesInSettings categories{{}, {}, {ImpactCategory(1, 15), ImpactCategory(2.5, 10)}};
    TqeldbAnalyzeDef withCategories{nullptr};
    std::unique_ptr<TqelCalculation> calc;
    TqelImpactInfo* impacts = nullptr;
    int32_t time = 0;

    void SetUp() override {
        calc = Make();
        calc->Init(&withCategories, {}, 0, 1000, 0, 0, {}, 0, {}, 0, {}, nullptr);
        calc->setTimeFrame(10);
        impacts = calc->Impacts();
        ASSERT_NE(impacts, nullptr);
    }
    // One step per value, at 4 m/s unless given.
    void Signal(std::initializer_list<double> aValues, double aSpeed = 4) {
        for (double v : aValues) {
            StepValues step{time, aSpeed};
            step.Impact = v;
            Step(*impacts, step);
            time += 10;
        }
    }
};

TEST_F(ImpactInfo, ACycleIsRecordedWhenTheNextRiseStarts) {
    Signal({0.5}, 4);
    Signal({3.0}, 6);
    Signal({0.8}, 3);
    EXPECT_EQ(impacts->Count(), 0);
    Signal({1.5}, 9);
    ASSERT_EQ(impacts->Count(), 1);
    const RqelImpact& impact = *impacts->GetImpact(0);
    EXPECT_EQ(impact.StartTimeInMS, 0);
    EXPECT_EQ(impact.EndTimeInMS, 20);
    EXPECT_EQ(impact.MaxImpact, 3.0);
    EXPECT_EQ(impact.MinImpact, 0.5);
    EXPECT_EQ(impact.MinSpeed, 3.0);
    EXPECT_EQ(impact.MaxSpeed, 6.0);
    EXPECT_EQ(impact.DistanceInMM, 0.0);
    // Category 1 has 20 ms (3.0 and the 1.5 that closed it), category 2 only 10 ms.
    EXPECT_EQ(impact.Category, 1);
    EXPECT_EQ(impacts->GetImpact(1), nullptr);
    EXPECT_EQ(impacts->GetImpact(-1), nullptr);
}

TEST_F(ImpactInfo, WhichCyclesAreDropped) {
    struct Case {
        const char* Name;
        std::initializer_list<double> Values;
        int32_t Count;
    };
    for (const Case& c : {
             // Turning value 2.5 is not below 2.
             Case{"high turn", {0.5, 3.0, 2.5, 3.5}, 0},
             // Amplitude 1.0 is not above 1.
             Case{"small swing", {0.5, 1.5, 0.6, 1.0}, 0},
             // Still falling at the end: the cycle in progress is never recorded.
             Case{"open at the end", {0.5, 3.0, 0.8, 0.2}, 0},
             // The second cycle starts at the first turning value and counts from there.
             Case{"two cycles", {0.5, 3.0, 0.8, 2.0, 3.0, 0.1, 1.0}, 2},
         }) {
        impacts->Init();
        time = 0;
        Signal(c.Values);
        EXPECT_EQ(impacts->Count(), c.Count) << c.Name;
    }
    EXPECT_EQ(impacts->GetImpact(1)->StartTimeInMS, 30);
    EXPECT_EQ(impacts->GetImpact(1)->MinImpact, 0.1);
    EXPECT_EQ(impacts->GetImpact(1)->MaxImpact, 3.0);
}

// Two impacts from the layout table; the doubles in stream order (maximum, top speed, minimum,
// lowest speed, distance).
QByteArray TwoImpacts() {
    FieldBytes b;
    b.i32(2);
    b.i32(100).i32(180).f64(3.5).f64(6.25).f64(0.25).f64(2.5).f64(0).i32(2);
    b.i32(300).i32(350).f64(2.75).f64(4.5).f64(0.5).f64(4.25).f64(12.5).i32(0);
    return b.data();
}

TEST_F(ImpactInfo, ABlockReadsAndWritesBackAndStepsOn) {
    ASSERT_TRUE(ReadObject(*impacts, TwoImpacts(), 151));
    ASSERT_EQ(impacts->Count(), 2);
    const RqelImpact& first = *impacts->GetImpact(0);
    EXPECT_EQ(first.StartTimeInMS, 100);
    EXPECT_EQ(first.EndTimeInMS, 180);
    EXPECT_EQ(first.MaxImpact, 3.5);
    EXPECT_EQ(first.MaxSpeed, 6.25);
    EXPECT_EQ(first.MinImpact, 0.25);
    EXPECT_EQ(first.MinSpeed, 2.5);
    EXPECT_EQ(first.Category, 2);
    EXPECT_EQ(impacts->GetImpact(1)->DistanceInMM, 12.5);
    EXPECT_EQ(impacts->GetImpact(2), nullptr);
    EXPECT_EQ(WrittenObject(*impacts), TwoImpacts());

    // Steps after a read fill the slot after the records (AddressSanitizer watches).
    time = 1000;
    Signal({0.5, 3.0, 0.8, 1.5, 3.0, 0.2, 1.2, 1.0});
    EXPECT_EQ(impacts->Count(), 4);
    EXPECT_EQ(impacts->GetImpact(2)->StartTimeInMS, 1000);
    // The records read stay as they were.
    EXPECT_EQ(WrittenObject(*impacts).mid(4, TwoImpacts().size() - 4), TwoImpacts().mid(4));
}

TEST_F(ImpactInfo, CountsBeyondTheDataAreRefused) {
    for (int32_t count : {-1, 3, 0x7FFFFFFF}) {
        QByteArray data = TwoImpacts();
        FieldBytes b;
        b.i32(count);
        data.replace(0, 4, b.data());
        EXPECT_THROW(ReadObject(*impacts, data, 151), EReadError) << count;
        EXPECT_EQ(impacts->Count(), 0) << count;
    }
}

TEST_F(ImpactInfo, ImpactsStartingWithinASpanBothEndsIncluded) {
    ASSERT_TRUE(ReadObject(*impacts, TwoImpacts(), 151));
    struct Case {
        int32_t From, To, Count;
    };
    for (const Case& c : {Case{100, 300, 2}, Case{101, 300, 1}, Case{100, 299, 1},
                          Case{181, 299, 0}, Case{301, 400, 0}, Case{0, 1000, 2}}) {
        EXPECT_EQ(impacts->CountStartingWithin(c.From, c.To), c.Count) << c.From << " " << c.To;
    }
    // The cycle in progress is not counted.
    time = 500;
    Signal({0.5, 3.0});
    EXPECT_EQ(impacts->CountStartingWithin(0, 1000), 2);
}

}  // namespace
}  // namespace qel::test
