#include "model/groups/group_types.h"

#include <array>

#include "app/translation.h"
#include "platform/exception.h"

QString VisualisationTypeCaption(int32_t aVisualisationType) {
    static constexpr std::array<const char*, VisualisationTypeCount> captions = {
        "Team",
        "Connecting line",
        "Horizontal average line",
        "Vertical average line",
        "left line",
        "right line",
        "Enclosing box",
        "Average distance from center",
        "Area",
        "Soccer Lines",
        "Angle to goal",
        "Trajectory of player",
        "Offside line",
        "Uncovered area",
        "Defense counter",
        "Slag pot carrier",
    };
    if (aVisualisationType < 0 || aVisualisationType >= VisualisationTypeCount) {
        throw Exception(QStringLiteral("Not defined GroupType: %1").arg(aVisualisationType));
    }
    return qel::Translate(captions[static_cast<size_t>(aVisualisationType)]);
}
