#include "measurement/control/measurement_control.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "database/database_manager.h"
#include "database/prepare_recording.h"
#include "foundation/geometry.h"
#include "foundation/settings/field_settings.h"
#include "measurement/control/antenna_data.h"
#include "measurement/control/antenna_list.h"
#include "measurement/control/transponder_hand_over.h"
#include "measurement/drivers/prepared_transponder_ini.h"
#include "platform/exception.h"

namespace {

double ToDegrees(double aRadians) {
    return aRadians * 180.0 / std::numbers::pi;
}

bool NoGPSZeroPoint(const TqelFieldSettings& aField) {
    return aField.GPSZeroPointLat() == 0 && aField.GPSZeroPointLon() == 0;
}

// The LPM server's transponder ini of the preparation, read on the main window's database;
// empty without a preparation or a database.
QStringList AbatecTransponderIni(TqelPrepareRecording* aPrepRec, bool anAllDisabled) {
    QStringList lines;
    TqelDatabase* database = DatabaseManager ? DatabaseManager->GetDatabase() : nullptr;
    if (aPrepRec && database) {
        TqeldbPrepareRecordings(database).CreateAbatecTPIni(aPrepRec, &lines, anAllDisabled);
    }
    return lines;
}

}  // namespace

TqelMeasurementControl::TqelMeasurementControl(QObject* aParent,
                                               qel::MeasurementSystemFactory aFactory)
    : QObject(aParent), FCycleTimer(new QTimer(this)), FFactory(std::move(aFactory)) {
    FCycleTimer->setInterval(kCycleIntervalMs);
    connect(FCycleTimer, &QTimer::timeout, this, [this] { CycleTimerTimer(); });
    if (!FFactory) {
        FFactory = qel::CreateMeasurementSystem;
    }
}

TqelMeasurementControl::~TqelMeasurementControl() {
    FCycleTimer->stop();
    // The drivers go first: nothing they do while stopping may reach the owner any more.
    FCallback = nullptr;
    FMeasurementSystems.clear();
}

void TqelMeasurementControl::MeasurementSystemAdd(TqelFieldSettings* aField) {
    if (!aField) {
        return;
    }
    const bool roaming = !FMeasurementSystems.empty();
    TqelFieldSettings* baseField = roaming ? FMeasurementSystems.front()->Field() : nullptr;
    if (roaming) {
        if (!baseField || NoGPSZeroPoint(*baseField)) {
            throw Exception(
                QStringLiteral("Base Field is not configured to be used in a roaming setting. No "
                               "GPS coordinates"));
        }
        if (NoGPSZeroPoint(*aField)) {
            throw Exception(QStringLiteral("Field \"%1\" is not configured to be used in a roaming "
                                           "setting. No GPS coordinates")
                                .arg(aField->FieldName()));
        }
    }
    for (const auto& system : FMeasurementSystems) {
        if (system->Field() && system->Field()->FieldID() == aField->FieldID()) {
            return;
        }
    }
    // Held here until appended, so that a field that cannot be placed releases its driver.
    std::unique_ptr<TqelMeasurementSystem> driver = FFactory(*aField, roaming);
    if (!driver) {
        return;
    }
    driver->setCallBack(this);
    driver->SetField(aField);

    aField->InitiateGPSOrientation();
    aField->TransposeClear();
    const RqelPositionRec negativeX = aField->GPStoMetric(
        qel::Latitude(aField->GPSPointNegXLat()), qel::Longitude(aField->GPSPointNegXLon()));
    if (FCallback) {
        FCallback->log(-1,
                       QString::asprintf(
                           "Field \"%s\" Pos Neg X= (%d,%d); Rotation=%d",
                           qUtf8Printable(aField->FieldName()), negativeX.XinMM, negativeX.YinMM,
                           static_cast<int>(std::nearbyint(ToDegrees(aField->GPSFieldAngle())))));
    }
    if (roaming) {
        PlaceRoamingField(*aField, *baseField);
    }
    FMeasurementSystems.push_back(std::move(driver));
}

void TqelMeasurementControl::PlaceRoamingField(TqelFieldSettings& aField,
                                               const TqelFieldSettings& aBaseField) {
    const RqelPositionRec offset = aBaseField.GPStoMetric(qel::Latitude(aField.GPSZeroPointLat()),
                                                          qel::Longitude(aField.GPSZeroPointLon()));
    if (offset.XinMM == 0 && offset.YinMM == 0) {
        throw Exception(QStringLiteral("Field \"%1\" has the same coordinates as the base field so "
                                       "it can't be used in roaming")
                            .arg(aField.FieldName()));
    }
    const double rotation = SnapAngleToAxis(aField.GPSFieldAngle() - aBaseField.GPSFieldAngle());
    aField.setTransposeXinMM(offset.XinMM);
    aField.setTransposeYinMM(offset.YinMM);
    aField.setTransposeRotation(rotation);
    if (FCallback) {
        FCallback->log(-1, QString::asprintf("Field \"%s\" Transpose: X=%d; Y=%d; Angle=%3.2f",
                                             qUtf8Printable(aField.FieldName()), offset.XinMM,
                                             offset.YinMM, ToDegrees(rotation)));
    }
}

