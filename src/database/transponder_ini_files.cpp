// The two transponder ini texts written from a preparation and the inventory.
#include <array>
#include <memory>

#include "database/available_transponders.h"
#include "database/prepare_recording.h"
#include "platform/date_time.h"

namespace {

constexpr const char* kStarLine =
    ";*******************************************************************************";
constexpr const char* kDashLine =
    ";-------------------------------------------------------------------------------";
constexpr const char* kEnabledLine = ";                 1 ... enabled";
constexpr const char* kDisabledLine = ";                 0 ... disabled";

// The LPM server reads these lines as they stand (typos included).
constexpr std::array<const char*, 34> kAbatecHeader = {
    kStarLine,
    "; Transponder ini file",
    ";",
    "; Insert here the transponders to be tracked in the system.",
    "; The initial enabled status can be changed later when the",
    "; system is running.",
    ";",
    "; Note: Use the semicolon ';' to add comments to this file if necessary.",
    kStarLine,
    "",
    nullptr,  // GeneratedLine()
    "",
    kDashLine,
    "; Field descriptions:",
    ";",
    "; ID1 to ID4    ID of the transponders antennas to be tracked",
    ";               Valid ID range is 20 to 16383",
    "; enabled       Initial status of the transponder",
    kEnabledLine,
    kDisabledLine,
    "; trackmode     Tracking mode for this specific transponder",
    ";                 0 ... default (as set in parameter.ini)",
    ";                 1 ... 2D satic",
    ";                 2 ... 2D dynamic",
    ";                31 ... 3D static",
    "; sensors       Check telemetry channel for sensor data and use",
    ";               in calculation when possible.",
    kEnabledLine,
    kDisabledLine,
    "; parentTP      Parent transponder ID for calculation of heading.",
    ";",
    kDashLine,
    ";  ID1   ID2   ID3   ID4 enabled trackmode sensors parentTP",
    kDashLine,
};

QString GeneratedLine() {
    return QStringLiteral("; ") + FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), Now()) +
           QStringLiteral(" Auto generated Transponder.ini by qelServer");
}

// Each value ends under its word of the header's column line.
QString AbatecDataLine(int32_t anId1, int32_t anId2, int32_t anId3, int32_t anId4, int aEnabled) {
    return QString::asprintf(" %5d %5d %5d %5d       %1d         0       0        0", anId1, anId2,
                             anId3, anId4, aEnabled);
}

QString Flag(bool aValue) {
    return aValue ? QStringLiteral("1") : QStringLiteral("0");
}

// Empties the list and loads a fresh inventory (the preparation's joined values may be older
// than the table); none when there is no list or no preparation to write.
std::unique_ptr<TqeldbAvailableTransponders> BeginIni(TqelDatabase* aDatabase,
                                                      const TqelPrepareRecording* aPrepRec,
                                                      QStringList* aTransponderIni) {
    if (!aTransponderIni) {
        return nullptr;
    }
    aTransponderIni->clear();
    if (!aPrepRec) {
        return nullptr;
    }
    auto inventory = std::make_unique<TqeldbAvailableTransponders>(aDatabase);
    inventory->GetAll();
    return inventory;
}

}  // namespace

void TqeldbPrepareRecordings::CreateAbatecTPIni(TqelPrepareRecording* aPrepRec,
                                                QStringList* aTransponderIni, bool aAllDisabled) {
    const auto inventory = BeginIni(Database(), aPrepRec, aTransponderIni);
    if (!inventory || aPrepRec->TPCount() == 0) {
        return;
    }
    for (const char* line : kAbatecHeader) {
        *aTransponderIni << (line ? QString::fromLatin1(line) : GeneratedLine());
    }
    for (const auto& prepared : aPrepRec->Transponders()) {
        const TqelAvailableTransponder* vest = inventory->GetATPByID(prepared->ATPid());
        // Only athletes' vests are tracked by the measurement system.
        if (!vest || vest->TPRole() != 0) {
            continue;
        }
        const int enabled = !aAllDisabled && prepared->Enabled() ? 1 : 0;
        if (vest->Combined()) {
            *aTransponderIni << AbatecDataLine(vest->Antenna1ID(), vest->Antenna2ID(),
                                               vest->Antenna3ID(), vest->Antenna4ID(), enabled);
            continue;
        }
        for (const int32_t antenna :
             {vest->Antenna1ID(), vest->Antenna2ID(), vest->Antenna3ID(), vest->Antenna4ID()}) {
            if (antenna != 0) {
                *aTransponderIni << AbatecDataLine(antenna, 0, 0, 0, enabled);
            }
        }
    }
}

void TqeldbPrepareRecordings::CreateQelvaniTPIni(TqelPrepareRecording* aPrepRec,
                                                 QStringList* aTransponderIni) {
    const auto inventory = BeginIni(Database(), aPrepRec, aTransponderIni);
    if (!inventory) {
        return;
    }
    for (const auto& prepared : aPrepRec->Transponders()) {
        const TqelAvailableTransponder* vest = inventory->GetATPByID(prepared->ATPid());
        if (!vest) {
            continue;
        }
        *aTransponderIni << QStringLiteral("[%1]").arg(prepared->TPid())
                         << QStringLiteral("Active=") + Flag(prepared->Enabled())
                         << QStringLiteral("Description=") + vest->Description()
                         << QStringLiteral("Name=") + prepared->AthleteName()
                         << QStringLiteral("VisibleTo=all clients")
                         << QStringLiteral("ForceHosand=") + Flag(vest->ForceHosand())
                         << QStringLiteral("Role=%1").arg(vest->TPRole())
                         << QStringLiteral("Combined=") + Flag(vest->Combined())
                         << QStringLiteral("Shortcut=") + prepared->ShortcutChar()
                         << QStringLiteral("NMEAPort=%1").arg(vest->NMEAPort())
                         << QStringLiteral("Antennas=")
                         << QStringLiteral("Antenna1=%1").arg(vest->Antenna1ID())
                         << QStringLiteral("Antenna2=%1").arg(vest->Antenna2ID())
                         << QStringLiteral("Antenna3=%1").arg(vest->Antenna3ID())
                         << QStringLiteral("Antenna4=%1").arg(vest->Antenna4ID());
    }
}
