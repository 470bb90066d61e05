#include <gtest/gtest.h>

#include <QBuffer>

#include "analysis/framework/calculation.h"
#include "analysis/load/impact_info.h"
#include "model/field/field_bytes.h"
#include "model/transponder/transponder_fixture.h"

namespace qel::test {
namespace {

using TransponderImpacts = TransponderFixture;

TEST_F(TransponderImpacts, CountsRecordedImpactsStartingWithinTheSpan) {
    TqelCalculation* calc = tp->Calculation();
    ASSERT_NE(calc, nullptr);
    TqelImpactInfo* impacts = calc->Impacts();
    ASSERT_NE(impacts, nullptr);
    EXPECT_EQ(tp->calcNumberImpacts(0, 1000), 0);

    // Impacts starting at 100, 200 and 300 ms.
    FieldBytes b;
    b.i32(3);
    for (int32_t start : {100, 200, 300}) {
        b.i32(start).i32(start + 50).f64(3).f64(5).f64(0.5).f64(4).f64(0).i32(1);
    }
    QByteArray data = b.data();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(buffer);
    impacts->ReadFromStream(reader, 151);

    struct Case {
        int32_t From, To, Count;
    };
    for (const Case& c : {Case{100, 300, 3}, Case{101, 300, 2}, Case{100, 299, 2},
                          Case{200, 200, 1}, Case{301, 1000, 0}, Case{150, 160, 0}}) {
        EXPECT_EQ(tp->calcNumberImpacts(c.From, c.To), c.Count) << c.From << " " << c.To;
    }

    // A transponder with nothing recorded.
    TqelTransponderData alone(nullptr, false);
    EXPECT_EQ(alone.calcNumberImpacts(0, 1000), 0);
}

}  // namespace
}  // namespace qel::test
