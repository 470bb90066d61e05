#include "foundation/settings/zones.h"

#include "foundation/settings/settings_write_rules.h"
#include "foundation/text_utils.h"
#include "platform/exception.h"

namespace {

const QString kZonesSection = QStringLiteral("Zones");
const QString kBegin = QStringLiteral("Begin");
const QString kEnd = QStringLiteral("End");
const QString kWeight = QStringLiteral("Weight");
const QString kColor = QStringLiteral("Color");
const QString kVisible = QStringLiteral("Visible");
const QString kDescription = QStringLiteral("Description");
// Sections beyond a list's end that a save clears.
constexpr int32_t kLastZoneSection = 99;

QString CountKey(const QString& aBaseName) {
    return qel::Trim(aBaseName) + QLatin1Char('s');
}

QString ZoneSection(const QString& aBaseName, int32_t anIndex) {
    return aBaseName + QString::number(anIndex);
}

TqelZone FromConst(const RqelZoneConst& anEntry) {
    TqelZone zone;
    zone.ID = anEntry.ID;
    zone.Min = anEntry.Min;
    zone.Max = anEntry.Max;
    zone.Description = QString::fromUtf8(anEntry.Description);
    zone.Weight = anEntry.Weight;
    zone.Color = anEntry.Color;
    zone.Visible = anEntry.Visible;
    return zone;
}

// What a zone of a list without a table reads for a missing key, and is saved against.
constexpr RqelZoneConst kBlankZone{0, 0, 0, "", 0, clNone, true};

void CheckHigh(std::span<const RqelZoneConst> aTable, int32_t aHigh) {
    if (aHigh >= static_cast<int32_t>(aTable.size())) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Zone table index %1 is beyond the table of %2 entries")
                .arg(aHigh)
                .arg(aTable.size()));
    }
}

void ReadZone(const qel::IniFile& anIni, const QString& aSection, int32_t anID,
              const TqelZone& aDefault, TqelZones& aList) {
    const QChar dot = QLatin1Char('.');
    TqelZone zone;
    zone.ID = anID;
    zone.Min = anIni.ReadFloat(aSection, kBegin, aDefault.Min, dot);
    zone.Max = anIni.ReadFloat(aSection, kEnd, aDefault.Max, dot);
    zone.Weight = anIni.ReadFloat(aSection, kWeight, aDefault.Weight, dot);
    zone.Color =
        qel::TextToColor(anIni.ReadString(aSection, kColor, qel::ColorToText(aDefault.Color)));
    zone.Visible = anIni.ReadBool(aSection, kVisible, aDefault.Visible);
    zone.Description = anIni.ReadString(aSection, kDescription, aDefault.Description);
    aList.Add() = zone;
}

// Reads sections 0, 1, 2, ... as long as they exist; missing keys read blank.
void ReadPresentZones(const qel::IniFile& anIni, const QString& aBaseName, TqelZones& aList) {
    const TqelZone blank = FromConst(kBlankZone);
    for (int32_t k = 0; anIni.SectionExists(ZoneSection(aBaseName, k)); ++k) {
        ReadZone(anIni, ZoneSection(aBaseName, k), k, blank, aList);
    }
}

void SaveZoneKeys(qel::IniFile& anIni, const QString& aSection, const RqelZoneConst& aDefault,
                  const TqelZone& aZone, bool anAlwaysVisible) {
    qel::SaveTextKey(anIni, aSection, kDescription, aZone.Description,
                     QString::fromUtf8(aDefault.Description));
    qel::SaveTextKey(anIni, aSection, kColor, qel::ColorToText(aZone.Color),
                     qel::ColorToText(aDefault.Color));
    qel::SaveFloatKey(anIni, aSection, kBegin, aZone.Min, aDefault.Min);
    qel::SaveFloatKey(anIni, aSection, kEnd, aZone.Max, aDefault.Max);
    qel::SaveFloatKey(anIni, aSection, kWeight, aZone.Weight, aDefault.Weight);
    if (!anAlwaysVisible) {
        qel::SaveBoolKey(anIni, aSection, kVisible, aZone.Visible, aDefault.Visible);
    } else if (!anIni.ValueExists(aSection, kVisible) ||
               anIni.ReadBool(aSection, kVisible, !aZone.Visible) != aZone.Visible) {
        anIni.WriteBool(aSection, kVisible, aZone.Visible);
    }
}

}  // namespace

TqelZone& TqelZones::Add() {
    FZones.push_back(std::make_unique<TqelZone>());
    return *FZones.back();
}

