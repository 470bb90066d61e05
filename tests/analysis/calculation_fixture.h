#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "analysis/fake_calculation_context.h"
#include "analysis/framework/calculation.h"
#include "analysis/probe_calculation.h"
#include "analysis/scripted_transponder.h"
#include "database/analysis/analyze_definitions.h"

namespace qel::test {

// A scripted athlete on a soccer dataset, with an analysis definition and probes in the speed
// and heart-rate slots (the first two of the processing order).
class CalculationFixture : public ::testing::Test {
protected:
    AbsentClasses absent{qel::CalcSlot::SpeedInfo, qel::CalcSlot::HeartInfo};
    ProbeClasses probes{qel::CalcSlot::SpeedInfo, qel::CalcSlot::HeartInfo};
    ScriptedTransponder transponder;
    FakeCalculationContext context;
    TqeldbAnalyzeDef definition{nullptr};

    std::unique_ptr<TqelCalculation> Make(bool aReadingFromStream = false,
                                          TqelCalculationCanceled aCancel = {}) {
        return std::make_unique<TqelCalculation>(&transponder, &definition, std::move(aCancel),
                                                 aReadingFromStream, &context);
    }
    ProbeCalculation* First(const TqelCalculation& aCalculation) {
        return Probe(aCalculation, qel::CalcSlot::SpeedInfo);
    }
    ProbeCalculation* Second(const TqelCalculation& aCalculation) {
        return Probe(aCalculation, qel::CalcSlot::HeartInfo);
    }
};

}  // namespace qel::test
