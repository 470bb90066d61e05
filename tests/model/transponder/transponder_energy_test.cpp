#include <gtest/gtest.h>

#include "model/field/field.h"
#include "model/transponder/metabolic_power.h"
#include "model/transponder/transponder_fixture.h"

namespace qel::test {
namespace {

using TransponderEnergy = TransponderFixture;

TEST_F(TransponderEnergy, TakesTheFieldsPowerFactor) {
    EXPECT_DOUBLE_EQ(tp->calcEnergy(5, 0, 4.0), 21.0);
    dataset.Field()->setPowerFactor(1.2);
    EXPECT_DOUBLE_EQ(tp->calcEnergy(5, 0, 4.0), 24.0);
    EXPECT_EQ(tp->calcEnergy(5, 2, 4.0), MetabolicPower(5, 2, 4.0, 1.2));

    // Without a dataset the default factor.
    TqelTransponderData alone(nullptr, false);
    EXPECT_EQ(alone.calcEnergy(5, 2, 4.0), MetabolicPower(5, 2, 4.0, 1.05));
}

}  // namespace
}  // namespace qel::test
