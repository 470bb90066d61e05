#include <QBuffer>
#include <cmath>

#include "analysis/fake_calculation_context.h"
#include "analysis/framework/calculation.h"
#include "analysis/load/angular_velocity.h"
#include "analysis/load/distance_info.h"
#include "analysis/load/hml_distance.h"
#include "analysis/load/impact_info.h"
#include "analysis/load/mechanical_power.h"
#include "analysis/probe_calculation.h"
#include "analysis/scripted_transponder.h"
#include "analysis/sprints/accel_activity.h"
#include "database/analysis/analyze_definitions.h"

namespace qel::test {
namespace {

// An athlete circling at varying speed with a swinging impact signal, so that every analysis
// records something.
void ScriptAthlete(ScriptedTransponder& aTransponder) {
    aTransponder.Position = [](int32_t t) {
        RqelCalculatedPosition pos;
        pos.XinM = 30 + 20 * std::cos(t / 4000.0);
        pos.YinM = 20 * std::sin(t / 4000.0);
        return pos;
    };
    aTransponder.Speed = [](int32_t t, int32_t) { return 4 + 3 * std::sin(t / 1000.0); };
    aTransponder.Acceleration = [](int32_t t) { return 3 * std::cos(t / 1000.0); };
    aTransponder.LowPassGrav = [](int32_t t) { return 1 + 1.5 * std::sin(t / 100.0); };
}

TEST(DefaultCalculation, EveryObjectIsWrittenReadAndWrittenAgainByteForByte) {
    ScriptedTransponder transponder;
    ScriptAthlete(transponder);
    FakeCalculationContext context;
    TqeldbAnalyzeDef definition(nullptr);
    definition.setAccelMinSpeed(1);
    definition.setAccelminAccel(1);
    definition.setAccelMinTimeMS(100);
    definition.setAccelMaxValidAcc(10);
    definition.setSprintMaxValidSpeed(12);
    definition.setSprintMaxValidAccel(10);
    definition.setSprintMinHIDSpeed(5);
    definition.setHMLDistMinSpeed(5);
    definition.setHMLDistMinAccel(2);
    TqelCalculation calc(&transponder, &definition, {}, false, &context);
    calc.Init(&definition, {}, 0, 20000, 0, 0, {}, 0, {}, 0, {}, nullptr);
    ASSERT_TRUE(calc.Execute(10));

    // Every class of the type set that is built exists.
    for (const CalculationClassInfo& info : kCalculationClasses) {
        if (calc.CalculationTypes().contains(info.Bit) && RegisteredCalculation(info.Slot)) {
            EXPECT_NE(calc.Analysis(info.Slot), nullptr) << info.ClassName;
        }
    }
    ASSERT_NE(calc.AccelAct(), nullptr);
    ASSERT_NE(calc.Impacts(), nullptr);
    ASSERT_NE(calc.DistanceInfo(), nullptr);
    ASSERT_NE(calc.MechanicalPower(), nullptr);
    ASSERT_NE(calc.HMLDistance(), nullptr);
    ASSERT_NE(calc.AngularVelocity(), nullptr);
    EXPECT_GT(calc.AccelAct()->AccelerationCount(), 0);
    EXPECT_GT(calc.AccelAct()->DecelerationCount(), 0);
    EXPECT_GT(calc.Impacts()->Count(), 0);
    EXPECT_GT(calc.DistanceInfo()->TotalDistanceInMM(), 0);
    EXPECT_GT(calc.MechanicalPower()->TotalValueDecel(), 0);
    EXPECT_GT(calc.HMLDistance()->TotalTimeInMS(), 0);
    EXPECT_GT(calc.AngularVelocity()->ValueRight(), 0);

    const QByteArray written = WrittenBlock(calc);
    TqelCalculation read(&transponder, nullptr, {}, true, &context);
    QByteArray data = written;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(buffer);
    read.ReadFromStream(reader, 151);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(read.CalcVaruzaCount(), calc.CalcVaruzaCount());
    EXPECT_EQ(WrittenBlock(read), written);
}

}  // namespace
}  // namespace qel::test
