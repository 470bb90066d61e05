#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>

#include "foundation/settings/category_records.h"
#include "platform/ini_file.h"

// The list sections of the client settings file: transponder defaults, effort categories, event
// time windows, exercise names and the CSV export field selection.

enum TqelTransponderRole : uint8_t {
    roleAthlete,
    roleBall,
    roleReferee,
    rolePlayerHome,
    rolePlayerVisitor,
    rolePlayerTrackingVaruza
};

// The athlete values a transponder takes when nothing else knows it.
struct RqelTransponderDefaults {
    bool Initialized = false;
    QString AthleteName;
    uint32_t Color = 0;
    TqelTransponderRole Role = roleAthlete;
    int32_t ShirtNum = 0;
    QString Category;
    int32_t MaxHeartbeat = 0;
    double MaxSpeed = 0;
    double MaxAcceleration = 0;
    double Weight = 0;
    double Height = 0;
    double FTP = 0;
    int32_t FTPtime = 0;
};

// A time window around an event of that description.
struct RqelEventTime {
    QString Description;
    int32_t TimeBeforeInMS = 0;
    int32_t TimeAfterInMS = 0;
};

namespace qel {

using EventTimeList = QList<RqelEventTime>;

// Entries 0 .. 99 are stored in the file.
constexpr int32_t kTransponderDefaultCount = 100;
// Counts of categories and event times beyond this are taken as this: a damaged count must not
// make us build millions of records.
constexpr int32_t kMaxClientListCount = 1000;

// The built-in values of entry anIndex (its shirt number is the index).
RqelTransponderDefaults BuiltInTransponderDefault(int32_t anIndex);

// Entries 1 .. 99 from their sections; entry 0 is never read. An entry without a section
// becomes uninitialised and keeps its other values. A colour that cannot be read takes clRed
// and is logged.
void LoadTransponderDefaults(const IniFile& anIni, std::span<RqelTransponderDefaults> aDefaults);
void SaveTransponderDefaults(IniFile& anIni, std::span<const RqelTransponderDefaults> aDefaults);

SprintCategoryList LoadSprintCategories(const IniFile& anIni);
ImpactCategoryList LoadImpactCategories(const IniFile& anIni);
AccelCategoryList LoadAccelCategories(const IniFile& anIni);
AccelCategoryList LoadDecelCategories(const IniFile& anIni);
void SaveSprintCategories(IniFile& anIni, const SprintCategoryList& aList);
void SaveImpactCategories(IniFile& anIni, const ImpactCategoryList& aList);
void SaveAccelCategories(IniFile& anIni, const AccelCategoryList& aList);
void SaveDecelCategories(IniFile& anIni, const AccelCategoryList& aList);

// [EventTimes]: the global window and the named ones. aBefore and aAfter hold the current
// global values on entry (the defaults when the file has none) and the values read on return.
EventTimeList LoadEventTimes(const IniFile& anIni, int32_t& aBefore, int32_t& anAfter);
void SaveEventTimes(IniFile& anIni, int32_t aBefore, int32_t anAfter, const EventTimeList& aList);
// The first entry of exactly that description supplies its window, else the global one.
RqelEventTime FindEventTime(const EventTimeList& aList, const QString& aDescription,
                            int32_t aBefore, int32_t anAfter);

QStringList LoadExerciseNames(const IniFile& anIni);
void SaveExerciseNames(IniFile& anIni, const QStringList& aNames);

// Lines "number=unit" from [Export Fields], or one line per member of the older
// [CSV export] "Fields" set.
QStringList LoadCSVExportFields(const IniFile& anIni);
void SaveCSVExportFields(IniFile& anIni, const QStringList& aLines);

}  // namespace qel
