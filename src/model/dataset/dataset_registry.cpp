// The dataset's transponder registry: adding, finding, removing and renumbering transponders,
// with the antenna and id tables kept in step with the list.
#include <algorithm>

#include "database/athletes.h"
#include "database/available_transponders.h"
#include "database/datasets/player_to_transponder.h"
#include "database/datasets/transponder_rows.h"
#include "database/prepare_recording.h"
#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/transponder/laps_sectors.h"
#include "model/transponder/transponder_data.h"

namespace {

// An antenna without a prepared transponder that stands for no athlete.
constexpr int32_t UnassignedAntennaID = 16;
constexpr uint32_t BallColor = 0xFFFFFF;
constexpr uint32_t TrackingColor = 0xFF0000;
constexpr uint32_t AthleteColor = 255;

bool IsAsciiLetter(QChar aChar) {
    const char16_t c = aChar.unicode();
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

int32_t AntennaOfSlot(const TqelTransponderData& aTransponder, int32_t aSlot) {
    switch (aSlot) {
        case 1:
            return aTransponder.Antenna1ID();
        case 2:
            return aTransponder.Antenna2ID();
        case 3:
            return aTransponder.Antenna3ID();
        default:
            return aTransponder.Antenna4ID();
    }
}

// The athlete values an object without a known athlete starts with.
void SetAnonymousAthlete(TqelTransponderData& aTransponder, const QString& aName, uint32_t aColor,
                         int32_t aMaxHeartbeat, double aMaxSpeed) {
    aTransponder.setAthleteName(aName);
    aTransponder.setAthleteCategory(QString());
    aTransponder.setAthleteColor(aColor);
    aTransponder.setAthleteMaxHeartbeat(aMaxHeartbeat);
    aTransponder.setAthleteMaxSpeed(aMaxSpeed);
    aTransponder.setAthleteMaxAcceleration(7);
    aTransponder.setAthleteMaxDeceleration(7);
    aTransponder.setShirtNumber(0);
    aTransponder.setAthleteWeight(80);
    aTransponder.setAthleteHeight(1.8);
    aTransponder.setAthleteFTP(0);
    aTransponder.setAthleteFTPtime(0);
}

}  // namespace

// What AddTransponder settles before the transponder joins the list, so that a refused one
// leaves nothing behind.
struct TqelDataset::NewTransponderPlan {
    bool Registered = true;
    int32_t TPid = 0;
    QString VestID;
    int32_t PlayerID = 0;
    int32_t DefaultPlayerKey = 0;
    TqelPrepareTransponder* PrepTP = nullptr;
    TqelAvailableTransponder* Available = nullptr;
};

TqelTransponderData* TqelDataset::AddTransponder(int32_t anAntennaID,
                                                 TqelPrepareTransponder* aPrepTP,
                                                 int32_t aPlayerId) {
    if (!qel::AntennaTable::InRange(anAntennaID)) {
        throw qel::ETransponderRefused(QStringLiteral("The antenna id %1 lies outside 0..%2")
                                           .arg(anAntennaID)
                                           .arg(qel::AntennaTable::Size - 1));
    }
    const qel::AntennaEntry entry = FAntennaToTransponderID.Entry(anAntennaID);
    if (entry.TransponderIndex != -1) {
        return FTransponders.At(entry.TransponderIndex);
    }
    const NewTransponderPlan plan = PlanTransponder(anAntennaID, aPrepTP, aPlayerId);

    auto owned = std::make_unique<TqelTransponderData>(this, false);
    TqelTransponderData* transponder = owned.get();
    const int32_t index = FTransponders.Append(std::move(owned));
    try {
        transponder->setAntenna1ID(static_cast<uint16_t>(anAntennaID));
        transponder->SetTPIndex(index);
        FAntennaToTransponderID.Set(anAntennaID, {static_cast<int16_t>(index), 1});
        if (!plan.Registered) {
            FTransponders.Publish();
            return transponder;
        }
        transponder->setVestID(plan.VestID);
        FMaxTransponderID = std::max(FMaxTransponderID, plan.TPid);
        FTransponderIDToIndex.Set(plan.TPid, index);
        transponder->setTPid(plan.TPid);
        AssignProperties(*transponder, index, plan);
    } catch (...) {
        UnregisterAntennas(*transponder);
        if (FTransponderIDToIndex.Index(plan.TPid) == index) {
            FTransponderIDToIndex.Set(plan.TPid, -1);
        }
        FTransponders.DropPending();
        throw;
    }
    // Counted only now, complete, for the readers on the cadence thread.
    FTransponders.Publish();
    transponder->setInitialized(true);
    transponder->InitLiveDBPosition();
    NotifyItemAdded(transponder, itemTransponder, plan.TPid);
    return transponder;
}

TqelDataset::NewTransponderPlan TqelDataset::PlanTransponder(int32_t anAntennaID,
                                                             TqelPrepareTransponder* aPrepTP,
                                                             int32_t aPlayerId) {
    NewTransponderPlan plan;
    plan.PrepTP = aPrepTP;
    plan.DefaultPlayerKey = anAntennaID / 100;
    if (aPrepTP) {
        plan.TPid = aPrepTP->TPid();
        plan.VestID = aPrepTP->VestID();
        plan.PlayerID = aPrepTP->PlrId();
        if (plan.PlayerID == 0 && FDBPrepareRecordings) {
            plan.Available = AvailableByAntenna(anAntennaID);
        }
    } else {
        if (anAntennaID == UnassignedAntennaID) {
            plan.Registered = false;
            return plan;
        }
        const int32_t digit = (anAntennaID % 100) / 10;
        const QString prefix = digit == 0 ? QString() : QString::number(digit);
        if (FDBPrepareRecordings) {
            if (FPrepareRec) {
                int32_t tpid = static_cast<uint16_t>(FPrepareRec->MaxTransponderID() + 1);
                if (tpid < FMaxTransponderID) {
                    tpid = FMaxTransponderID + 1;
                }
                plan.TPid = NextFreeTPid(tpid);
            } else {
                plan.TPid = FMaxTransponderID + 1;
            }
            plan.Available = AvailableByAntenna(anAntennaID);
            plan.VestID = plan.Available ? plan.Available->Description()
                                         : prefix + QString::number(plan.TPid);
        } else {
            plan.TPid = NextFreeTPid(1);
            plan.VestID = prefix + QString::number(anAntennaID / 100);
        }
        plan.PlayerID = aPlayerId;
    }
    if (!qel::TransponderIDTable::InRange(plan.TPid)) {
        throw qel::ETransponderRefused(
            QStringLiteral("The transponder id %1 of antenna %2 lies outside 0..%3")
                .arg(plan.TPid)
                .arg(anAntennaID)
                .arg(qel::TransponderIDTable::MaxID));
    }
    return plan;
}

int32_t TqelDataset::NextFreeTPid(int32_t aFirst) const {
    int32_t tpid = aFirst;
    while (tpid <= qel::TransponderIDTable::MaxID && GetTransponderByTP(tpid)) {
        ++tpid;
    }
    return tpid;
}

// A failing look-up must not stop the transponder from joining: it counts as finding nothing.
TqelAvailableTransponder* TqelDataset::AvailableByAntenna(int32_t anAntennaID) {
    try {
        return FDBPrepareRecordings->GetAvailableByAntenna(anAntennaID);
    } catch (const std::exception& e) {
        LogMessage(QStringLiteral("Inventory look-up of antenna %1 failed: %2")
                       .arg(anAntennaID)
                       .arg(QString::fromUtf8(e.what())));
        return nullptr;
    }
}

TqeldbPlayer* TqelDataset::LocatePlayer(int32_t aPlayerID, int32_t aDefaultKey) {
    if (!FDBPlayers) {
        return nullptr;
    }
    try {
        return aPlayerID != 0 ? FDBPlayers->Locate(aPlayerID)
                              : FDBPlayers->LocateDefault(aDefaultKey);
    } catch (const std::exception& e) {
        LogMessage(QStringLiteral("Athlete look-up of player %1 failed: %2")
                       .arg(aPlayerID)
                       .arg(QString::fromUtf8(e.what())));
        return nullptr;
    }
}

void TqelDataset::AssignProperties(TqelTransponderData& aTransponder, int32_t anIndex,
                                   const NewTransponderPlan& aPlan) {
    TqelPrepareTransponder* prep = aPlan.PrepTP;
    if (TqeldbPlayer* player = LocatePlayer(aPlan.PlayerID, aPlan.DefaultPlayerKey)) {
        aTransponder.DBTransponder().AssignPlayer(*player);
        AssignPlayerToTransponderData(*player, aTransponder, nrpFirstLast);
        if (!prep) {
            return;
        }
        if (prep->PlrId() != 0) {
            aTransponder.setAthleteName(prep->AthleteName());
        }
        aTransponder.setShortCutChar(prep->ShortcutChar());
        RegisterAntenna(aTransponder, anIndex, 1, prep->Antenna1ID());
        if (!prep->Combined()) {
            RegisterAntenna(aTransponder, anIndex, 2, prep->Antenna2ID());
            RegisterAntenna(aTransponder, anIndex, 3, prep->Antenna3ID());
            RegisterAntenna(aTransponder, anIndex, 4, prep->Antenna4ID());
        }
        return;
    }
    if (const TqelAvailableTransponder* available = aPlan.Available) {
        RegisterAntenna(aTransponder, anIndex, 1, available->Antenna1ID());
        RegisterAntenna(aTransponder, anIndex, 2, available->Antenna2ID());
        RegisterAntenna(aTransponder, anIndex, 3, available->Antenna3ID());
        RegisterAntenna(aTransponder, anIndex, 4, available->Antenna4ID());
        const int32_t role = available->TPRole();
        if (role < roleAthlete || role > rolePlayerTrackingVaruza) {
            return;
        }
        aTransponder.setRole(static_cast<TqelTransponderRole>(role));
        if (role == roleBall) {
            aTransponder.setAthleteName(QStringLiteral("Ball"));
            aTransponder.setAthleteColor(BallColor);
        } else if (role == rolePlayerTrackingVaruza) {
            SetAnonymousAthlete(aTransponder, QString(), TrackingColor, 0, FMaxSpeed);
        } else {
            const QString name = prep && !prep->AthleteName().isEmpty()
                                     ? prep->AthleteName()
                                     : QStringLiteral("Unknown athlete");
            SetAnonymousAthlete(aTransponder, name, AthleteColor, 200, FMaxSpeed);
        }
        return;
    }
    const RqelTransponderDefaults defaults =
        ClientConfig()->getTransponderDefault(aTransponder.TPid());
    aTransponder.setRole(defaults.Role);
    aTransponder.setAthleteName(defaults.AthleteName);
    aTransponder.setAthleteCategory(defaults.Category);
    aTransponder.setAthleteColor(defaults.Color);
    aTransponder.setAthleteMaxHeartbeat(defaults.MaxHeartbeat);
    aTransponder.setAthleteMaxSpeed(defaults.MaxSpeed);
    aTransponder.setAthleteMaxAcceleration(defaults.MaxAcceleration);
    aTransponder.setAthleteMaxDeceleration(defaults.MaxAcceleration);
    aTransponder.setShirtNumber(defaults.ShirtNum);
    aTransponder.setAthleteWeight(defaults.Weight);
    aTransponder.setAthleteHeight(defaults.Height);
    aTransponder.setAthleteFTP(defaults.FTP);
    aTransponder.setAthleteFTPtime(defaults.FTPtime);
}

// A further antenna 0 is none; one outside the table cannot be found by, so it is not taken
// either.
void TqelDataset::RegisterAntenna(TqelTransponderData& aTransponder, int32_t anIndex, int32_t aSlot,
                                  int32_t anAntennaID) {
    if (anAntennaID == 0 || !qel::AntennaTable::InRange(anAntennaID)) {
        return;
    }
    const auto id = static_cast<uint16_t>(anAntennaID);
    switch (aSlot) {
        case 1:
            aTransponder.setAntenna1ID(id);
            break;
        case 2:
            aTransponder.setAntenna2ID(id);
            break;
        case 3:
            aTransponder.setAntenna3ID(id);
            break;
        default:
            aTransponder.setAntenna4ID(id);
            break;
    }
    FAntennaToTransponderID.Set(anAntennaID,
                                {static_cast<int16_t>(anIndex), static_cast<uint8_t>(aSlot)});
}

void TqelDataset::UnregisterAntennas(const TqelTransponderData& aTransponder) {
    FAntennaToTransponderID.SetIndex(aTransponder.Antenna1ID(), -1);
    for (int32_t slot = 2; slot <= 4; ++slot) {
        if (const int32_t antenna = AntennaOfSlot(aTransponder, slot)) {
            FAntennaToTransponderID.SetIndex(antenna, -1);
        }
    }
}

int32_t TqelDataset::AntennaIndex(int32_t anAntennaID) const {
    return FAntennaToTransponderID.Entry(anAntennaID).Slot;
}

void TqelDataset::setAntennaEntry(int32_t anAntennaID, const qel::AntennaEntry& anEntry) {
    FAntennaToTransponderID.Set(anAntennaID, anEntry);
}

TqelTransponderData* TqelDataset::GetTransponderByAtenna(int32_t anAntennaID) const {
    return FTransponders.At(FAntennaToTransponderID.Entry(anAntennaID).TransponderIndex);
}

TqelTransponderData* TqelDataset::GetTransponderByTP(int32_t aTPID) const {
    return FTransponders.At(FTransponderIDToIndex.Index(aTPID));
}

TqelTransponderData* TqelDataset::GetTransponderByExternalID(const QString& anExternalID) const {
    for (int32_t i = 0; i < FTransponders.Count(); ++i) {
        TqelTransponderData* transponder = FTransponders.At(i);
        if (transponder->ExternalID().compare(anExternalID, Qt::CaseInsensitive) == 0) {
            return transponder;
        }
    }
    return nullptr;
}

TqelTransponderData* TqelDataset::GetTransponderByName(const QString& aAthleteName) const {
    for (int32_t i = 0; i < FTransponders.Count(); ++i) {
        TqelTransponderData* transponder = FTransponders.At(i);
        if (transponder->AthleteName().compare(aAthleteName, Qt::CaseInsensitive) == 0) {
            return transponder;
        }
    }
    return nullptr;
}

TqelTransponderData* TqelDataset::TransponderByLastPartOfName(const QString& aAthleteName) const {
    QString text = aAthleteName;
    // Each round drops the trailing word and the character before it, so the text shrinks.
    while (!text.isEmpty()) {
        qsizetype wordStart = text.size();
        while (wordStart > 0 && IsAsciiLetter(text[wordStart - 1])) {
            --wordStart;
        }
        const QString word = text.mid(wordStart).trimmed();
        if (word.size() >= 3) {
            TqelTransponderData* last = nullptr;
            TqelTransponderData* lastWithInitial = nullptr;
            int32_t candidates = 0;
            for (int32_t i = 0; i < FTransponders.Count(); ++i) {
                TqelTransponderData* transponder = FTransponders.At(i);
                const QString name = transponder->AthleteName();
                if (!name.contains(word, Qt::CaseSensitive)) {
                    continue;
                }
                ++candidates;
                last = transponder;
                if (name.startsWith(text[0], Qt::CaseSensitive)) {
                    lastWithInitial = transponder;
                }
            }
            if (candidates > 1 && lastWithInitial) {
                return lastWithInitial;
            }
            if (last) {
                return last;
            }
        }
        text = wordStart >= 1 ? text.left(wordStart - 1) : QString();
    }
    return nullptr;
}

TqelTransponderSet TqelDataset::ArrayOfAntennaIDsToTransponderSet(
    std::span<const uint16_t> aValue) const {
    TqelTransponderSet result;
    for (const uint16_t antenna : aValue) {
        if (const TqelTransponderData* transponder = GetTransponderByAtenna(antenna)) {
            result.include(transponder->TPid());
        }
    }
    return result;
}

int32_t TqelDataset::MaxTPid() const {
    int32_t result = 0;
    for (int32_t i = 0; i < FTransponders.Count(); ++i) {
        result = std::max(result, FTransponders.At(i)->TPid());
    }
    return result;
}

void TqelDataset::removeTransponder(int32_t aTransponderIndex) {
    if (Recording()) {
        throw Exception(QStringLiteral("It is not possible to remove an athlete during recording"));
    }
    TqelTransponderData* transponder = FTransponders.Get(aTransponderIndex);
    if (FSelectedTransponder == transponder) {
        FSelectedTransponder = nullptr;
    }
    if (FSelectedLap && FSelectedLap->Transponder() == transponder) {
        setSelectedLap(nullptr);
    }
    const int32_t tpid = transponder->TPid();
    NotifyItemDeleting(transponder, itemTransponder, tpid);
    {
        std::lock_guard lock(FModelLock);
        for (int32_t i = transponder->GroupCount() - 1; i >= 0; --i) {
            if (i < transponder->GroupCount()) {
                transponder->getGroup(i)->DeleteMember(*transponder, false);
            }
        }
        // No handball phase may keep using the freed transponder.
        for (const auto& game : FGames) {
            game->ForgetPlayer(transponder);
        }
    }
    UnregisterAntennas(*transponder);
    FTransponders.Extract(aTransponderIndex).reset();
    RebuildTables();
    NotifyItemDeleted(itemTransponder, tpid);
    SetModified(true);
}

void TqelDataset::RebuildTables() {
    FTransponderIDToIndex.Reset(FTransponderIDToIndex.Size());
    for (int32_t i = 0; i < FTransponders.Count(); ++i) {
        TqelTransponderData* transponder = FTransponders.At(i);
        if (qel::TransponderIDTable::InRange(transponder->TPid())) {
            FTransponderIDToIndex.Set(transponder->TPid(), i);
        }
        transponder->SetTPIndex(i);
        FAntennaToTransponderID.SetIndex(transponder->Antenna1ID(), i);
        for (int32_t slot = 2; slot <= 4; ++slot) {
            if (const int32_t antenna = AntennaOfSlot(*transponder, slot)) {
                FAntennaToTransponderID.SetIndex(antenna, i);
            }
        }
    }
}

void TqelDataset::RenumberTransponders() {
    {
        std::lock_guard lock(FModelLock);
        for (const auto& group : FGroups) {
            group->ClearMembers();
        }
    }
    const int32_t count = FTransponders.Count();
    FTransponderIDToIndex.Reset(count);
    for (int32_t i = 0; i < count; ++i) {
        FTransponders.At(i)->setTPid(i);
        FTransponderIDToIndex.Set(i, i);
    }
}

void TqelDataset::HandleTransponderFromOther(const TqelTransponderData& aTransponder) {
    TqelTransponderData* local = GetTransponderByAtenna(aTransponder.Antenna1ID());
    if (!local) {
        return;
    }
    local->AssignFromOther(aTransponder);
    notifyTransponderChanged(local);
    if (Recording() && StoreLivePositions() && FDBTransponders) {
        FDBTransponders->Save(&local->DBTransponder());
    }
}