void TqelMeasurementControl::setPrepareRecording(TqelPrepareRecording* aValue) {
    FPrepareRecording = aValue;
    FTransponderIni = AbatecTransponderIni(aValue, false);
    // The file is for outside programs; the drivers still get their lists without it.
    QString why;
    if (!qel::WritePreparedTransponderIni(FTransponderIni, &why) && FCallback) {
        FCallback->log(-1, QStringLiteral("Prepared_Transponder.ini not saved: ") + why);
    }
    if (FMeasurementSystems.empty()) {
        return;
    }
    const QString lineEnd = QStringLiteral("\r\n");
    FMeasurementSystems.front()->SetTransponderIni(FTransponderIni.join(lineEnd));
    if (FMeasurementSystems.size() < 2) {
        return;
    }
    // A transponder starts enabled only on the base field's system.
    const QString allDisabled = AbatecTransponderIni(aValue, true).join(lineEnd);
    for (size_t i = 1; i < FMeasurementSystems.size(); ++i) {
        FMeasurementSystems[i]->SetTransponderIni(allDisabled);
    }
}

void TqelMeasurementControl::Startup() {
    for (const auto& system : FMeasurementSystems) {
        system->Initialize();
    }
    SetDataReceiving(true);
}

void TqelMeasurementControl::Stop() {
    SetDataReceiving(false);
    for (const auto& system : FMeasurementSystems) {
        system->Stop();
    }
}

void TqelMeasurementControl::StopMeasurement() {
    SetDataReceiving(false);
    for (const auto& system : FMeasurementSystems) {
        system->StopMeasurement();
    }
}

void TqelMeasurementControl::Clear() {
    Stop();
    FMeasurementSystems.clear();
}

void TqelMeasurementControl::StartDataLogging() {
    for (const auto& system : FMeasurementSystems) {
        system->StartDataLogging();
    }
}

void TqelMeasurementControl::StopDataLogging() {
    for (const auto& system : FMeasurementSystems) {
        system->StopDataLogging();
    }
}

void TqelMeasurementControl::BaseStationsSetNormValues(int32_t aFieldID) {
    for (const auto& system : FMeasurementSystems) {
        if (aFieldID == 0 || (system->Field() && system->Field()->FieldID() == aFieldID)) {
            system->BaseStationsSetNormValues();
        }
    }
}

int32_t TqelMeasurementControl::GetBaseStationsPos(int32_t aFieldID,
                                                   TqelArrayOfPositionRec& aPositions) {
    aPositions.clear();
    for (const auto& system : FMeasurementSystems) {
        if (aFieldID == 0 || (system->Field() && system->Field()->FieldID() == aFieldID)) {
            return system->GetBaseStationsPos(aPositions);
        }
    }
    return 0;
}

TqelMeasurementSystem* TqelMeasurementControl::GetMeasurementSystem(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= Count()) {
        return nullptr;
    }
    return FMeasurementSystems[static_cast<size_t>(anIndex)].get();
}

TqelStartupSequence TqelMeasurementControl::GetStartUpSequence() const {
    if (FMeasurementSystems.empty()) {
        return startNone;
    }
    TqelStartupSequence lowest = startFinished;
    for (const auto& system : FMeasurementSystems) {
        lowest = std::min(lowest, system->GetStartUpSequenceInternal());
    }
    return lowest;
}

bool TqelMeasurementControl::CycleTimerActive() const {
    return FCycleTimer->isActive();
}

void TqelMeasurementControl::SetDataReceiving(bool aValue) {
    FDataReceiving = aValue;
    if (!aValue) {
        FCycleTimer->stop();
    }
}

