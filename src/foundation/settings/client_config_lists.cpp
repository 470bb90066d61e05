#include "foundation/settings/client_config_lists.h"

#include <algorithm>

#include "foundation/settings/colors.h"
#include "foundation/settings/dynamic_values.h"
#include "foundation/logging/logger.h"
#include "foundation/settings/settings_write_rules.h"
#include "platform/numbers.h"
#include "platform/text_compare.h"

namespace {

const QChar kDot = QLatin1Char('.');
const QString kGeneral = QStringLiteral("General");
const QString kTransponderSection = QStringLiteral("transponder default %1");
const QString kUnknownAthlete = QStringLiteral("Unknown athlete");
const QString kEventTimes = QStringLiteral("EventTimes");
const QString kTimeBefore = QStringLiteral("Time before");
const QString kTimeAfter = QStringLiteral("Time after");
const QString kEventCount = QStringLiteral("Event Count");
const QString kDescription = QStringLiteral("Description");
const QString kExerciseNames = QStringLiteral("Exercise names");
const QString kExportFields = QStringLiteral("Export Fields");
const QString kCSVExport = QStringLiteral("CSV export");
const QString kFields = QStringLiteral("Fields");
const QString kID = QStringLiteral("ID");
const QString kMinimalDuration = QStringLiteral("Minimal duration");
const QString kMinimalSpeed = QStringLiteral("Minimal Speed");
const QString kColor = QStringLiteral("Color");
const QString kVisible = QStringLiteral("Visible");
// The event-time sections beyond the count are erased up to this number.
constexpr int32_t kLastEventTimeSection = 99;
constexpr int32_t kLastExerciseKey = 100;

// The whole m/s the file holds; a value no integer can hold counts as 0.
int32_t WholeValue(double aValue) {
    try {
        return qel::RoundToInt32(aValue);
    } catch (const Exception&) {
        return 0;
    }
}

int32_t BoundedCount(const qel::IniFile& anIni, const QString& aKey) {
    return std::clamp(anIni.ReadInteger(kGeneral, aKey, 0), 0, qel::kMaxClientListCount);
}

uint32_t ReadCategoryColor(const qel::IniFile& anIni, const QString& aSection) {
    return static_cast<uint32_t>(anIni.ReadInteger(aSection, kColor, static_cast<int32_t>(clNone)));
}

void WriteCategoryColor(qel::IniFile& anIni, const QString& aSection, uint32_t aColor) {
    anIni.WriteInteger(aSection, kColor, static_cast<int32_t>(aColor));
}

void SaveCount(qel::IniFile& anIni, const QString& aKey, qsizetype aCount, bool anAlways) {
    const auto count = static_cast<int32_t>(aCount);
    if (anAlways) {
        anIni.WriteInteger(kGeneral, aKey, count);
    } else {
        qel::SaveIntegerKey(anIni, kGeneral, aKey, count, 0);
    }
}

void ReadTransponderDefault(const qel::IniFile& anIni, const QString& aSection,
                            RqelTransponderDefaults& anEntry) {
    anEntry.AthleteName = anIni.ReadString(aSection, QStringLiteral("Name"), anEntry.AthleteName);
    const int32_t role = anIni.ReadInteger(aSection, QStringLiteral("Role"), anEntry.Role);
    // An ordinal beyond the roles is not one: the entry keeps its role.
    if (role >= roleAthlete && role <= rolePlayerTrackingVaruza) {
        anEntry.Role = static_cast<TqelTransponderRole>(role);
    }
    anEntry.Initialized = anIni.ReadBool(aSection, QStringLiteral("Available"), true);
    anEntry.Category = anIni.ReadString(aSection, QStringLiteral("Category"), anEntry.Category);
    const QString color = anIni.ReadString(aSection, kColor, QStringLiteral("clRed"));
    try {
        anEntry.Color = qel::TextToColor(color);
    } catch (const EConvertError&) {
        anEntry.Color = clRed;
        Logger().error(
            QStringLiteral("Client settings: [%1] Color \"%2\" is no colour, clRed taken")
                .arg(aSection, color));
    }
    anEntry.ShirtNum = anIni.ReadInteger(aSection, QStringLiteral("ShirtNum"), anEntry.ShirtNum);
    anEntry.MaxHeartbeat =
        anIni.ReadInteger(aSection, QStringLiteral("MaxHeartbeat"), anEntry.MaxHeartbeat);
    anEntry.MaxSpeed =
        anIni.ReadInteger(aSection, QStringLiteral("MaxSpeed"), WholeValue(anEntry.MaxSpeed));
    anEntry.MaxAcceleration = anIni.ReadInteger(aSection, QStringLiteral("MaxAcceleration"),
                                                WholeValue(anEntry.MaxAcceleration));
    anEntry.Weight = anIni.ReadFloat(aSection, QStringLiteral("Weight"), anEntry.Weight, kDot);
    anEntry.Height = anIni.ReadFloat(aSection, QStringLiteral("Height"), anEntry.Height, kDot);
    anEntry.FTP = anIni.ReadFloat(aSection, QStringLiteral("FTP"), anEntry.FTP, kDot);
    anEntry.FTPtime = anIni.ReadInteger(aSection, QStringLiteral("FTPtime"), anEntry.FTPtime);
}
// "key=value" split at the first "="; a line without one is all key.
void SplitLine(const QString& aLine, QString& aKey, QString& aValue) {
    const qsizetype equals = aLine.indexOf(u'=');
    aKey = equals < 0 ? aLine : aLine.left(equals);
    aValue = equals < 0 ? QString() : aLine.mid(equals + 1);
}

}  // namespace

