#pragma once

#include <QList>
#include <QString>
#include <cstdint>

// Sprint, impact and acceleration categories (defined in the client settings) and the
// accumulators with which the analyses count the time an effort spends in each category.

struct RqelSprintCategory {
    int32_t ID = 0;
    double MinSpeed = 0;
    int32_t MinDurationInMS = 0;
    QString Description;
    uint32_t Color = 0;
    bool Visible = false;
};

struct RqelImpactCategory {
    int32_t ID = 0;
    double MinImpact = 0;
    int32_t MinDurationInMS = 0;
    QString Description;
    uint32_t Color = 0;
};

// Acceleration and deceleration categories.
struct RqelAccelCategory {
    int32_t ID = 0;
    double MinSpeed = 0;
    double MinAccel = 0;
    int32_t MinDurationInMS = 0;
    QString Description;
    uint32_t Color = 0;
    bool Visible = false;
};

namespace qel {
using SprintCategoryList = QList<RqelSprintCategory>;
using ImpactCategoryList = QList<RqelImpactCategory>;
using AccelCategoryList = QList<RqelAccelCategory>;
}  // namespace qel

// The accumulators hold the category list they were given (an implicitly shared snapshot of the
// client settings' or the analysis definition's list), so the list handed to Init may be a
// temporary and later changes of the source do not reach them. The times are read only as far as
// both the list and the times reach.

struct RqelSprintCategoryInfo {
    qel::SprintCategoryList Categories;
    // Accumulated ms per category, same index as the list.
    QList<int32_t> SprintCatTime;

    void Init(const qel::SprintCategoryList& aCategories);
    // Adds aTimeInMS to every category with MinSpeed <= aSpeed (a NaN speed reaches all).
    void AddTime(double aSpeed, int32_t aTimeInMS);
    // 1-based position of the last category whose time is above its MinDurationInMS, 0 for none.
    int32_t Category() const;
};

struct RqelImpactCategoryInfo {
    qel::ImpactCategoryList FCategories;
    QList<int32_t> ImpactCatTime;

    void Init(const qel::ImpactCategoryList& aCategories);
    void AddTime(double aImpact, int32_t aTimeInMS);
    int32_t Category() const;
};

struct RqelAccelCategoryInfo {
    qel::AccelCategoryList Categories;
    QList<int32_t> AccelCatTime;

    // aAccel tells acceleration from deceleration categories; the record does not use it.
    void Init(bool aAccel, const qel::AccelCategoryList& aCategories);
    void AddTime(double aSpeed, double aAccel, int32_t aTimeInMS);
    // The ID (not the position) of the last category whose time is above its MinDurationInMS.
    int32_t Category() const;
};
