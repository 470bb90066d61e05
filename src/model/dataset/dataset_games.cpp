#include <algorithm>
#include <cmath>

#include "app/translation.h"
#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "platform/exception.h"
#include "platform/format_text.h"
#include "platform/text_compare.h"

namespace {

constexpr double MsPerDay = 86400000.0;
constexpr int64_t MsPerMinute = 60000;

int32_t DefaultTeamCount(TqelGameType aGameType) {
    switch (aGameType) {
        case gameMatch:
            return 2;
        case gameExercise:
            return 1;
        default:
            return 0;
    }
}

// Whole equality as single-precision values: a range of 0 is a small relative tolerance.
bool SameValue(float aLeft, float aRight, float aRange) {
    constexpr float Resolution = 1e-4f;
    if (aRange == 0) {
        aRange = std::max(std::min(std::fabs(aLeft), std::fabs(aRight)) * Resolution, Resolution);
    }
    return std::fabs(aLeft - aRight) <= aRange;
}

// The hexadecimal number of aLength characters from aStart; 0 when they are none.
int32_t HexField(const QString& aCode, int aStart, int aLength) {
    bool ok = false;
    const int32_t value = static_cast<int32_t>(aCode.mid(aStart, aLength).toUInt(&ok, 16));
    return ok ? value : 0;
}

}  // namespace

TqelGame* TqelDataset::addGame(int32_t aPlayPosInMS, TqelGameType aGameType, int32_t aTeamCount,
                               const QString& aGameName) {
    if (FGames.empty()) {
        setBeginTraining(TimeOf(Timestamp() + aPlayPosInMS / MsPerDay));
    }
    auto owned = std::make_unique<TqelGame>(this, ++FLastGameID, aGameType);
    TqelGame* game = owned.get();
    game->setName(aGameName);
    game->setBeginTimeInMS(aPlayPosInMS);
    const int32_t teams = aTeamCount == -1 ? DefaultTeamCount(aGameType) : aTeamCount;
    for (int32_t i = 1; i <= teams; ++i) {
        game->AddTeam(qel::Format(qel::Translate("Team %d"), {i}));
    }
    {
        std::lock_guard lock(FModelLock);
        FGames.push_back(std::move(owned));
    }
    RecalculatePartsRestTime();
    NotifyItemAdded(game, itemGame, game->ID());
    return game;
}

TqelGame* TqelDataset::AddGameWithParts(TqelGame* aSourceGame, int32_t aPartDurationMin,
                                        const QString&) {
    TqelGame* game = addGame(aSourceGame->BeginTimeInMS(), aSourceGame->GameType(),
                             aSourceGame->TeamCount(), aSourceGame->Name());
    // Its change notices wait until it is filled.
    game->setInitialized(false);
    game->setEndTimeInMS(aSourceGame->EndTimeInMS());
    int32_t n = 1;
    const int64_t slice = int64_t{aPartDurationMin} * MsPerMinute;
    for (int32_t i = 1; i < aSourceGame->PartCount(); ++i) {
        const TqelGamePart& part = *aSourceGame->GetPart(i);
        int64_t begin = part.BeginTimeInMS();
        const int64_t end = part.EndTimeInMS();
        // A slice of 0 or less would never reach the end: the period stays whole.
        if (slice > 0) {
            for (int64_t sliceEnd = begin + slice; sliceEnd + slice < end; sliceEnd += slice) {
                game->AddPart(QStringLiteral("Part %1").arg(n++), -1, static_cast<int32_t>(begin),
                              static_cast<int32_t>(sliceEnd), true);
                begin = sliceEnd;
            }
        }
        game->AddPart(QStringLiteral("Part %1").arg(n++), -1, static_cast<int32_t>(begin),
                      static_cast<int32_t>(end), true);
    }
    for (int32_t i = 0; i < std::min(game->TeamCount(), aSourceGame->TeamCount()); ++i) {
        game->GetTeam(i)->AssignFromOther(*aSourceGame->GetTeam(i));
    }
    game->setInitialized(true);
    game->setChanged(true);
    return game;
}

