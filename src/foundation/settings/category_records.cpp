#include "foundation/settings/category_records.h"

#include <algorithm>
#include <limits>

namespace {

// Long efforts saturate instead of overflowing.
int32_t AddSaturated(int32_t aTotal, int32_t aTimeInMS) {
    const int64_t sum = int64_t{aTotal} + aTimeInMS;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Written as "not below" so that a NaN on either side counts as reached.
bool Reached(double aValue, double aMinimum) {
    return !(aValue < aMinimum);
}

template <typename TCategory, typename TReached>
void AddTimeWhere(const QList<TCategory>& aCategories, QList<int32_t>& aTimes, int32_t aTimeInMS,
                  TReached aReached) {
    const qsizetype count = std::min(aCategories.size(), aTimes.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (aReached(aCategories[i])) {
            aTimes[i] = AddSaturated(aTimes[i], aTimeInMS);
        }
    }
}

// Index of the last category whose time is strictly above its minimum duration, -1 for none.
template <typename TCategory>
qsizetype LastQualifying(const QList<TCategory>& aCategories, const QList<int32_t>& aTimes) {
    for (qsizetype i = std::min(aCategories.size(), aTimes.size()) - 1; i >= 0; --i) {
        if (aTimes[i] > aCategories[i].MinDurationInMS) {
            return i;
        }
    }
    return -1;
}

}  // namespace

void RqelSprintCategoryInfo::Init(const qel::SprintCategoryList& aCategories) {
    Categories = aCategories;
    SprintCatTime.fill(0, aCategories.size());
}

void RqelSprintCategoryInfo::AddTime(double aSpeed, int32_t aTimeInMS) {
    AddTimeWhere(Categories, SprintCatTime, aTimeInMS,
                 [aSpeed](const RqelSprintCategory& c) { return Reached(aSpeed, c.MinSpeed); });
}

int32_t RqelSprintCategoryInfo::Category() const {
    return static_cast<int32_t>(LastQualifying(Categories, SprintCatTime) + 1);
}

void RqelImpactCategoryInfo::Init(const qel::ImpactCategoryList& aCategories) {
    FCategories = aCategories;
    ImpactCatTime.fill(0, aCategories.size());
}

void RqelImpactCategoryInfo::AddTime(double aImpact, int32_t aTimeInMS) {
    AddTimeWhere(FCategories, ImpactCatTime, aTimeInMS,
                 [aImpact](const RqelImpactCategory& c) { return Reached(aImpact, c.MinImpact); });
}

int32_t RqelImpactCategoryInfo::Category() const {
    return static_cast<int32_t>(LastQualifying(FCategories, ImpactCatTime) + 1);
}

void RqelAccelCategoryInfo::Init(bool aAccel, const qel::AccelCategoryList& aCategories) {
    Categories = aCategories;
    AccelCatTime.fill(0, aCategories.size());
}

void RqelAccelCategoryInfo::AddTime(double aSpeed, double aAccel, int32_t aTimeInMS) {
    AddTimeWhere(Categories, AccelCatTime, aTimeInMS, [aSpeed, aAccel](const RqelAccelCategory& c) {
        return Reached(aSpeed, c.MinSpeed) && Reached(aAccel, c.MinAccel);
    });
}

int32_t RqelAccelCategoryInfo::Category() const {
    const qsizetype index = LastQualifying(Categories, AccelCatTime);
    return index < 0 ? 0 : Categories[index].ID;
}
