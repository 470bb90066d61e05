#include "analysis/framework/calculation.h"

#include "foundation/model_interfaces.h"

TqelCalculation::TqelCalculation(IqelTransponderData* aTransponder, bool aReadingFromStream,
                                 TqeldbAnalyzeDef* anAnalyzeDef)
    : FTransponder(aTransponder),
      FAnalyzeDef(anAnalyzeDef),
      FReadingFromStream(aReadingFromStream),
      FTransponderID(aTransponder ? aTransponder->GetTPid() : 0) {}
