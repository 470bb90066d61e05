#include <gtest/gtest.h>

#include <QBuffer>

#include "analysis/framework/calculation.h"
#include "analysis/load/impact_info.h"
#include "database/analysis/analyze_definitions.h"
#include "model/field/field_bytes.h"
#include "model/transponder/transponder_fixture.h"

namespace qel::test {
namespace {

using TransponderImpacts = TransponderFixture;

TEST_F(TransponderImpacts, CountsRecordedImpactsStartingWithinTheSpan) {
    ASSERT_NE(tp->Calculation(), nullptr);
    EXPECT_EQ(tp->calcNumberImpacts(0, 1000), 0);

    // Impacts starting at 100, 200 and 300 ms, in a calculation that has the analysis, handed
    // to the transponder's calculation through its stream block.
    TqeldbAnalyzeDef definition(nullptr);
    TqelCalculation source(tp.get(), &definition, {}, false);
    ASSERT_NE(source.Impacts(), nullptr);
    FieldBytes b;
    b.i32(3);
    for (int32_t start : {100, 200, 300}) {
        b.i32(start).i32(start + 50).f64(3).f64(5).f64(0.5).f64(4).f64(0).i32(1);
    }
    QByteArray impacts = b.data();
    QBuffer impactBuffer(&impacts);
    impactBuffer.open(QIODevice::ReadOnly);
    BinaryReader impactReader(impactBuffer);
    source.Impacts()->ReadFromStream(impactReader, 151);
    QByteArray block;
    QBuffer out(&block);
    out.open(QIODevice::WriteOnly);
    BinaryWriter writer(out);
    source.writeToStream(writer);
    QBuffer in(&block);
    in.open(QIODevice::ReadOnly);
    BinaryReader reader(in);
    tp->Calculation()->ReadFromStream(reader, 151);
    ASSERT_NE(tp->Calculation()->Impacts(), nullptr);

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
