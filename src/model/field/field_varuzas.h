#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/position_records.h"
#include "model/field/field_varuza.h"

// The field's drawing objects besides the line (field_line.h). Lengths in mm, angles in whole
// degrees counter-clockwise from +X. The objects take sizes, counts and angles unchecked; an angle
// is reduced modulo 360 only by the next turn or rotation.

class TqelFieldCircleVaruza : public TqelFieldVaruza {
public:
    explicit TqelFieldCircleVaruza(TqelField* aOwner = nullptr);

    RqelFieldPosition CenterPoint() const { return FCenterPoint; }
    void setCenterPoint(int32_t aXinMM, int32_t aYinMM) { FCenterPoint = {aXinMM, aYinMM}; }
    int32_t RadiusInMM() const { return FRadiusInMM; }
    void setRadiusInMM(int32_t aValue) { FRadiusInMM = aValue; }
    int32_t StartAngle() const { return FStartAngle; }
    void setStartAngle(int32_t aValue) { FStartAngle = aValue; }
    int32_t EndAngle() const { return FEndAngle; }
    void setEndAngle(int32_t aValue) { FEndAngle = aValue; }
    TqelLinePattern LinePattern() const { return FLinePattern; }
    void setLinePattern(TqelLinePattern aValue) { FLinePattern = aValue; }
    int32_t LineWidth() const { return FLineWidth; }
    void setLineWidth(int32_t aValue) { FLineWidth = aValue; }
    // Start 0 and end 360: turns leave the angles alone.
    bool IsFullCircle() const { return FStartAngle == 0 && FEndAngle == 360; }

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;
    void Rotate90Deg() override;
    void Rotate(double aDegrees) override;
    void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) override;

private:
    // Both angles moved to their new values, then back by 360 once the start reaches 360.
    void SetArc(int64_t aStartAngle, int64_t anEndAngle);

    RqelFieldPosition FCenterPoint;
    int32_t FRadiusInMM = 0;
    int32_t FStartAngle = 0;
    int32_t FEndAngle = 360;
    TqelLinePattern FLinePattern = lnpSolid;
    int32_t FLineWidth = 2;
};

namespace qel {

// The point list of the multi-line and the plane. Indexes are checked: a bad one raises the
// list's range error.
class FieldPointsVaruza : public TqelFieldVaruza {
public:
    void addPoint(const RqelFieldPosition& aPoint) { FPoints.push_back(aPoint); }
    void addPoint(int32_t aXinMM, int32_t aYinMM) { FPoints.push_back({aXinMM, aYinMM}); }
    void SetPoint(int32_t anIndex, int32_t aXinMM, int32_t aYinMM);
    RqelFieldPosition& getPoint(int32_t anIndex);
    const RqelFieldPosition& getPoint(int32_t anIndex) const;
    void ClearPoints() { FPoints.clear(); }
    int32_t PointCount() const { return static_cast<int32_t>(FPoints.size()); }

    void Rotate90Deg() override;
    void Rotate(double aDegrees) override;
    void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) override;

protected:
    using TqelFieldVaruza::TqelFieldVaruza;

    // Count (int32) and points; the count is checked against the bytes left first.
    void ReadPoints(BinaryReader& aStream);
    void WritePoints(BinaryWriter& aStream) const;

private:
    std::vector<RqelFieldPosition> FPoints;
};

// A position; a turn, a rotation and a shift move it.
class FieldPlacedVaruza : public TqelFieldVaruza {
public:
    RqelFieldPosition Position() const { return FPosition; }

    void Rotate90Deg() override { FPosition.Rotate90Deg(); }
    void Rotate(double aDegrees) override { FPosition.Rotate(aDegrees); }
    void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) override {
        FPosition.Transpose(aXOffsetInMM, aYOffsetInMM);
    }

protected:
    FieldPlacedVaruza(TqelField* aOwner, TqelFieldVaruzaType aType, RqelFieldPosition aPosition)
        : TqelFieldVaruza(aOwner, aType), FPosition(aPosition) {}

    RqelFieldPosition FPosition;
};

// A position with an angle that turns with it.
class FieldAngledVaruza : public FieldPlacedVaruza {
public:
    int32_t Angle() const { return FAngle; }
    void setAngle(int32_t aValue) { FAngle = aValue; }

    void Rotate90Deg() override;
    void Rotate(double aDegrees) override;

protected:
    using FieldPlacedVaruza::FieldPlacedVaruza;

    int32_t FAngle = 0;
};

}  // namespace qel

