// The passes and handball phases of a game.

#include <algorithm>

#include "model/blocks/handball_phase.h"
#include "model/blocks/passes.h"
#include "model/groups/game.h"
#include "model/groups/model_lock.h"
#include "platform/exception.h"

namespace {

[[noreturn]] void RaiseOutOfRange(int32_t anIndex, size_t aCount) {
    throw EArgumentOutOfRangeException(
        QStringLiteral("Index %1 is outside the list of %2").arg(anIndex).arg(aCount));
}

RqelCalculatedPosition PassPosition(double aXinM, double aYinM, int32_t aTransponderID) {
    RqelCalculatedPosition position;
    position.Init(aXinM, aYinM, 0, 0, 0, 0, aTransponderID, true, true);
    return position;
}

}  // namespace

// --- Passes ---

TqelPasses* TqelGame::PassAdd(int32_t aTimeBeginInMS, int32_t aTimeEndInMS, int32_t aTPidSend,
                              double aPositionStartXinM, double aPositionStartYinM,
                              int32_t aTPidReceived, double aPositionEndXinM,
                              double aPositionEndYinM, int32_t aTeamIdPossession) {
    auto pass = std::make_unique<TqelPasses>();
    pass->setTimeBeginInMS(aTimeBeginInMS);
    pass->setTimeEndInMS(aTimeEndInMS);
    pass->setTPidSend(aTPidSend);
    pass->setTPidReceived(aTPidReceived);
    pass->setTeamIdPossession(aTeamIdPossession);
    pass->setPositionStart(PassPosition(aPositionStartXinM, aPositionStartYinM, aTPidSend));
    pass->setPositionEnd(PassPosition(aPositionEndXinM, aPositionEndYinM, aTPidReceived));
    qel::ModelLockGuard lock(FDataSet);
    return FPasses.emplace_back(std::move(pass)).get();
}

void TqelGame::PassesClear() {
    qel::ModelLockGuard lock(FDataSet);
    FPasses.clear();
}

void TqelGame::PassesSortOnTime() {
    qel::ModelLockGuard lock(FDataSet);
    std::stable_sort(FPasses.begin(), FPasses.end(), [](const auto& a, const auto& b) {
        return a->TimeBeginInMS() < b->TimeBeginInMS();
    });
}

int32_t TqelGame::PassCount() const {
    qel::ModelLockGuard lock(FDataSet);
    return static_cast<int32_t>(FPasses.size());
}

TqelPasses* TqelGame::PassByIndex(int32_t aIndex) const {
    qel::ModelLockGuard lock(FDataSet);
    if (aIndex < 0) {
        RaiseOutOfRange(aIndex, FPasses.size());
    }
    return static_cast<size_t>(aIndex) < FPasses.size() ? FPasses[aIndex].get() : nullptr;
}

TqelPasses* TqelGame::PassByTime(int32_t aTimeInMS) const {
    qel::ModelLockGuard lock(FDataSet);
    for (const auto& pass : FPasses) {
        if (pass->TimeBeginInMS() <= aTimeInMS && aTimeInMS <= pass->TimeEndInMS()) {
            return pass.get();
        }
    }
    return nullptr;
}

// --- Handball phases ---

TqelHandballGamePhase* TqelGame::PhaseAdd() {
    qel::ModelLockGuard lock(FDataSet);
    ++FLastHandBallGamePhaseID;
    auto phase = std::make_unique<TqelHandballGamePhase>(this, FLastHandBallGamePhaseID);
    phase->setGamePhase(gmpOrganizationalPhase);
    return FHandballGamePhases.emplace_back(std::move(phase)).get();
}

void TqelGame::PhaseDelete(int32_t aIndex) {
    qel::ModelLockGuard lock(FDataSet);
    if (aIndex < 0 || static_cast<size_t>(aIndex) >= FHandballGamePhases.size()) {
        RaiseOutOfRange(aIndex, FHandballGamePhases.size());
    }
    FHandballGamePhases.erase(FHandballGamePhases.begin() + aIndex);
}

void TqelGame::PhaseRemove(TqelHandballGamePhase* aPhase) {
    qel::ModelLockGuard lock(FDataSet);
    std::erase_if(FHandballGamePhases, [aPhase](const auto& aOwn) { return aOwn.get() == aPhase; });
}

void TqelGame::PhasesSortOnTime() {
    qel::ModelLockGuard lock(FDataSet);
    std::stable_sort(
        FHandballGamePhases.begin(), FHandballGamePhases.end(),
        [](const auto& a, const auto& b) { return a->BeginTimeInMS() < b->BeginTimeInMS(); });
    for (size_t i = 0; i < FHandballGamePhases.size(); ++i) {
        FHandballGamePhases[i]->setPhaseIndex(static_cast<int32_t>(i));
    }
}

void TqelGame::PhasesClear() {
    qel::ModelLockGuard lock(FDataSet);
    FHandballGamePhases.clear();
    FLastHandBallGamePhaseID = 0;
}

TqelHandballGamePhase* TqelGame::GethandballGamePhase(int32_t aIndex) const {
    qel::ModelLockGuard lock(FDataSet);
    if (aIndex < 0 || static_cast<size_t>(aIndex) >= FHandballGamePhases.size()) {
        RaiseOutOfRange(aIndex, FHandballGamePhases.size());
    }
    return FHandballGamePhases[aIndex].get();
}

TqelHandballGamePhase* TqelGame::GetPhaseByID(int32_t aID) const {
    qel::ModelLockGuard lock(FDataSet);
    for (const auto& phase : FHandballGamePhases) {
        if (phase->ID() == aID) {
            return phase.get();
        }
    }
    return nullptr;
}

int32_t TqelGame::PhaseCount() const {
    qel::ModelLockGuard lock(FDataSet);
    return static_cast<int32_t>(FHandballGamePhases.size());
}

void TqelGame::ForgetPlayer(const TqelTransponderData* aPlayer) {
    qel::ModelLockGuard lock(FDataSet);
    for (const auto& phase : FHandballGamePhases) {
        phase->ForgetPlayer(aPlayer);
    }
}