TqelGame* TqelDataset::ActiveGame(int32_t aPlayPosInMS) const {
    std::lock_guard lock(FModelLock);
    for (const auto& game : FGames) {
        if (!game->GameIsEnded() ||
            (game->BeginTimeInMS() <= aPlayPosInMS && aPlayPosInMS <= game->EndTimeInMS())) {
            return game.get();
        }
    }
    return nullptr;
}

TqelGame* TqelDataset::GameByTime(int32_t aTimeInMS) const {
    return ActiveGame(aTimeInMS);
}

TqelGame* TqelDataset::GameByGUID(const QUuid& aGUID) const {
    for (const auto& game : FGames) {
        if (game->GUID() == aGUID) {
            return game.get();
        }
    }
    return nullptr;
}

TqelGame* TqelDataset::GameByName(const QString& aName) const {
    for (const auto& game : FGames) {
        if (qel::SameText(game->Name(), aName)) {
            return game.get();
        }
    }
    return nullptr;
}

TqelGame* TqelDataset::getGame(int32_t anIndex) const {
    if (anIndex < 0) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list").arg(anIndex));
    }
    return anIndex < GameCount() ? FGames[static_cast<size_t>(anIndex)].get() : nullptr;
}

TqelGame* TqelDataset::getGameByID(int32_t aID) const {
    for (const auto& game : FGames) {
        if (game->ID() == aID) {
            return game.get();
        }
    }
    return nullptr;
}

int32_t TqelDataset::NumberGames(TqelGameType aGameType) const {
    return static_cast<int32_t>(
        std::count_if(FGames.begin(), FGames.end(),
                      [aGameType](const auto& aGame) { return aGame->GameType() == aGameType; }));
}

TqelGame* TqelDataset::GetGameByPartCode(const QString& aPartCode) const {
    return getGameByID(HexField(aPartCode, 0, 4));
}

TqelGamePart* TqelDataset::GetGamePartByCode(const QString& aPartCode) const {
    TqelGame* game = GetGameByPartCode(aPartCode);
    return game ? game->GetPartByID(HexField(aPartCode, 4, 4)) : nullptr;
}

TqelGamePart* TqelDataset::GamePartByTime(int32_t) const {
    return nullptr;
}

void TqelDataset::ForgetGamePart(const TqelGamePart* aPart) {
    std::lock_guard lock(FModelLock);
    if (FSelectedPart == aPart) {
        setSelectedPart(nullptr);
    }
    if (FLastPart == aPart) {
        FLastPart = nullptr;
    }
    for (const auto& group : FGroups) {
        if (group->Part() == aPart) {
            group->setPart(nullptr);
        }
    }
}

void TqelDataset::ForgetGame(const TqelGame* aGame) {
    std::lock_guard lock(FModelLock);
    if (FSelectedGame == aGame) {
        setSelectedGame(nullptr);
    }
    if (FSelectedExercise == aGame) {
        setSelectedExercise(nullptr);
    }
    for (int32_t i = 0; i < aGame->PartCount(); ++i) {
        ForgetGamePart(aGame->GetPart(i));
    }
    for (const auto& group : FGroups) {
        if (group->Game() == aGame) {
            group->setGame(nullptr);
        }
    }
}

void TqelDataset::deleteGame(TqelGame* aGame) {
    if (!aGame || (aGame->ClockBasedGame() && Recording())) {
        return;
    }
    const int32_t id = aGame->ID();
    NotifyItemDeleting(aGame, itemGame, id);
    {
        std::lock_guard lock(FModelLock);
        const auto found = std::find_if(FGames.begin(), FGames.end(),
                                        [aGame](const auto& aOwn) { return aOwn.get() == aGame; });
        if (found != FGames.end()) {
            for (int32_t i = aGame->TeamCount() - 1; i >= 0; --i) {
                aGame->DeleteTeam(i);
            }
            ForgetGame(aGame);
            FGames.erase(found);
        }
    }
    NotifyItemDeleted(itemGame, id);
}

void TqelDataset::clearGames() {
    {
        std::lock_guard lock(FModelLock);
        for (const auto& game : FGames) {
            ForgetGame(game.get());
        }
        FGames.clear();
    }
    NotifyItemsCleared(itemGame);
}