namespace qel {

RqelTransponderDefaults BuiltInTransponderDefault(int32_t anIndex) {
    RqelTransponderDefaults entry;
    // No catalogue of translations is loaded by the server: the English text stands.
    entry.AthleteName = kUnknownAthlete;
    entry.Color = clRed;
    entry.ShirtNum = anIndex;
    entry.MaxHeartbeat = 200;
    entry.MaxSpeed = 7.0;
    entry.MaxAcceleration = 10.0;
    entry.Weight = 80.0;
    entry.Height = 1.8;
    return entry;
}

void LoadTransponderDefaults(const IniFile& anIni, std::span<RqelTransponderDefaults> aDefaults) {
    for (size_t n = 1; n < aDefaults.size(); ++n) {
        const QString section = kTransponderSection.arg(n);
        if (!anIni.SectionExists(section)) {
            aDefaults[n].Initialized = false;
        } else {
            ReadTransponderDefault(anIni, section, aDefaults[n]);
        }
    }
}

void SaveTransponderDefaults(IniFile& anIni, std::span<const RqelTransponderDefaults> aDefaults) {
    for (size_t n = 0; n < aDefaults.size(); ++n) {
        const RqelTransponderDefaults& entry = aDefaults[n];
        const QString section = kTransponderSection.arg(n);
        if (!entry.Initialized) {
            anIni.EraseSection(section);
            continue;
        }
        SaveTextKey(anIni, section, QStringLiteral("Name"), entry.AthleteName, kUnknownAthlete);
        SaveIntegerKey(anIni, section, QStringLiteral("Role"), entry.Role, roleAthlete);
        // Always differs from its default, so the section never ends up empty.
        SaveBoolKey(anIni, section, QStringLiteral("Available"), entry.Initialized, false);
        SaveTextKey(anIni, section, kColor, ColorToText(entry.Color), ColorToText(clRed));
        SaveTextKey(anIni, section, QStringLiteral("Category"), entry.Category, QString());
        SaveIntegerKey(anIni, section, QStringLiteral("ShirtNum"), entry.ShirtNum,
                       static_cast<int32_t>(n));
        SaveIntegerKey(anIni, section, QStringLiteral("MaxHeartbeat"), entry.MaxHeartbeat, 200);
        SaveIntegerKey(anIni, section, QStringLiteral("MaxSpeed"), WholeValue(entry.MaxSpeed), 7);
        SaveIntegerKey(anIni, section, QStringLiteral("MaxAcceleration"),
                       WholeValue(entry.MaxAcceleration), 10);
        SaveFloatKey(anIni, section, QStringLiteral("Weight"), entry.Weight, 80.0);
        SaveFloatKey(anIni, section, QStringLiteral("Height"), entry.Height, 1.8);
        SaveFloatKey(anIni, section, QStringLiteral("FTP"), entry.FTP, 0.0);
        SaveIntegerKey(anIni, section, QStringLiteral("FTPtime"), entry.FTPtime, 0);
    }
}

namespace {

const QString kSprintCount = QStringLiteral("Number Sprint Categories");
const QString kSprintSection = QStringLiteral("Sprint category %1");
const QString kImpactCount = QStringLiteral("Number Impact Categories");
const QString kImpactSection = QStringLiteral("Impact category %1");
const QString kImpactKey = QStringLiteral("Minimal Impact");
const QString kAccelCount = QStringLiteral("Number Acceleration Categories");
const QString kAccelSection = QStringLiteral("Acceleration category %1");
const QString kAccelKey = QStringLiteral("Minimal Acceleration");
const QString kDecelCount = QStringLiteral("Number Deceleration Categories");
const QString kDecelSection = QStringLiteral("Deceleration category %1");
const QString kDecelKey = QStringLiteral("Minimal Deceleration");

// The keys every kind has; aReadRest reads the kind's own. A missing section still gives a
// category, with the defaults.
template <typename TList, typename TReadRest>
TList LoadCategories(const IniFile& anIni, const QString& aCountKey, const QString& aSection,
                     TReadRest aReadRest) {
    TList list;
    const int32_t count = BoundedCount(anIni, aCountKey);
    for (int32_t i = 0; i < count; ++i) {
        const QString section = aSection.arg(i + 1);
        typename TList::value_type category;
        category.ID = anIni.ReadInteger(section, kID, i + 1);
        category.Description = anIni.ReadString(section, kDescription, QString());
        category.MinDurationInMS = anIni.ReadInteger(section, kMinimalDuration, 0);
        aReadRest(section, category);
        list.append(category);
    }
    return list;
}

// Every key is written as it stands; sections beyond the count stay (the load ignores them).
template <typename TList, typename TWriteRest>
void SaveCategories(IniFile& anIni, const TList& aList, const QString& aCountKey, bool aCountAlways,
                    const QString& aSection, TWriteRest aWriteRest) {
    SaveCount(anIni, aCountKey, aList.size(), aCountAlways);
    for (qsizetype i = 0; i < aList.size(); ++i) {
        const QString section = aSection.arg(i + 1);
        anIni.WriteInteger(section, kID, aList[i].ID);
        anIni.WriteString(section, kDescription, aList[i].Description);
        anIni.WriteInteger(section, kMinimalDuration, aList[i].MinDurationInMS);
        aWriteRest(section, aList[i]);
    }
}

AccelCategoryList LoadAccelKind(const IniFile& anIni, const QString& aCountKey,
                                const QString& aSection, const QString& anAccelKey) {
    return LoadCategories<AccelCategoryList>(
        anIni, aCountKey, aSection, [&](const QString& aName, RqelAccelCategory& aCategory) {
            aCategory.MinSpeed = anIni.ReadFloat(aName, kMinimalSpeed, 0.0, kDot);
            aCategory.MinAccel = anIni.ReadFloat(aName, anAccelKey, 0.0, kDot);
            aCategory.Color = ReadCategoryColor(anIni, aName);
            aCategory.Visible = anIni.ReadBool(aName, kVisible, true);
        });
}

void SaveAccelKind(IniFile& anIni, const AccelCategoryList& aList, const QString& aCountKey,
                   bool aCountAlways, const QString& aSection, const QString& anAccelKey) {
    SaveCategories(anIni, aList, aCountKey, aCountAlways, aSection,
                   [&](const QString& aName, const RqelAccelCategory& aCategory) {
                       anIni.WriteFloat(aName, kMinimalSpeed, aCategory.MinSpeed, kDot);
                       anIni.WriteFloat(aName, anAccelKey, aCategory.MinAccel, kDot);
                       WriteCategoryColor(anIni, aName, aCategory.Color);
                       anIni.WriteBool(aName, kVisible, aCategory.Visible);
                   });
}

}  // namespace

SprintCategoryList LoadSprintCategories(const IniFile& anIni) {
    return LoadCategories<SprintCategoryList>(
        anIni, kSprintCount, kSprintSection,
        [&anIni](const QString& aName, RqelSprintCategory& aCategory) {
            aCategory.MinSpeed = anIni.ReadFloat(aName, kMinimalSpeed, 0.0, kDot);
            aCategory.Color = ReadCategoryColor(anIni, aName);
            aCategory.Visible = anIni.ReadBool(aName, kVisible, true);
        });
}

// An impact category's colour is not stored: it is 0 after a load.
ImpactCategoryList LoadImpactCategories(const IniFile& anIni) {
    return LoadCategories<ImpactCategoryList>(
        anIni, kImpactCount, kImpactSection,
        [&anIni](const QString& aName, RqelImpactCategory& aCategory) {
            aCategory.MinImpact = anIni.ReadFloat(aName, kImpactKey, 0.0, kDot);
        });
}

AccelCategoryList LoadAccelCategories(const IniFile& anIni) {
    return LoadAccelKind(anIni, kAccelCount, kAccelSection, kAccelKey);
}

AccelCategoryList LoadDecelCategories(const IniFile& anIni) {
    return LoadAccelKind(anIni, kDecelCount, kDecelSection, kDecelKey);
}

void SaveSprintCategories(IniFile& anIni, const SprintCategoryList& aList) {
    SaveCategories(anIni, aList, kSprintCount, false, kSprintSection,
                   [&anIni](const QString& aName, const RqelSprintCategory& aCategory) {
                       anIni.WriteFloat(aName, kMinimalSpeed, aCategory.MinSpeed, kDot);
                       WriteCategoryColor(anIni, aName, aCategory.Color);
                       anIni.WriteBool(aName, kVisible, aCategory.Visible);
                   });
}

void SaveImpactCategories(IniFile& anIni, const ImpactCategoryList& aList) {
    SaveCategories(anIni, aList, kImpactCount, false, kImpactSection,
                   [&anIni](const QString& aName, const RqelImpactCategory& aCategory) {
                       anIni.WriteFloat(aName, kImpactKey, aCategory.MinImpact, kDot);
                   });
}

void SaveAccelCategories(IniFile& anIni, const AccelCategoryList& aList) {
    SaveAccelKind(anIni, aList, kAccelCount, false, kAccelSection, kAccelKey);
}

// The deceleration count is always written.
void SaveDecelCategories(IniFile& anIni, const AccelCategoryList& aList) {
    SaveAccelKind(anIni, aList, kDecelCount, true, kDecelSection, kDecelKey);
}

EventTimeList LoadEventTimes(const IniFile& anIni, int32_t& aBefore, int32_t& anAfter) {
    aBefore = anIni.ReadInteger(kEventTimes, kTimeBefore, aBefore);
    anAfter = anIni.ReadInteger(kEventTimes, kTimeAfter, anAfter);
    const int32_t count =
        std::clamp(anIni.ReadInteger(kEventTimes, kEventCount, 0), 0, kMaxClientListCount);
    EventTimeList list;
    for (int32_t i = 0; i < count; ++i) {
        const QString section = kEventTimes + QString::number(i);
        RqelEventTime entry;
        entry.Description = anIni.ReadString(section, kDescription, QString());
        entry.TimeBeforeInMS = anIni.ReadInteger(section, kTimeBefore, aBefore);
        entry.TimeAfterInMS = anIni.ReadInteger(section, kTimeAfter, anAfter);
        if (!entry.Description.isEmpty()) {
            list.append(entry);
        }
    }
    return list;
}

void SaveEventTimes(IniFile& anIni, int32_t aBefore, int32_t anAfter, const EventTimeList& aList) {
    const auto count = static_cast<int32_t>(aList.size());
    SaveIntegerKey(anIni, kEventTimes, kTimeBefore, aBefore, 0);
    SaveIntegerKey(anIni, kEventTimes, kTimeAfter, anAfter, 0);
    SaveIntegerKey(anIni, kEventTimes, kEventCount, count, 0);
    for (int32_t i = 0; i < count; ++i) {
        const RqelEventTime& entry = aList[i];
        const QString section = kEventTimes + QString::number(i);
        anIni.WriteString(section, kDescription, entry.Description);
        SaveIntegerKey(anIni, section, kTimeBefore, entry.TimeBeforeInMS, aBefore);
        SaveIntegerKey(anIni, section, kTimeAfter, entry.TimeAfterInMS, anAfter);
    }
    for (int32_t i = count; i <= kLastEventTimeSection; ++i) {
        anIni.EraseSection(kEventTimes + QString::number(i));
    }
}

RqelEventTime FindEventTime(const EventTimeList& aList, const QString& aDescription,
                            int32_t aBefore, int32_t anAfter) {
    for (const RqelEventTime& entry : aList) {
        if (entry.Description == aDescription) {
            return entry;
        }
    }
    return RqelEventTime{aDescription, aBefore, anAfter};
}

QStringList LoadExerciseNames(const IniFile& anIni) {
    QStringList names;
    // Ends at the first missing key, so never beyond the keys the file holds.
    for (int k = 1; anIni.ValueExists(kExerciseNames, QString::number(k)); ++k) {
        names.append(anIni.ReadString(kExerciseNames, QString::number(k), QString()));
    }
    return names;
}

void SaveExerciseNames(IniFile& anIni, const QStringList& aNames) {
    if (aNames.isEmpty()) {
        anIni.EraseSection(kExerciseNames);
        return;
    }
    for (qsizetype i = 0; i < aNames.size(); ++i) {
        anIni.WriteString(kExerciseNames, QString::number(i + 1), aNames[i]);
    }
    for (qsizetype k = aNames.size() + 1; k <= kLastExerciseKey; ++k) {
        anIni.DeleteKey(kExerciseNames, QString::number(k));
    }
}

QStringList LoadCSVExportFields(const IniFile& anIni) {
    QStringList lines;
    if (anIni.SectionExists(kExportFields)) {
        for (const QString& line : anIni.ReadSectionValues(kExportFields)) {
            QString key;
            QString value;
            SplitLine(line, key, value);
            if (SameText(value, QStringLiteral("km/hour"))) {
                value = QStringLiteral("km/h");
            }
            lines.append(key + u'=' + value);
        }
        return lines;
    }
    // Time stamp, X and Y position, speed, vest, athlete's name and shirt number.
    const DynaValueSet defaults{1, 10, 11, 30, 80, 81, 82};
    const DynaValueSet fields =
        TextToSet(anIni.ReadString(kCSVExport, kFields, SetToText(defaults)));
    for (int member = 0; member < DynaValueSet::Capacity; ++member) {
        if (fields.contains(member)) {
            lines.append(QString::number(member) + u'=');
        }
    }
    return lines;
}

void SaveCSVExportFields(IniFile& anIni, const QStringList& aLines) {
    anIni.DeleteKey(kCSVExport, kFields);
    anIni.EraseSection(kExportFields);
    for (const QString& line : aLines) {
        QString key;
        QString value;
        SplitLine(line, key, value);
        anIni.WriteString(kExportFields, key, value);
    }
}

}  // namespace qel
