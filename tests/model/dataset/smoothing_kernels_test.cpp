// The dataset's smoothing kernels, built from its settings.

#include <cmath>

#include "model/dataset/dataset.h"

namespace {

class SmoothingKernels : public ::testing::Test {
protected:
    void Position(TqelPositionAlgorithm anAlgorithm, int32_t aSensitivity) {
        dataset.setPositionAlgorithm(anAlgorithm);
        dataset.setPositionSensitivity(aSensitivity);
    }

    TqelDataset dataset;
};

TEST_F(SmoothingKernels, LinearInterpolationIsABoxOfTenTimesTheSensitivity) {
    Position(posLinearInterpolation, 10);
    for (int32_t offset : {-100, 0, 37, 100}) {
        EXPECT_EQ(dataset.getPositionWeight(offset), 1.0) << offset;
    }
    for (int32_t offset : {-101, 101, 1000, -1000}) {
        EXPECT_EQ(dataset.getPositionWeight(offset), 0.0) << offset;
    }
}

TEST_F(SmoothingKernels, LastAndClosestKnownCountOnlyTheTimeItself) {
    for (TqelPositionAlgorithm algorithm : {posLastKnown, posClosestKnown}) {
        Position(algorithm, 75);
        EXPECT_EQ(dataset.getPositionWeight(0), 1.0);
        EXPECT_EQ(dataset.getPositionWeight(1), 0.0);
        EXPECT_EQ(dataset.getPositionWeight(-1), 0.0);
        EXPECT_EQ(dataset.getPositionWeight(999), 0.0);
        Position(posLinearInterpolation, 75);
    }
}

TEST_F(SmoothingKernels, GaussianOfTheWeightedAlgorithmsUsesTheLiteralBase) {
    for (TqelPositionAlgorithm algorithm : {posWeightedAverage, posWeightedSportVU}) {
        Position(algorithm, 75);
        EXPECT_EQ(dataset.getPositionWeight(0), 1.0);
        // (999 / 199.8)² / 2 = 12.5; with e itself the weight would be 2e-9 (relative) off.
        const double expected = std::pow(2.718281828, -12.5);
        EXPECT_NEAR(dataset.getPositionWeight(999), expected, expected * 1e-12);
        EXPECT_NEAR(dataset.getPositionWeight(-999), expected, expected * 1e-12);
        EXPECT_GT(std::abs(dataset.getPositionWeight(999) - std::exp(-12.5)), expected * 1e-9);
        EXPECT_EQ(dataset.getPositionWeight(1000), 0.0);
        EXPECT_EQ(dataset.getPositionWeight(-1000), 0.0);
        Position(posLinearInterpolation, 75);
    }
}

TEST_F(SmoothingKernels, SensitivityZeroGivesTheOnePointKernel) {
    Position(posWeightedAverage, 0);
    EXPECT_EQ(dataset.getPositionWeight(0), 1.0);
    EXPECT_EQ(dataset.getPositionWeight(1), 0.0);
    EXPECT_FALSE(std::isnan(dataset.getPositionWeight(500)));
}

TEST_F(SmoothingKernels, AnAlgorithmWithoutKernelKeepsThePreviousOne) {
    Position(posLinearInterpolation, 10);
    Position(static_cast<TqelPositionAlgorithm>(7), 10);
    EXPECT_EQ(dataset.getPositionWeight(100), 1.0);
    EXPECT_EQ(dataset.getAccelerometerWeight(0), 1.0);
}

TEST_F(SmoothingKernels, AccelerometerKernelWhateverTheAlgorithm) {
    for (TqelPositionAlgorithm algorithm : {posLastKnown, posWeightedSportVU}) {
        Position(algorithm, 33);
        EXPECT_EQ(dataset.getAccelerometerWeight(0), 1.0);
        EXPECT_NEAR(dataset.getAccelerometerWeight(15), 0.7548, 5e-5);
        EXPECT_NEAR(dataset.getAccelerometerWeight(-30), 0.3247, 5e-5);
        EXPECT_NEAR(dataset.getAccelerometerWeight(75), 0.00088, 5e-6);
        EXPECT_EQ(dataset.getAccelerometerWeight(76), 0.0);
        EXPECT_EQ(dataset.getAccelerometerWeight(-76), 0.0);
    }
}

TEST_F(SmoothingKernels, HeartbeatKernel) {
    dataset.setHeartbeatSensitivity(75);
    dataset.setHeartbeatInterval(10);
    const double expected[] = {1, 0.8825, 0.6065, 0.3247, 0.1353};
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(dataset.getHeartbeatWeight(i), expected[i], 5e-5) << i;
        EXPECT_NEAR(dataset.getHeartbeatWeight(-i), expected[i], 5e-5) << i;
    }
    EXPECT_GT(dataset.getHeartbeatWeight(9), 0.0);
    EXPECT_EQ(dataset.getHeartbeatWeight(10), 0.0);

    dataset.setHeartbeatSensitivity(0);
    EXPECT_EQ(dataset.getHeartbeatWeight(0), 1.0);
    EXPECT_EQ(dataset.getHeartbeatWeight(1), 0.0);

    dataset.setHeartbeatInterval(0);
    EXPECT_EQ(dataset.getHeartbeatWeight(0), 0.0);
    dataset.setHeartbeatInterval(-5);
    EXPECT_EQ(dataset.getHeartbeatWeight(0), 0.0);
    // The position kernels are left as they were.
    EXPECT_EQ(dataset.getAccelerometerWeight(0), 1.0);
}

TEST_F(SmoothingKernels, AHeldSetOutlivesARebuild) {
    Position(posLinearInterpolation, 10);
    const std::shared_ptr<const qel::SmoothingKernels> held = dataset.Kernels();
    Position(posLinearInterpolation, 5);
    EXPECT_EQ(held->PositionWeight(100), 1.0);
    EXPECT_EQ(dataset.getPositionWeight(100), 0.0);
    EXPECT_NE(dataset.Kernels(), held);
}

TEST_F(SmoothingKernels, CountersOnlyGrowUntilReset) {
    dataset.incGaussianCalculationCount();
    dataset.incGaussianUsedSamplesCount(40);
    dataset.incGaussianUsedSamplesCount(2);
    EXPECT_EQ(dataset.GaussianCalculationCount(), 1);
    EXPECT_EQ(dataset.GaussianUsedSamplesCount(), 42);
    dataset.resetGaussianStats();
    EXPECT_EQ(dataset.GaussianCalculationCount(), 0);
    EXPECT_EQ(dataset.GaussianUsedSamplesCount(), 0);
}

}  // namespace