TqelGame* TqelDataset::HandleGameFromOther(const TqelGame& aGame) {
    TqelGame* game = GameByGUID(aGame.GUID());
    if (!game) {
        game = addGame(aGame.BeginTimeInMS(), aGame.GameType(), 0, QString());
    }
    game->AssignFromOther(aGame);
    notifyGameChanged(game);
    return game;
}

QString TqelDataset::FindClosestGamePartName(int32_t aPlayPosInMS, int32_t aRange) const {
    QString result;
    int64_t best = int64_t{aRange} + 1;
    auto consider = [&](int32_t aBoundary, const char* aLabel, const TqelGamePart& aPart) {
        const int64_t distance = std::llabs(int64_t{aBoundary} - aPlayPosInMS);
        if (SameValue(static_cast<float>(aBoundary), static_cast<float>(aPlayPosInMS),
                      static_cast<float>(aRange)) &&
            distance < best) {
            result = qel::Translate(aLabel) + QStringLiteral(" ") + aPart.GamePartName();
            best = distance;
        }
    };
    for (const auto& game : FGames) {
        for (int32_t i = 0; i < game->PartCount(); ++i) {
            const TqelGamePart& part = *game->GetPart(i);
            consider(part.BeginTimeInMS(), "Begin", part);
            consider(part.EndTimeInMS(), "End", part);
        }
    }
    return result;
}

void TqelDataset::setSelectedGame(TqelGame* aValue) {
    FSelectedGame = aValue;
    NotifyItemSelected(aValue, itemGame, aValue ? aValue->ID() : 0);
}

void TqelDataset::setSelectedExercise(TqelGame* aValue) {
    FSelectedExercise = aValue;
    NotifyItemSelected(aValue, itemGame, aValue ? aValue->ID() : 0);
}

void TqelDataset::setSelectedPart(TqelGamePart* aValue) {
    FSelectedPart = aValue;
    NotifyItemSelected(aValue, itemGamePart, aValue ? aValue->ID() : 0);
}

void TqelDataset::notifyGameChanged(TqelGame* aGame) {
    NotifyItemChanged(aGame, itemGame, aGame->ID());
}

void TqelDataset::notifyGamePartChanged(TqelGamePart* aGamePart) {
    NotifyItemChanged(aGamePart, itemGamePart, aGamePart->ID());
}

// --- Rest times ---

void TqelDataset::setLastPart(TqelGamePart* aValue) {
    std::lock_guard lock(FModelLock);
    FLastPart = aValue;
}

void TqelDataset::RecalculatePartsRestTime() {
    std::lock_guard lock(FModelLock);
    std::vector<TqelGamePart*> parts;
    for (const auto& game : FGames) {
        if (game->PartCount() == 1) {
            parts.push_back(game->GetPart(0));
        }
        for (int32_t i = 1; i < game->PartCount(); ++i) {
            parts.push_back(game->GetPart(i));
        }
    }
    if (parts.empty()) {
        return;
    }
    // Equal begins keep their game and part order (a stable sort).
    std::vector<size_t> order(parts.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&parts](size_t aLeft, size_t aRight) {
        const int32_t left = parts[aLeft]->BeginTimeInMS();
        const int32_t right = parts[aRight]->BeginTimeInMS();
        return left != right ? left < right : aLeft < aRight;
    });
    std::vector<TqelGamePart*> sorted;
    sorted.reserve(parts.size());
    for (const size_t i : order) {
        sorted.push_back(parts[i]);
    }
    parts.swap(sorted);
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        parts[i]->setRestTimeInMS(parts[i + 1]->BeginTimeInMS() - parts[i]->EndTimeInMS());
    }
    FLastPart = parts.back();
    if (!Recording()) {
        FLastPart->setRestTimeInMS(0);
    }
    setEndTraining(TimeOf(Timestamp() + FLastPart->EndTimeInMS() / MsPerDay));
}

void TqelDataset::updatePartsRestTime() {
    std::lock_guard lock(FModelLock);
    if (FLastPart && FLastPart->PartIsEnded()) {
        FLastPart->setRestTimeInMS(DurationInMS() - FLastPart->EndTimeInMS());
    }
}
