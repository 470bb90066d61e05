#include "measurement/clients/transponder_administration.h"

#include "database/available_transponders.h"
#include "database/database_manager.h"
#include "database/prepare_recording.h"
#include "measurement/clients/client_broadcasts.h"
#include "measurement/clients/lpm_server.h"

namespace qel {

namespace {

// Transponders below this reception quality (percent) are taken to be off the field.
constexpr int32_t kOnFieldQuality = 10;

// Inventory rows made for transponders a measurement system reported.
constexpr int32_t kReportedSetId = 101;

template <typename F>
void ForEachTransponder(TqelAntennaList& aList, F&& aCall) {
    for (int32_t i = 0; i < aList.Count(); ++i) {
        aCall(*aList.GetItems(i));
    }
}

}  // namespace

void TransponderAdministration::TransponderEnable(uint16_t anAntennaID, int32_t aState) {
    if (TqelAntennaData* transponder = FServer.FAntennaList->ItemByAntennaID(anAntennaID)) {
        transponder->setEnabled(aState);
    }
}

void TransponderAdministration::TransponderEnableAll() {
    ForEachTransponder(*FServer.FAntennaList, [](TqelAntennaData& aTransponder) {
        if (aTransponder.Enabled() == 0) {
            aTransponder.setEnabled(1);
        }
    });
}

void TransponderAdministration::TransponderDisableAll() {
    ForEachTransponder(*FServer.FAntennaList, [](TqelAntennaData& aTransponder) {
        if (aTransponder.Enabled() != 0) {
            aTransponder.setEnabled(0);
        }
    });
}

void TransponderAdministration::TransponderDisableOffField() {
    ForEachTransponder(*FServer.FAntennaList, [](TqelAntennaData& aTransponder) {
        if (aTransponder.Enabled() != 0 && aTransponder.Quality() < kOnFieldQuality) {
            aTransponder.setEnabled(0);
        }
    });
}

void TransponderAdministration::ChangeAthletesVest(const QString& anOldVestID,
                                                   const QString& aNewVestID) {
    TqelAntennaList& list = *FServer.FAntennaList;
    TqelAntennaData* oldVest = list.ItemByVestID(anOldVestID);
    TqelAntennaData* newVest = list.ItemByVestID(aNewVestID);
    if (oldVest) {
        oldVest->setEnabled(0);
        if (newVest) {
            newVest->setAthleteName(oldVest->AthleteName());
        }
    }
    if (newVest) {
        newVest->setEnabled(1);
    }
    FServer.FRecorder->ChangeAthletesVest(anOldVestID, aNewVestID);
    FServer.FBroadcasts->SendChangeAthletesVest(anOldVestID, aNewVestID);
}

void TransponderAdministration::SaveTranspondersMacAddress() {
    TqelDatabase* database = ::DatabaseManager ? ::DatabaseManager->GetDatabase() : nullptr;
    if (!database) {
        FServer.Log(QStringLiteral(
            "TqelLPMServer.SaveTranspondersMacAddress: no database, MAC addresses not stored"));
        return;
    }
    TqeldbAvailableTransponders inventory(database);
    inventory.GetAll();
    TqelPrepareRecording* preparation = FServer.FPreparation;
    ForEachTransponder(*FServer.FAntennaList, [&](TqelAntennaData& aTransponder) {
        const int32_t antenna = aTransponder.AntennaID();
        const QString mac = aTransponder.MacAddress();
        if (TqelAvailableTransponder* row = inventory.GetATPByAntenna1ID(antenna)) {
            if (row->MACAddress() == mac || !preparation) {
                return;
            }
            TqelPrepareTransponder* prepared =
                preparation->TransponderByAntenna(static_cast<uint16_t>(antenna));
            if (prepared && prepared->MacAddress() != mac) {
                prepared->setMacAddress(mac);
                inventory.SaveATPMacAddress(prepared->ATPid(), mac);
            }
            return;
        }
        TqelAvailableTransponder* row = inventory.AddAvailableTP();
        row->setAntenna1ID(antenna);
        row->setMACAddress(mac);
        row->setDescription(QStringLiteral("ZXY%1").arg(antenna, 3));
        row->setSetId(kReportedSetId);
        row->setCombined(false);
        row->setTPRole(0);
        row->setForceHosand(false);
        inventory.Save(row);
    });
}

}  // namespace qel