int32_t TqelMeasurementControl::IndexOf(const TqelMeasurementSystem* aSystem) const {
    for (size_t i = 0; i < FMeasurementSystems.size(); ++i) {
        if (FMeasurementSystems[i].get() == aSystem) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

// ---- Positions and hand-over

void TqelMeasurementControl::positionReceived(TqelMeasurementSystem* aSender,
                                              const RqelPositionRec& aPosition) {
    if (!FDataReceiving) {
        return;
    }
    if (!FCycleTimer->isActive()) {
        FCycleTimer->start();
    }
    const TqelFieldSettings* field = aSender ? aSender->Field() : nullptr;
    if (FCallback) {
        // TransposePos keeps a position at (0, 0) as it is.
        FCallback->positionReceived(this, field ? field->TransposePos(aPosition) : aPosition);
    }
    if (FMeasurementSystems.size() < 2) {
        return;
    }
    TqelAntennaList* antennas = getAntennaList();
    TqelAntennaData* transponder =
        antennas ? antennas->ItemByAntennaID(aPosition.AntennaID) : nullptr;
    if (!transponder) {
        return;
    }
    if (field && field->InMeasurementBox(aPosition)) {
        transponder->setMeasurementSystemLastValidAt(Now());
    } else if (qel::LongerAgoThan(transponder->MeasurementSystemLastValidAt(), kLostAfterMs) &&
               transponder->Quality() < kLostBelowQuality) {
        HandOverTransponder(IndexOf(aSender), aPosition.AntennaID);
    }
}

void TqelMeasurementControl::HandOverTransponder(int32_t anIndex, uint16_t anAntennaID) {
    TqelAntennaList* antennas = getAntennaList();
    TqelAntennaData* transponder = antennas ? antennas->ItemByAntennaID(anAntennaID) : nullptr;
    // Balls and reference transponders stay where they are.
    if (!transponder || transponder->TPRole() != 0) {
        return;
    }
    const bool onThatSystem = anIndex >= 0 && transponder->MeasurementSystemIndex() == anIndex;
    qel::MoveToNextSystem(FMeasurementSystems, *transponder, anAntennaID, anIndex,
                          onThatSystem ? anIndex : -1);
}

void TqelMeasurementControl::CycleTimerTimer() {
    if (FMeasurementSystems.size() < 2) {
        return;
    }
    TqelAntennaList* antennas = getAntennaList();
    if (!antennas) {
        return;
    }
    for (int32_t i = 0; i < antennas->Count(); ++i) {
        TqelAntennaData* transponder = antennas->GetItems(i);
        if (transponder->Enabled() == 0 ||
            !qel::LongerAgoThan(transponder->MeasurementSystemLastValidAt(), kCycleAfterMs)) {
            continue;
        }
        const int32_t index = transponder->MeasurementSystemIndex();
        HandOverTransponder(index >= 0 && index < Count() ? index : -1, transponder->AntennaID());
    }
}

void TqelMeasurementControl::CycleMeasurementSystem(uint16_t anAntennaID) {
    if (FMeasurementSystems.size() < 2) {
        return;
    }
    TqelAntennaList* antennas = getAntennaList();
    TqelAntennaData* transponder = antennas ? antennas->ItemByAntennaID(anAntennaID) : nullptr;
    if (!transponder) {
        return;
    }
    const int32_t index = transponder->MeasurementSystemIndex();
    qel::MoveToNextSystem(FMeasurementSystems, *transponder, anAntennaID, index,
                          index >= 0 && index < Count() ? index : -1);
}

void TqelMeasurementControl::ActivateTransponder(uint16_t anAntennaID) {
    if (!FMeasurementSystems.empty()) {
        HandOverTransponder(-1, anAntennaID);
    }
}

void TqelMeasurementControl::DeactivateTransponder(uint16_t anAntennaID) {
    for (const auto& system : FMeasurementSystems) {
        system->DeactivateTransponder(anAntennaID);
    }
}

// ---- Reports of the drivers

void TqelMeasurementControl::log(TqelMeasurementSystem* aSender, const QString& aText) {
    if (FCallback) {
        FCallback->log(IndexOf(aSender), aText);
    }
}

void TqelMeasurementControl::status(TqelMeasurementSystem* aSender, int32_t aMessageID,
                                    const QString& aText) {
    if (FCallback) {
        FCallback->status(IndexOf(aSender), aMessageID, aText);
    }
}

void TqelMeasurementControl::error(TqelMeasurementSystem* aSender, int32_t aMessageID,
                                   const QString& aText) {
    if (FCallback) {
        FCallback->error(IndexOf(aSender), aMessageID, aText);
    }
}

void TqelMeasurementControl::stateChanged(TqelMeasurementSystem* aSender,
                                          TqelStartupSequence aState) {
    if (FCallback) {
        FCallback->stateChanged(IndexOf(aSender), aState);
    }
}

void TqelMeasurementControl::event(TqelMeasurementSystem* aSender, uint8_t anEventCode,
                                   int32_t aParameter) {
    if (FCallback) {
        FCallback->event(aSender, anEventCode, aParameter);
    }
}

TqelAntennaList* TqelMeasurementControl::getAntennaList() {
    return FCallback ? FCallback->getAntennaList() : nullptr;
}
