#include "measurement/drivers/measurement_system.h"

#include "foundation/logging/log_window_core.h"
#include "foundation/settings/field_settings.h"
#include "platform/exception.h"
#include "platform/numbers.h"
#include "platform/queued_call.h"

void TBaseStation::setDBValue(uint8_t aValue) {
    if (aValue != 0) {
        FLastDBReceived = Now();
    }
    FDBValue = aValue;
    FFilterdDBValue += aValue;
    ++FFilterCount;
}

uint8_t TBaseStation::AvgDBValue() const {
    if (FFilterCount == 0) {
        return 0;
    }
    return static_cast<uint8_t>(Round(FFilterdDBValue / FFilterCount));
}

void TBaseStation::setNormValue(uint8_t aValue) {
    FNormValue = aValue;
    FFilterdDBValue = aValue;
    FFilterCount = 1;
}

TqelMeasurementSystem::TqelMeasurementSystem(QObject* aParent)
    : QObject(aParent),
      FMeasurementSystemLog(
          std::make_unique<TqelShowTextDialog>(QStringLiteral("Field Connection log"))) {}

TqelMeasurementSystem::~TqelMeasurementSystem() {
    FMeasurementSystemLog.reset();
    BaseStationsClear();
}

void TqelMeasurementSystem::SystemEvent(uint8_t anEventCode, int32_t aParameter) {
    if (FCallback) {
        FCallback->event(this, anEventCode, aParameter);
    }
}

void TqelMeasurementSystem::SetField(TqelFieldSettings* aField) {
    FField = aField;
}

int32_t TqelMeasurementSystem::GetBaseStationsPos(TqelArrayOfPositionRec& aPositions) {
    aPositions.resize(static_cast<qsizetype>(FBaseStations.size()));
    for (size_t i = 0; i < FBaseStations.size(); ++i) {
        const TBaseStation& station = *FBaseStations[i];
        RqelPositionRec& position = aPositions[static_cast<qsizetype>(i)];
        position.TimeStampInMS = station.HUBid * 100 + station.PortID;
        position.XinMM = station.XinMM;
        position.YinMM = station.YinMM;
        position.ZinMM = station.ZinMM;
    }
    return BaseStationCount();
}

void TqelMeasurementSystem::Startup(bool aSendTransponderState) {
    FFirstMeasurementTimestampMS = 0;
}

void TqelMeasurementSystem::BaseStationAdd(std::unique_ptr<TBaseStation> aBaseStation) {
    FBaseStations.push_back(std::move(aBaseStation));
}

TBaseStation* TqelMeasurementSystem::GetBaseStation(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= BaseStationCount()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("List index out of bounds (%1)").arg(anIndex));
    }
    return FBaseStations[static_cast<size_t>(anIndex)].get();
}

void TqelMeasurementSystem::BaseStationsClear() {
    FBaseStations.clear();
}

QString TqelMeasurementSystem::LastMessage() const {
    std::lock_guard lock(FLastLock);
    return FLastMessage;
}

QString TqelMeasurementSystem::LastStatus() const {
    std::lock_guard lock(FLastLock);
    return FLastStatus;
}

QString TqelMeasurementSystem::LastError() const {
    std::lock_guard lock(FLastLock);
    return FLastError;
}

TqelStartupSequence TqelMeasurementSystem::LastState() const {
    std::lock_guard lock(FLastLock);
    return FLastState;
}

void TqelMeasurementSystem::ShowLog() {
    if (FMeasurementSystemLog) {
        FMeasurementSystemLog->Show();
    }
}

QString TqelMeasurementSystem::FieldPrefixed(const QString& aText) const {
    return (FField ? FField->FieldName() : QString()) + QStringLiteral("- ") + aText;
}

void TqelMeasurementSystem::AddToLog(const QString& aText) {
    if (FMeasurementSystemLog) {
        FMeasurementSystemLog->AddText(aText);
    }
}

// Each report is recorded at once and delivered later, also when made on the main thread, so
// the owner never runs inside the driver's own handler and sees the reports in order.

void TqelMeasurementSystem::LogMessage(const QString& aText) {
    {
        std::lock_guard lock(FLastLock);
        FLastMessage = aText;
    }
    qel::QueueCall(this, [this, aText] {
        AddToLog(QStringLiteral("Msg: ") + aText);
        if (FCallback && FField) {
            FCallback->log(this, FieldPrefixed(aText));
        }
    });
}

void TqelMeasurementSystem::StatusMessage(int32_t aMessageID, const QString& aText) {
    NumberedReport(&TqelMeasurementSystem::FLastStatus, QStringLiteral("State: "),
                   &IqelMeasurementSystemCallback::status, aMessageID, aText);
}

void TqelMeasurementSystem::ErrorMessage(int32_t aMessageID, const QString& aText) {
    NumberedReport(&TqelMeasurementSystem::FLastError, QStringLiteral("Err: "),
                   &IqelMeasurementSystemCallback::error, aMessageID, aText);
}

// Only the callback is checked: without a field the text gets an empty field name.
void TqelMeasurementSystem::NumberedReport(QString TqelMeasurementSystem::*aLast,
                                           const QString& aLogPrefix, NumberedCall aCall,
                                           int32_t aMessageID, const QString& aText) {
    {
        std::lock_guard lock(FLastLock);
        this->*aLast = aText;
    }
    qel::QueueCall(this, [this, aLogPrefix, aCall, aMessageID, aText] {
        AddToLog(aLogPrefix + aText);
        if (FCallback) {
            (FCallback->*aCall)(this, aMessageID, FieldPrefixed(aText));
        }
    });
}

void TqelMeasurementSystem::StateChanged(TqelStartupSequence aState) {
    {
        std::lock_guard lock(FLastLock);
        FLastState = aState;
    }
    qel::QueueCall(this, [this, aState] {
        if (FCallback) {
            FCallback->stateChanged(this, aState);
        }
    });
}
