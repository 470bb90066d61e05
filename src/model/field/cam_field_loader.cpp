#include "model/field/cam_field_loader.h"

#include <QFileInfo>

#include "model/field/field.h"

namespace qel {

bool LoadCamFieldObjects(const QString& aFileName, QStringList& aLines, QStringList& aAreas) {
    aLines.clear();
    aAreas.clear();
    if (aFileName.isEmpty() || !QFileInfo(aFileName).isFile()) {
        return false;
    }
    const TqelField field(aFileName);
    for (const auto& varuza : field.FieldVaruzas()) {
        if (varuza->VaruzaType() == fotLine) {
            aLines.append(varuza->Name());
        } else if (varuza->VaruzaType() == fotRectangle) {
            aAreas.append(varuza->Name());
        }
    }
    return true;
}

}  // namespace qel