class TqelFieldMultiLineVaruza : public qel::FieldPointsVaruza {
public:
    explicit TqelFieldMultiLineVaruza(TqelField* aOwner = nullptr);

    TqelLinePattern LinePattern() const { return FLinePattern; }
    void setLinePattern(TqelLinePattern aValue) { FLinePattern = aValue; }
    int32_t LineWidth() const { return FLineWidth; }
    void setLineWidth(int32_t aValue) { FLineWidth = aValue; }

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

private:
    TqelLinePattern FLinePattern = lnpSolid;
    int32_t FLineWidth = 2;
};

class TqelFieldPlaneVaruza : public qel::FieldPointsVaruza {
public:
    explicit TqelFieldPlaneVaruza(TqelField* aOwner = nullptr);

    TqelMaterialType Material() const { return FMaterial; }
    void setMaterial(TqelMaterialType aValue) { FMaterial = aValue; }

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

private:
    TqelMaterialType FMaterial = matNone;
};

class TqelFieldTextVaruza : public qel::FieldAngledVaruza {
public:
    explicit TqelFieldTextVaruza(TqelField* aOwner = nullptr);

    void setPosition(int32_t aXinMM, int32_t aYinMM) { FPosition = {aXinMM, aYinMM}; }
    const QString& Text() const { return FText; }
    void setText(const QString& aValue) { FText = aValue; }
    int32_t Scale() const { return FScale; }
    void setScale(int32_t aValue) { FScale = aValue; }

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

private:
    QString FText;
    int32_t FScale = 100;
};

// Drawn by client programs only; it does not move.
class TqelFieldFreeFormVaruza : public TqelFieldVaruza {
public:
    explicit TqelFieldFreeFormVaruza(TqelField* aOwner = nullptr);

    void Rotate90Deg() override {}
    void Rotate(double) override {}
    void Transpose(int32_t, int32_t) override {}
};

class TqelFieldSoccerGoalVaruza : public qel::FieldAngledVaruza {
public:
    explicit TqelFieldSoccerGoalVaruza(TqelField* aOwner = nullptr);

    // Both mark the field modified.
    void setPosition(int32_t aXinMM, int32_t aYinMM, int32_t anAngle);
    void SetDimensions(int32_t aWidthInMM, int32_t aHeightInMM);
    int32_t Width() const { return FWidth; }
    void setWidth(int32_t aValue) { FWidth = aValue; }
    int32_t Height() const { return FHeight; }
    void setHeight(int32_t aValue) { FHeight = aValue; }
    bool CanMove() const { return FCanMove; }
    // Tells the field's dataset that the field changed.
    void setCanMove(bool aValue);
    // A cleared position with X and Y of the goal in metres.
    RqelCalculatedPosition WorldPos() const;

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

private:
    int32_t FWidth = 7315;
    int32_t FHeight = 2438;
    bool FCanMove = false;
};

namespace qel {

// The pylon and the pole: a post with a size; CanMove is not stored.
class FieldPostVaruza : public FieldPlacedVaruza {
public:
    // Marks the field modified.
    void setPosition(int32_t aXinMM, int32_t aYinMM);
    int32_t Width() const { return FWidth; }
    void setWidth(int32_t aValue) { FWidth = aValue; }
    int32_t Height() const { return FHeight; }
    void setHeight(int32_t aValue) { FHeight = aValue; }
    bool CanMove() const { return FCanMove; }
    void setCanMove(bool aValue) { FCanMove = aValue; }

protected:
    FieldPostVaruza(TqelField* aOwner, TqelFieldVaruzaType aType, int32_t aColor);

    int32_t FWidth = 500;
    int32_t FHeight = 640;
    bool FCanMove = false;
};

}  // namespace qel

class TqelFieldPylonVaruza : public qel::FieldPostVaruza {
public:
    explicit TqelFieldPylonVaruza(TqelField* aOwner = nullptr);

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;
};

class TqelFieldPoleVaruza : public qel::FieldPostVaruza {
public:
    explicit TqelFieldPoleVaruza(TqelField* aOwner = nullptr);

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;
};

class TqelFieldBasketVaruza : public qel::FieldAngledVaruza {
public:
    explicit TqelFieldBasketVaruza(TqelField* aOwner = nullptr);

    void setPosition(int32_t aXinMM, int32_t aYinMM, int32_t anAngle);

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;
};

class TqelFieldNetVaruza : public qel::FieldAngledVaruza {
public:
    explicit TqelFieldNetVaruza(TqelField* aOwner = nullptr);

