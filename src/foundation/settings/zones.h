#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "foundation/settings/colors.h"
#include "platform/ini_file.h"

// Bands of a measured quantity (speed, heart rate, acceleration, deceleration, power) by which
// the analyses classify their values, and the built-in tables the client settings start from.

class TqelZone {
public:
    // After a load from the settings file: the zone's position in its list.
    int32_t ID = 0;
    // Inclusive.
    double Min = 0;
    // Exclusive.
    double Max = 0;
    QString Description;
    double Weight = 0;
    uint32_t Color = 0;
    bool Visible = false;

    void SetVisible(bool aValue) { Visible = aValue; }
};

// An entry of a built-in table.
struct RqelZoneConst {
    int32_t ID = 0;
    double Min = 0;
    double Max = 0;
    const char* Description = "";
    double Weight = 0;
    uint32_t Color = 0;
    bool Visible = false;
};

// An ordered list that owns its zones.
class TqelZones {
public:
    TqelZones() = default;
    TqelZones(const TqelZones&) = delete;
    TqelZones& operator=(const TqelZones&) = delete;

    // Appends a zone with every field zero, empty or false.
    TqelZone& Add();
    void AddZone(int32_t anID, double aMin, double aMax, double aWeight,
                 const QString& aDescription, uint32_t aColor, bool aVisible);
    // Makes this list a copy of aSource, every field of every zone.
    void Assign(const TqelZones& aSource);
    void Clear();
    int32_t Count() const { return static_cast<int32_t>(FZones.size()); }
    // Raises EArgumentOutOfRangeException outside 0 .. Count()-1.
    TqelZone& GetZone(int32_t anIndex);
    const TqelZone& GetZone(int32_t anIndex) const;

private:
    std::vector<std::unique_ptr<TqelZone>> FZones;
};

