#pragma once

#include <cstdint>

class TqelField;

// Fills aField with the markings of a soccer pitch of the given size (mm), centred on the origin
// with its length along X: border, halfway line, centre circle and spot, goal and penalty areas,
// penalty spots and arcs, corner arcs and both goals, as 19 named objects. The field's earlier
// objects are freed; its lanes, sectors, track and GPS reference stay. Sizes are not checked: a
// pitch smaller than its penalty areas gets overlapping markings. Raises EFieldDefinitionError
// for the field of a dataset that records.
void CreateDefaultSoccerField(TqelField& aField, int32_t aLengthInMM, int32_t aWidthInMM);
