#pragma once

#include <QString>
#include <cstdint>

#include "model/field/field_position.h"
#include "model/transponder/field_records.h"

class TqelField;

namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

// The kind of a field object, one byte in front of its block in the field stream.
enum TqelFieldVaruzaType : uint8_t {
    fotLine,
    fotCircle,
    fotMultiLine,
    fotPlane,
    fotText,
    fotFreeForm,
    fotSoccerGoal,
    fotPylon,
    fotBasket,
    fotNet,
    fotPole,
    fotRectangle,
    fotCamera
};
constexpr int kFieldVaruzaTypeCount = 13;

// Stored as int32; a stored value outside these reads as solid.
enum TqelLinePattern : uint8_t { lnpSolid, lnpDotted, lnpDashes, lnpDotDash };

// How client programs draw a surface; one byte in the field stream.
enum TqelMaterialType : uint8_t {
    matNone,
    matGrassDark,
    matGrassLight,
    matIce,
    matConcrete,
    matRedClay,
    matGrassDarkLight,
    matWood,
    matSand,
    matCustom
};

// Base of the field's drawing objects. The field's object list owns every object that names the
// field as its owner (TqelField::addFieldVaruza); an object made without an owner is the caller's.
//
// Threads: an object belongs to its field and is changed on the thread that changes the field
// (the main thread for a dataset's field, before the recording starts).
class TqelFieldVaruza {
public:
    virtual ~TqelFieldVaruza() = default;
    TqelFieldVaruza(const TqelFieldVaruza&) = delete;
    TqelFieldVaruza& operator=(const TqelFieldVaruza&) = delete;

    TqelField* Field() const { return FField; }
    TqelFieldVaruzaType VaruzaType() const { return FVaruzaType; }
    const QString& Name() const { return FName; }
    void setName(const QString& aValue) { FName = aValue; }
    int32_t Color() const { return FColor; }
    void setColor(int32_t aValue) { FColor = aValue; }
    bool Visible() const { return FVisible; }
    void setVisible(bool aValue) { FVisible = aValue; }
    // Not stored in the stream.
    bool AutoCreated() const { return FAutoCreated; }
    void setAutoCreated(bool aValue) { FAutoCreated = aValue; }

    // The block of the kind (base block first); aVersion is the field stream's version.
    virtual void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion);
    virtual void writeToStream(qel::BinaryWriter& aStream) const;

    // A quarter turn counter-clockwise, a rotation by whole or broken degrees counter-clockwise,
    // and a shift, all about the field's origin.
    virtual void Rotate90Deg() = 0;
    virtual void Rotate(double aDegrees) = 0;
    virtual void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) = 0;

protected:
    // Only records the owner: the owner's list takes the object in addFieldVaruza.
    TqelFieldVaruza(TqelField* aOwner, TqelFieldVaruzaType aType)
        : FField(aOwner), FVaruzaType(aType) {}

    // The field's Modified := true, when the object has a field.
    void MarkFieldModified() const;

private:
    friend class TqelField;

    TqelField* FField = nullptr;
    TqelFieldVaruzaType FVaruzaType;
    QString FName;
    int32_t FColor = 0xFFFFFF;
    bool FVisible = true;
    bool FAutoCreated = false;
};

namespace qel {

// Points and boxes of the field stream: int32 X then Y; a box left, top, right, bottom.
RqelFieldPosition ReadFieldPosition(BinaryReader& aStream);
void WriteFieldPosition(BinaryWriter& aStream, const RqelFieldPosition& aPosition);
RqelFieldBox ReadFieldBox(BinaryReader& aStream);
void WriteFieldBox(BinaryWriter& aStream, const RqelFieldBox& aBox);

// A stored line pattern: values outside the known patterns, negative ones included, are solid.
TqelLinePattern LinePatternFromStream(int32_t aValue);

// Whole-degree angles of the objects: a quarter turn, and a rotation by aDegrees rounded half to
// even; both reduced modulo 360 with the sign of the dividend (-10 stays -10).
int32_t TurnAngle90(int32_t anAngle);
int32_t RotateAngle(int32_t anAngle, double aDegrees);

// Raises the list's range error unless 0 <= anIndex < aCount.
void CheckListIndex(int64_t anIndex, int64_t aCount);

}  // namespace qel