namespace qel {

using ZoneTable = std::array<RqelZoneConst, 6>;
// The highest entry of a built-in table, as the client settings fill and read their lists.
constexpr int32_t ZoneTableHigh = 5;

// Speeds in m/s.
inline constexpr ZoneTable kAbsoluteSpeedZones{{
    {0, 0, 1, "standing", 1, clLime, false},
    {0, 1, 2, "walking", 5, clGreen, false},
    {0, 2, 4, "jogging", 10, clBlue, false},
    {0, 4, 5.5, "running", 15, clFuchsia, false},
    {0, 5.5, 7, "high speed running", 25, clRed, false},
    {0, 7, 10, "Sprinting", 50, clMaroon, false},
}};
// Percent.
inline constexpr ZoneTable kRelativeSpeedZones{{
    {0, 0, 10, "standing", 1, clLime, false},
    {0, 10, 20, "walking", 5, clGreen, false},
    {0, 20, 40, "jogging", 10, clBlue, false},
    {0, 40, 55, "running", 15, clFuchsia, false},
    {0, 55, 70, "high speed running", 25, clRed, false},
    {0, 70, 110, "Sprinting", 50, clMaroon, false},
}};
// Beats per minute.
inline constexpr ZoneTable kAbsoluteHeartbeatZones{{
    {0, 30, 65, "30-65", 1, clLime, false},
    {0, 65, 90, "65-90", 1.25, clGreen, false},
    {0, 90, 140, "90-140", 1.71, clBlue, false},
    {0, 140, 160, "140-160", 2.54, clFuchsia, false},
    {0, 160, 180, "160-180", 3.61, clRed, false},
    {0, 180, 220, "180-220", 5.16, clMaroon, false},
}};
inline constexpr ZoneTable kRelativeHeartbeatZones{{
    {0, 0, 60, "0-60%", 1, clLime, false},
    {0, 60, 72, "60-72%", 1.25, clGreen, false},
    {0, 72, 79, "72-79%", 1.71, clBlue, false},
    {0, 79, 86, "79-86%", 2.54, clFuchsia, false},
    {0, 86, 93, "86-93%", 3.61, clRed, false},
    {0, 93, 110, "93-110%", 5.16, clMaroon, false},
}};
// m/s². The deceleration lists start from the acceleration tables as well.
inline constexpr ZoneTable kAbsoluteAccelerationZones{{
    {0, 0, 1, "slight acceleration", 1, clLime, false},
    {0, 1, 2, "low acceleration", 3, clGreen, false},
    {0, 2, 4, "medium low acceleration", 5, clBlue, false},
    {0, 4, 6, "medium acceleration", 15, clFuchsia, false},
    {0, 6, 8, "medium high acceleration", 25, clRed, false},
    {0, 8, 10, "high acceleration", 50, clMaroon, false},
}};
inline constexpr ZoneTable kRelativeAccelerationZones{{
    {0, 0, 10, "slight acceleration", 1, clLime, false},
    {0, 10, 20, "low acceleration", 3, clGreen, false},
    {0, 20, 40, "medium low acceleration", 5, clBlue, false},
    {0, 40, 60, "medium acceleration", 15, clFuchsia, false},
    {0, 60, 80, "medium high acceleration", 25, clRed, false},
    {0, 80, 110, "high acceleration", 50, clMaroon, false},
}};
inline constexpr ZoneTable kAbsolutePowerZones{{
    {0, 0, 5, "slight power", 1, clLime, false},
    {0, 5, 10, "low power", 3, clGreen, false},
    {0, 10, 20, "medium low power", 5, clBlue, false},
    {0, 20, 30, "medium power", 15, clFuchsia, false},
    {0, 30, 40, "medium high power", 25, clRed, false},
    {0, 40, 50, "high power", 50, clMaroon, false},
}};
inline constexpr ZoneTable kRelativePowerZones{{
    {0, 0, 10, "slight power", 1, clLime, false},
    {0, 10, 20, "low power", 3, clGreen, false},
    {0, 20, 40, "medium low power", 5, clBlue, false},
    {0, 40, 60, "medium power", 15, clFuchsia, false},
    {0, 60, 80, "medium high power", 25, clRed, false},
    {0, 80, 110, "high power", 50, clMaroon, false},
}};

// Position of the first zone with Min <= aValue < Max, -1 when there is none.
int32_t ZoneIndexFor(const TqelZones& aZones, double aValue);
// The colour of that zone, clNone when there is none.
uint32_t ZoneColorFor(const TqelZones& aZones, double aValue);

}  // namespace qel

// Empties aZones and appends the table's entries 0 .. aHigh. Raises
// EArgumentOutOfRangeException when aHigh lies beyond the table.
void FillZones(TqelZones& aZones, std::span<const RqelZoneConst> aTable, int32_t aHigh);

// The zone sections of the client settings file: [Zones] holds the number of zones of a list
// under the base name trimmed followed by "s", and each zone has a section of its own, the base
// name followed by its position. A list of aHigh+1 zones stores only what differs from its
// table; any other list stores every zone in full.

// Rebuilds aList from the file with aTable as defaults. A bad "Color" text raises
// EConvertError.
void LoadZones(const qel::IniFile& anIni, const QString& aBaseName, int32_t aHigh,
               std::span<const RqelZoneConst> aTable, TqelZones& aList);
// Reads a deceleration list with the acceleration list of the same kind as defaults. Files
// older than version 2 hold no usable count: then the list is only replaced when zone 0 has a
// section.
void LoadZonesLike(const qel::IniFile& anIni, const QString& aBaseName, int32_t aFileVersion,
                   const TqelZones& aTemplate, TqelZones& aList);
void SaveZones(qel::IniFile& anIni, const QString& aBaseName, int32_t aHigh,
               std::span<const RqelZoneConst> aTable, const TqelZones& aList);
// Writes the zone's keys by the save rules of the client settings, against aDefault.
void SaveZone(qel::IniFile& anIni, const QString& aSection, const RqelZoneConst& aDefault,
              const TqelZone& aZone);