void TqelZones::AddZone(int32_t anID, double aMin, double aMax, double aWeight,
                        const QString& aDescription, uint32_t aColor, bool aVisible) {
    TqelZone& zone = Add();
    zone.ID = anID;
    zone.Min = aMin;
    zone.Max = aMax;
    zone.Weight = aWeight;
    zone.Description = aDescription;
    zone.Color = aColor;
    zone.Visible = aVisible;
}

void TqelZones::Assign(const TqelZones& aSource) {
    if (&aSource == this) {
        return;
    }
    Clear();
    FZones.reserve(aSource.FZones.size());
    for (const auto& zone : aSource.FZones) {
        Add() = *zone;
    }
}

void TqelZones::Clear() {
    FZones.clear();
}

TqelZone& TqelZones::GetZone(int32_t anIndex) {
    return const_cast<TqelZone&>(std::as_const(*this).GetZone(anIndex));
}

const TqelZone& TqelZones::GetZone(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= Count()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Zone index %1 is outside 0 to %2").arg(anIndex).arg(Count() - 1));
    }
    return *FZones[static_cast<size_t>(anIndex)];
}

namespace qel {

int32_t ZoneIndexFor(const TqelZones& aZones, double aValue) {
    for (int32_t i = 0; i < aZones.Count(); ++i) {
        const TqelZone& zone = aZones.GetZone(i);
        if (zone.Min <= aValue && aValue < zone.Max) {
            return i;
        }
    }
    return -1;
}

uint32_t ZoneColorFor(const TqelZones& aZones, double aValue) {
    const int32_t index = ZoneIndexFor(aZones, aValue);
    return index < 0 ? clNone : aZones.GetZone(index).Color;
}

}  // namespace qel

void FillZones(TqelZones& aZones, std::span<const RqelZoneConst> aTable, int32_t aHigh) {
    CheckHigh(aTable, aHigh);
    aZones.Clear();
    for (int32_t k = 0; k <= aHigh; ++k) {
        aZones.Add() = FromConst(aTable[static_cast<size_t>(k)]);
    }
}

void LoadZones(const qel::IniFile& anIni, const QString& aBaseName, int32_t aHigh,
               std::span<const RqelZoneConst> aTable, TqelZones& aList) {
    CheckHigh(aTable, aHigh);
    // Read into a list of its own, so that a bad colour leaves aList as it was.
    TqelZones read;
    const int32_t count = anIni.ReadInteger(kZonesSection, CountKey(aBaseName), -1);
    if (count != -1 && count != aHigh + 1) {
        ReadPresentZones(anIni, aBaseName, read);
    } else {
        for (int32_t k = 0; k <= aHigh; ++k) {
            ReadZone(anIni, ZoneSection(aBaseName, k), k, FromConst(aTable[static_cast<size_t>(k)]),
                     read);
        }
    }
    aList.Assign(read);
}

void LoadZonesLike(const qel::IniFile& anIni, const QString& aBaseName, int32_t aFileVersion,
                   const TqelZones& aTemplate, TqelZones& aList) {
    int32_t count = anIni.ReadInteger(kZonesSection, CountKey(aBaseName), aTemplate.Count());
    if (aFileVersion < 2) {
        count = 0;
    }
    TqelZones read;
    if (count == aTemplate.Count()) {
        for (int32_t k = 0; k < count; ++k) {
            ReadZone(anIni, ZoneSection(aBaseName, k), k, aTemplate.GetZone(k), read);
        }
    } else if (anIni.SectionExists(ZoneSection(aBaseName, 0))) {
        ReadPresentZones(anIni, aBaseName, read);
    } else {
        return;
    }
    aList.Assign(read);
}

void SaveZones(qel::IniFile& anIni, const QString& aBaseName, int32_t aHigh,
               std::span<const RqelZoneConst> aTable, const TqelZones& aList) {
    CheckHigh(aTable, aHigh);
    const int32_t count = aList.Count();
    const bool likeTable = count == aHigh + 1;
    qel::SaveIntegerKey(anIni, kZonesSection, CountKey(aBaseName), count, aHigh + 1);
    for (int32_t k = 0; k < count; ++k) {
        // A list read section by section ends at the first missing section: "Visible" is
        // always written so that no zone's section can end up empty and be dropped.
        SaveZoneKeys(anIni, ZoneSection(aBaseName, k),
                     likeTable ? aTable[static_cast<size_t>(k)] : kBlankZone, aList.GetZone(k),
                     !likeTable);
    }
    for (int32_t k = count; k <= kLastZoneSection; ++k) {
        const QString section = ZoneSection(aBaseName, k);
        if (anIni.SectionExists(section)) {
            anIni.EraseSection(section);
        }
    }
}

void SaveZone(qel::IniFile& anIni, const QString& aSection, const RqelZoneConst& aDefault,
              const TqelZone& aZone) {
    SaveZoneKeys(anIni, aSection, aDefault, aZone, false);
}