    void setPosition(int32_t aXinMM, int32_t aYinMM, int32_t anAngle);
    void SetDimensions(int32_t aWidthInMM, int32_t aHeightInMM, int32_t aNetHeight,
                       int32_t aMeshWidth);
    void DefaultTennisNet() { SetDimensions(14020, 914, 914, 100); }
    void DefaultVolleyballNet() { SetDimensions(9144, 2438, 1000, 100); }
    void DefaultBadmintonNet() { SetDimensions(6100, 1550, 760, 100); }
    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    int32_t NetHeight() const { return FNetHeight; }
    int32_t MeshWidth() const { return FMeshWidth; }
    bool CanMove() const { return FCanMove; }
    void setCanMove(bool aValue) { FCanMove = aValue; }

    // A net read from a stream cannot move.
    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

private:
    int32_t FWidth = 12970;
    int32_t FHeight = 914;
    int32_t FNetHeight = 914;
    int32_t FMeshWidth = 45;
    bool FCanMove = true;
};

class TqelFieldRectangleVaruza : public TqelFieldVaruza {
public:
    explicit TqelFieldRectangleVaruza(TqelField* aOwner = nullptr);

    const RqelFieldBox& Rectangle() const { return FRectangle; }
    RqelFieldPosition LeftTopPoint() const { return FRectangle.LeftTop; }
    RqelFieldPosition RightBottomPoint() const { return FRectangle.RightBottom; }
    void setLeftTopPoint(int32_t aXinMM, int32_t aYinMM) { FRectangle.LeftTop = {aXinMM, aYinMM}; }
    void setRightBottomPoint(int32_t aXinMM, int32_t aYinMM) {
        FRectangle.RightBottom = {aXinMM, aYinMM};
    }
    // Borders included; a NaN coordinate passes its test.
    bool IsInBox(double aXinMM, double aYinMM) const;

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;
    // The corners are not re-ordered afterwards.
    void Rotate90Deg() override { FRectangle.Rotate90Deg(); }
    void Rotate(double aDegrees) override { FRectangle.Rotate(aDegrees); }
    void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) override {
        FRectangle.Transpose(aXOffsetInMM, aYOffsetInMM);
    }

private:
    RqelFieldBox FRectangle;
};

// A camera's placement: where it stands, where the viewer looks from, and its label. Turns move
// the position and the label's angle, not the viewer position.
class TqelFieldCameraVaruza : public qel::FieldPlacedVaruza {
public:
    explicit TqelFieldCameraVaruza(TqelField* aOwner = nullptr);

    // A viewer position equal to the position moves along. Marks the field modified.
    void setPosition(int32_t aXinMM, int32_t aYinMM);
    RqelFieldPosition ViewerPos() const { return FViewerPos; }
    void setViewerPos(int32_t aXinMM, int32_t aYinMM);
    int32_t Height() const { return FHeight; }
    void setHeight(int32_t aValue);
    const QString& Text() const { return FText; }
    void setText(const QString& aValue);
    int32_t TextAngle() const { return FTextAngle; }
    void setTextAngle(int32_t aValue) { FTextAngle = aValue; }
    int32_t Scale() const { return FScale; }
    void setScale(int32_t aValue) { FScale = aValue; }
    int32_t PanOffset() const { return FPanOffset; }
    void setPanOffset(int32_t aValue) { FPanOffset = aValue; }
    const QString& Area() const { return FArea; }
    void setArea(const QString& aValue) { FArea = aValue; }
    int32_t CameraIndex() const { return FCameraIndex; }
    void setCameraIndex(int32_t aValue) { FCameraIndex = aValue; }
    // A cleared position: the viewer position with Z = Height, in metres.
    RqelCalculatedPosition ViewPos() const;

    void readFromStream(qel::BinaryReader& aStream, uint16_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;
    void Rotate90Deg() override;
    void Rotate(double aDegrees) override;

private:
    RqelFieldPosition FViewerPos{1000, 0};
    int32_t FHeight = 9000;
    QString FText;
    int32_t FTextAngle = 0;
    int32_t FScale = 100;
    int32_t FPanOffset = 0;
    QString FArea;
    int32_t FCameraIndex = 0;
};

namespace qel {

// A new object of the kind that a type byte names, made for aOwner but not yet in its list; null
// for a byte outside the kinds.
std::unique_ptr<TqelFieldVaruza> NewFieldVaruza(uint8_t aType, TqelField* aOwner);

}  // namespace qel
