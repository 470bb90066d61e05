// The setters of the dataset's settings and what each of them sets off.
#include "database/athletes.h"
#include "database/datasets/dataset_rows.h"
#include "database/teams.h"
#include "model/dataset/dataset.h"
#include "model/transponder/transponder_data.h"
#include "platform/numbers.h"

namespace {

constexpr double FiveMinutesPerDay = 24.0 * 12.0;
constexpr double MsPerDay = 86400000.0;
constexpr int32_t BallPositionSensitivity = 10;

TDateTime RoundToFiveMinutes(TDateTime aValue) {
    return static_cast<double>(Round(aValue * FiveMinutesPerDay)) / FiveMinutesPerDay;
}

}  // namespace

namespace qel {

// Ski jumping has no place among the sports the settings know, so it takes the general value.
int32_t MaxSpeedOfSport(TqelSports aSport) {
    return aSport == sportSoccer ? 15 : 20;
}

}  // namespace qel

void TqelDataset::setSportType(TqelSports aValue) {
    FSportType = aValue;
    const int32_t maxSpeed = qel::MaxSpeedOfSport(aValue);
    if (FMaxSpeed.exchange(maxSpeed) != maxSpeed) {
        setChanged(true);
    }
}

TqelPositionAlgorithm TqelDataset::PositionAlgorithm() const {
    return static_cast<TqelPositionAlgorithm>(FPositionAlgorithm.load());
}

void TqelDataset::setPositionAlgorithm(TqelPositionAlgorithm aValue) {
    if (PositionAlgorithm() == aValue) {
        return;
    }
    FPositionAlgorithm = static_cast<uint8_t>(aValue);
    FIndexesNeedsToRebuild = true;
    ResetPositionCalculation();
    for (int32_t i = 0; i < FTransponders.Count(); ++i) {
        TqelTransponderData* transponder = FTransponders.At(i);
        // A ball keeps the weighted average whatever the athletes use.
        if (transponder->Role() == roleBall) {
            transponder->SetPositionFunction(posWeightedAverage);
            transponder->setPositionSensitivity(BallPositionSensitivity);
        } else {
            transponder->SetPositionFunction(aValue);
        }
    }
    NotifyItemChanged(this, itemFilter, 0);
}

void TqelDataset::setPositionSensitivity(int32_t aValue) {
    if (FPositionSensitivity.load() == aValue) {
        return;
    }
    FPositionSensitivity = aValue;
    FIndexesNeedsToRebuild = true;
    ResetPositionCalculation();
    for (int32_t i = 0; i < FTransponders.Count(); ++i) {
        TqelTransponderData* transponder = FTransponders.At(i);
        if (transponder->Role() != roleBall) {
            transponder->setPositionSensitivity(aValue);
        }
    }
    NotifyItemChanged(this, itemFilter, 0);
}

void TqelDataset::ResetPositionCalculation() {
    for (int32_t i = 0; i < FTransponders.Count(); ++i) {
        FTransponders.At(i)->invalidatePositionCache();
    }
    FCacheRequest = 0;
    FCacheHits = 0;
    resetGaussianStats();
    BuildPositionWeights();
}

void TqelDataset::setDistanceInterval(int32_t aValue) {
    if (FDistanceInterval.exchange(aValue) != aValue) {
        FIndexesNeedsToRebuild = true;
        NotifyItemChanged(this, itemFilter, 0);
    }
}

void TqelDataset::setSpeedFrameInterval(int32_t aValue) {
    if (FSpeedFrameInterval.exchange(aValue) != aValue) {
        NotifyItemChanged(this, itemFilter, 0);
    }
}

void TqelDataset::setUseLastKnownRawIn3DViewer(bool aValue) {
    if (FUseLastKnownRawIn3DViewer.exchange(aValue) != aValue) {
        NotifyItemChanged(this, itemFilter, 0);
    }
}

void TqelDataset::setHeartbeatInterval(int32_t aValue) {
    if (FHeartbeatInterval.exchange(aValue) != aValue) {
        BuildHeartbeatWeights();
        setChanged(true);
    }
}

void TqelDataset::setHeartbeatSensitivity(int32_t aValue) {
    if (FHeartbeatSensitivity.exchange(aValue) != aValue) {
        BuildHeartbeatWeights();
        setChanged(true);
    }
}

void TqelDataset::setMaxPower(double aValue) {
    if (FMaxPower.exchange(aValue) != aValue) {
        setChanged(true);
    }
}

void TqelDataset::setBeginTraining(TDateTime aValue) {
    const TDateTime rounded = RoundToFiveMinutes(aValue);
    if (rounded != FBeginTraining) {
        FBeginTraining = rounded;
        setChanged(true);
    }
    FBeginTrainingRoundingDif = static_cast<int32_t>(Round((rounded - aValue) * MsPerDay));
}

void TqelDataset::setEndTraining(TDateTime aValue) {
    const TDateTime rounded = RoundToFiveMinutes(IncMilliSecond(aValue, FBeginTrainingRoundingDif));
    if (rounded != FEndTraining) {
        FEndTraining = rounded;
        setChanged(true);
    }
}

void TqelDataset::setTeamID(int32_t aValue) {
    if (FTeamID == aValue) {
        return;
    }
    FTeamID = aValue;
    if (FDBTeams) {
        FDBTeams->Find(aValue, QString(), 0, false, QString(), 0, QString());
        if (FDBTeams->Count() > 0) {
            const TqeldbTeam* team = FDBTeams->GetVaruzas(0);
            FTeamName = team->TeamName();
            FTeamSystemID = team->SystemID();
        }
    }
    FDBDataset->setTeamID(aValue);
    if (FDBPlayers) {
        FDBPlayers->Find(aValue, QString(), QString(), QString(), false, QString());
    }
    NotifyItemChanged(this, itemDataSet, 0);
}

void TqelDataset::setTeamSystemID(const QString& aValue) {
    if (FTeamSystemID != aValue) {
        FTeamSystemID = aValue;
        NotifyItemChanged(this, itemDataSet, 0);
    }
}

void TqelDataset::setStoreLivePositions(bool aValue) {
    FStoreLivePositions = aValue;
    if (!aValue) {
        return;
    }
    FDBDataset->setDtsID(GetDBDtsID());
    FDBDataset->setGUID(FDatasetGUID);
    FDBDataset->setRecordDate(FRecordingStartedAt);
    FDBDataset->setLiveData(true);
    FDBDataset->setRecording(true);
    if (FDBDts) {
        FDBDts->Save(FDBDataset.get());
    }
}

void TqelDataset::setStorePositionInterval(int32_t aValue) {
    if (FStorePositionInterval.exchange(aValue) == aValue) {
        return;
    }
    if (Recording() && StoreLivePositions()) {
        FDBDataset->setStorePositionInterval(aValue);
        if (FDBDts) {
            FDBDts->Save(FDBDataset.get());
        }
    }
}
