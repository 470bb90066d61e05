#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/position_records.h"
#include "foundation/settings/client_config.h"
#include "foundation/settings/field_settings.h"
#include "foundation/shared_enums.h"
#include "model/field/field_line.h"
#include "model/field/field_varuza.h"
#include "model/transponder/field_records.h"
#include "platform/exception.h"

class TqelDataset;
class TqelFieldCameraVaruza;
class TqelFieldMultiLineVaruza;
class TqelFieldPoleVaruza;
class TqelFieldPylonVaruza;
class TqelFieldRectangleVaruza;
class TqelFieldSoccerGoalVaruza;
class TqelFieldTextVaruza;

// A field stream that cannot be read as a field (an unknown object kind), or a field that may not
// be read or reshaped now.
QEL_DECLARE_EXCEPTION(EFieldDefinitionError, Exception);

enum TqelTrackOrientation : uint8_t { trackHorizontal, trackVertical };
// Stored as int32.
enum TqelIceHockeyPenaltyArea : uint8_t { ipaNone, ipaPosY, ipaNegY };
enum TqelGoalAlign : uint8_t { igLeft, igRight };

// Descriptions are stored as a length byte and 32 Windows-1252 bytes: longer texts are written
// cut to 32 characters.
struct RqelLaneDef {
    int32_t StartRadiusInMM = 0;
    int32_t EndRadiusInMM = 0;
    QString Description;
};

struct RqelSectorDef {
    int32_t Num = 0;
    int32_t StartInMM = 0;
    int32_t EndInMM = 0;
    QString Description;
};

struct RqelFieldSectorDef {
    int32_t Num = 0;
    RqelFieldBox Box;
    QString Description;
};

// The centres of the two bends and the two radii, in mm.
struct RqelTrackDefinition {
    RqelFieldPosition TrackCorner1;
    RqelFieldPosition TrackCorner2;
    int32_t TrackStartRadiusInMM = 0;
    int32_t TrackEndRadiusInMM = 0;
};

// The playing area of a recording: the measure box inside which positions count, the field box
// of the playing lines, an optional oval track with lanes and sectors, field sectors, the GPS
// reference and the drawing objects; stored as the field stream (field block of the dataset file,
// or a field definition file on its own).
//
// Threads: changed on the thread that owns it (the main thread for a dataset's field). The
// cadence thread of a recording reads the boxes, the track and the sectors without a lock; that is
// sound because the preparation loads the field before the recording starts, and reading a stream
// into the field of a recording dataset, moving it or replacing it with a default pitch is
// refused.
class TqelField {
public:
    static constexpr uint16_t kStreamVersion = 27;
    // A soccer penalty area (mm): its depth from the goal line and half its width.
    static constexpr int32_t kPenaltyAreaDepthInMM = 16460;
    static constexpr int32_t kPenaltyAreaHalfWidthInMM = 20115;

    // aDataSet, when given, is told of changes and shares the sport type; it must outlive the
    // field.
    explicit TqelField(TqelDataset* aDataSet = nullptr);
    // A field of no dataset, read from the file.
    explicit TqelField(const QString& aFilename);
    ~TqelField();
    TqelField(const TqelField&) = delete;
    TqelField& operator=(const TqelField&) = delete;

    // Files and streams. Reading the field of a dataset that records raises
    // EFieldDefinitionError and changes nothing; a reading error leaves what was read so far.
    void readFromStream(qel::BinaryReader& aStream);
    void writeToStream(qel::BinaryWriter& aStream);
    // Raises EFOpenError when the file cannot be opened.
    void LoadFromFile(const QString& aFilename);
    // Through a temporary file renamed over the old one: a failed save leaves the old file.
    // Raises EFCreateError or EWriteError.
    void SaveToFile(const QString& aFilename);

    uint16_t Version() const { return FVersion; }
    TqelDataset* Dataset() const { return FDataSet; }
    // Raises EFieldDefinitionError, naming anAction ("read", "moved"), when the field belongs to
    // a dataset that records: its cadence thread reads the geometry without a lock.
    void CheckNotRecording(const QString& anAction) const;

    // Objects. The list owns them; addFieldVaruza takes an object made for this field (or for no
    // field) once.
    TqelFieldVaruza* addFieldVaruza(std::unique_ptr<TqelFieldVaruza> anVaruza);
    // A new object of kind T in this field's list.
    template <typename T>
    T* NewVaruza() {
        return static_cast<T*>(addFieldVaruza(std::make_unique<T>(this)));
    }
    // Frees the object; a finish line that names it is cleared. Nothing for an object of
    // another field.
    void DeleteVaruza(TqelFieldVaruza* aVaruza);
    void clearVaruzas();
    // Null for a negative index; the list's range error at or beyond the count.
    TqelFieldVaruza* getFieldVaruza(int32_t anIndex) const;
    int32_t FieldVaruzaCount() const { return static_cast<int32_t>(FVaruzas.size()); }
    const std::vector<std::unique_ptr<TqelFieldVaruza>>& FieldVaruzas() const { return FVaruzas; }
    // Names compare without case; null (or -1) when none matches.
    TqelFieldVaruza* FieldVaruzaByName(const QString& aVaruzaName) const;
    int32_t FieldVaruzaIndexOf(const QString& aVaruzaName) const;
    // The first whose name begins with aVaruzaName; with aAutoCreated only auto-created objects.
    TqelFieldVaruza* FieldVaruzaNameStartWith(const QString& aVaruzaName, bool aAutoCreated) const;
    TqelFieldCameraVaruza* FieldCameraVaruzaByCamIndex(int32_t aCamIndex) const;
    // igLeft: the goal with the smallest X; otherwise the largest. The first on equal X.
    TqelFieldSoccerGoalVaruza* GetSoccerGoal(TqelGoalAlign Aligned) const;
    // aBase followed by the smallest number from 1 that no object's name has (without case).
    QString NewVaruzaName(const QString& aBase) const;

    // Creation. Each new object is visible, and the dataset hears that the field changed
    // (AddMultiLine excepted). The objects are named NewVaruzaName of their kind ("line",
    // "pole", ...); a line keeps a name given to it unless that is taken.
    TqelFieldLineVaruza* AddLine(const RqelCalculatedPosition& aFromPos,
                                 const RqelCalculatedPosition& aToPos, const QString& aName);
    // Also computes the crossing direction; a line within half a degree of an axis is laid
    // exactly on it, through the mean of its ends.
    TqelFieldLineVaruza* AddLine(int32_t aFromXinMM, int32_t aFromYinMM, int32_t aToXinMM,
                                 int32_t aToYinMM, const QString& aName);
    // Always named "multiline<n>"; aName is not used.
    TqelFieldMultiLineVaruza* AddMultiLine(const QString& aName);
    TqelFieldPoleVaruza* AddPole(int32_t aXinMM, int32_t aYinMM, int32_t aColor);
    // (0, 0) places it at the centre of the field box.
    TqelFieldPylonVaruza* AddPylon(int32_t aXinMM, int32_t aYinMM);
    // At the centre of the field box, sized for the dataset's sport.
    TqelFieldSoccerGoalVaruza* AddSoccerGoal();
    TqelFieldRectangleVaruza* AddRectangle(const RqelFieldPosition& aLeftTop,
                                           const RqelFieldPosition& aRightBottom);
    TqelFieldTextVaruza* AddText(const QString& aText, int32_t aXinMM, int32_t aYinMM,
                                 int32_t aColor);
    // The camera named aName, reused or made; an object of that name of another kind is deleted
    // first. Null (and nothing done) for an empty name.
    TqelFieldCameraVaruza* AddCamera(int32_t aXinMM, int32_t aYinMM, int32_t aZinMM,
                                     int32_t aPanOffset, int32_t aColor, const QString& aName);

    // Geometry. These read the boxes only and allocate nothing: the cadence thread asks them in
    // every analysis step.
    // In the measure box, borders included; a position with X or Y exactly 0 is no position.
    bool isOnField(const RqelCalculatedPosition& aPos) const;
    bool isOnField(int32_t aXinMM, int32_t aYinMM) const;
    // The measure-box test alone.
    bool isOnField(const RqelFieldPosition& aPos) const;
    bool InFieldBox(const RqelCalculatedPosition& aPos) const;
    // Zone 1..18: six columns along X (the penalty areas, the halves of each half) by three rows
    // across Y, counted from the left top in the direction of play. Raises EInvalidOp for a
    // coordinate that is no number.
    int32_t PositionToZone(double aPosXinM, double aPosYinM,
                           TqelPlayDirection aPlayDirection) const;
    // Shifts the objects, both boxes, the field sectors and, with a track, its corners and finish
    // points. Lanes, track sectors, the out-of-bounds box, the transpose offsets and the GPS
    // reference stay.
    void Transpose(int32_t anXOffset, int32_t anYOffset);

    // Lanes, track sectors and field sectors. The getters raise the list's range error outside
    // the list.
    void addLaneDef(const RqelLaneDef& aLane) { FLanes.push_back(aLane); }
    void addSectorDef(const RqelSectorDef& aSector) { FSectors.push_back(aSector); }
    void clearLanes() { FLanes.clear(); }
    void clearSectors() { FSectors.clear(); }
    RqelLaneDef getLane(int32_t anIndex) const;
    RqelSectorDef getSector(int32_t anIndex) const;
    RqelFieldSectorDef getFieldSector(int32_t anIndex) const;
    int32_t LaneCount() const { return static_cast<int32_t>(FLanes.size()); }
    int32_t SectorCount() const { return static_cast<int32_t>(FSectors.size()); }
    int32_t FieldSectorCount() const { return static_cast<int32_t>(FFieldSectors.size()); }
    std::vector<RqelFieldSectorDef>& FieldSectors() { return FFieldSectors; }
    const std::vector<RqelFieldSectorDef>& FieldSectors() const { return FFieldSectors; }

    // Stores the flag, derives the penalty-area corners and tells the dataset that the field
    // changed.
    bool Modified() const { return FModified; }
    void setModified(bool aValue);

    // Sets the dataset's sport also when unchanged; Modified when changed.
    TqelSports SportType() const { return FSportType; }
    void setSportType(TqelSports aValue);
    // These mark the field modified when the value changes (a NaN always counts as a change).
    TqelIceHockeyPenaltyArea IcehockeyPenaltyArea() const { return FIcehockeyPenaltyArea; }
    void setIcehockeyPenaltyArea(TqelIceHockeyPenaltyArea aValue);
    bool DrawBorder() const { return FDrawBorder; }
    void setDrawBorder(bool aValue);
    bool TrackTeamPursuit() const { return FTrackTeamPursuit; }
    void setTrackTeamPursuit(bool aValue);
    double BorderHeight() const { return FBorderHeight; }
    void setBorderHeight(double aValue);
    // Radians.
    double FieldRotation3DViewer() const { return FFieldRotation3DViewer; }
    void setFieldRotation3DViewer(double aValue);
    const QString& CustomMaterial() const { return FCustomMaterial; }
    void setCustomMaterial(const QString& aValue);

    // Stored as they are.
    const QString& Surface() const { return FSurface; }
    void setSurface(const QString& aValue) { FSurface = aValue; }
    TqelFieldLineVaruza* TrackFinishLine1() const { return FTrackFinishLine1; }
    void setTrackFinishLine1(TqelFieldLineVaruza* aValue) { FTrackFinishLine1 = aValue; }
    TqelFieldLineVaruza* TrackFinishLine2() const { return FTrackFinishLine2; }
    void setTrackFinishLine2(TqelFieldLineVaruza* aValue) { FTrackFinishLine2 = aValue; }
    uint8_t TrackFinishDirection1() const { return FTrackFinishDirection1; }
    void setTrackFinishDirection1(uint8_t aValue) { FTrackFinishDirection1 = aValue; }
    uint8_t TrackFinishDirection2() const { return FTrackFinishDirection2; }
    void setTrackFinishDirection2(uint8_t aValue) { FTrackFinishDirection2 = aValue; }
    int32_t Color() const { return FColor; }
    void setColor(int32_t aValue) { FColor = aValue; }
    TqelMaterialType Material() const { return FMaterial; }
    void setMaterial(TqelMaterialType aValue) { FMaterial = aValue; }
    double PowerFactor() const { return FPowerFactor; }
    void setPowerFactor(double aValue) { FPowerFactor = aValue; }
    const RqelFieldBox& MeasureBox() const { return FMeasureBox; }
    void setMeasureBox(const RqelFieldBox& aValue) { FMeasureBox = aValue; }
    RqelFieldPosition MeasureBoxLeftTop() const { return FMeasureBox.LeftTop; }
    RqelFieldPosition MeasureBoxRightBottom() const { return FMeasureBox.RightBottom; }
    const RqelFieldBox& FieldBox() const { return FFieldBox; }
    void setFieldBox(const RqelFieldBox& aValue) { FFieldBox = aValue; }
    RqelFieldPosition FieldBoxLeftTop() const { return FFieldBox.LeftTop; }
    RqelFieldPosition FieldBoxRightBottom() const { return FFieldBox.RightBottom; }
    RqelFieldPosition LeftPenaltyArea() const { return FLeftPenaltyArea; }
    RqelFieldPosition RightPenaltyArea() const { return FRightPenaltyArea; }
    int32_t TransposeXinMM() const { return FTransposeXinMM; }
    void setTransposeXinMM(int32_t aValue) { FTransposeXinMM = aValue; }
    int32_t TransposeYinMM() const { return FTransposeYinMM; }
    void setTransposeYinMM(int32_t aValue) { FTransposeYinMM = aValue; }
    // Counter-clockwise quarter turns applied to every raw position when it is recorded.
    uint8_t TransposeRotationdegrees() const { return FTransposeRotationdegrees; }
    void setTransposeRotationdegrees(uint8_t aValue) { FTransposeRotationdegrees = aValue; }
    RqelFieldPosition OutOfBoundsBoxLeftTop() const { return FOutOfBoundsBoxLeftTop; }
    void setOutOfBoundsBoxLeftTop(const RqelFieldPosition& aValue) {
        FOutOfBoundsBoxLeftTop = aValue;
    }
    RqelFieldPosition OutOfBoundsBoxRightBottom() const { return FOutOfBoundsBoxRightBottom; }
    void setOutOfBoundsBoxRightBottom(const RqelFieldPosition& aValue) {
        FOutOfBoundsBoxRightBottom = aValue;
    }

    // Track.
    bool HasTrack() const { return FHasTrack; }
    void setHasTrack(bool aValue) { FHasTrack = aValue; }
    TqelTrackOrientation TrackOrientation() const { return FTrackOrientation; }
    void setTrackOrientation(TqelTrackOrientation aValue) { FTrackOrientation = aValue; }
    const RqelTrackDefinition& TrackDefinition() const { return FTrackDefinition; }
    void setTrackDefinition(const RqelTrackDefinition& aValue) { FTrackDefinition = aValue; }
    int32_t TrackColor() const { return FTrackColor; }
    void setTrackColor(int32_t aValue) { FTrackColor = aValue; }
    TqelMaterialType TrackMaterial() const { return FTrackMaterial; }
    void setTrackMaterial(TqelMaterialType aValue) { FTrackMaterial = aValue; }
    RqelFieldPosition TrackFinishLeft() const { return FTrackFinishLeft; }
    void setTrackFinishLeft(const RqelFieldPosition& aValue) { FTrackFinishLeft = aValue; }
    RqelFieldPosition TrackFinishRight() const { return FTrackFinishRight; }
    void setTrackFinishRight(const RqelFieldPosition& aValue) { FTrackFinishRight = aValue; }
    int32_t TrackLengthInMM() const { return FTrackLengthInMM; }
    void setTrackLengthInMM(int32_t aValue) { FTrackLengthInMM = aValue; }
    int32_t TrackLeftRightRadius() const { return FTrackLeftRightRadiusInMM; }
    void setTrackLeftRightRadius(int32_t aValue) { FTrackLeftRightRadiusInMM = aValue; }

    // GPS reference: the stored points, and the rotation (radians) and degrees per metre derived
    // from them on reading.
    RqelGPSPosition& GPSZeroPoint() { return FGPSZeroPoint; }
    RqelGPSPosition& GPSPoint1() { return FGPSPoint1; }
    RqelGPSPosition& GPSPoint2() { return FGPSPoint2; }
    const RqelGPSPosition& GPSZeroPoint() const { return FGPSZeroPoint; }
    const RqelGPSPosition& GPSPoint1() const { return FGPSPoint1; }
    const RqelGPSPosition& GPSPoint2() const { return FGPSPoint2; }
    double GPSRotation() const { return FGPSRotation; }
    double GPSLatDegM() const { return FGPSLatDegM; }
    double GPSLongDegM() const { return FGPSLongDegM; }
    // The position in whole mm turned by the GPS rotation, with its latitude and longitude and
    // Valid = isOnField; the time, Z and direction are left to the caller. Raises EInvalidOp for
    // a position beyond 32-bit mm.
    RqelGPSPosition calcGPSPosition(const RqelCalculatedPosition& aPos) const;
    // The way back, into a cleared position record. Raises EInvalidOp before the field has a GPS
    // reference (read from a stream or set) and for a result beyond 32-bit mm.
    RqelPositionRec GPStoMetric(qel::Latitude aLatitude, qel::Longitude aLongitude) const;
    // Places the field's origin at aOriginGPS, turned by its Direction; points 1 and 2 become the
    // bottom corners of the field box, from which a reader derives the rotation again.
    void SetGPSFieldLocation(const RqelGPSPosition& aOriginGPS);

private:
    void ForgetVaruza(const TqelFieldVaruza* aVaruza);
    void DerivePenaltyAreas();
    void LinkFinishLines(const QString& aFinishLine1, const QString& aFinishLine2);
    void DeriveGPSValues();
    void ReadObjects(qel::BinaryReader& aStream, uint16_t aVersion);
    void NotifyDataset() const;
    // The name if it is free and not empty, else the next free one after aBase.
    QString FreeVaruzaName(const QString& aName, const QString& aBase) const;
    RqelFieldPosition FieldBoxCenter() const;

    uint16_t FVersion = kStreamVersion;
    TqelDataset* FDataSet = nullptr;
    std::vector<std::unique_ptr<TqelFieldVaruza>> FVaruzas;
    int32_t FColor = 0x008000;
    TqelMaterialType FMaterial = matGrassLight;
    QString FCustomMaterial;
    RqelFieldBox FMeasureBox{{-55000, 37000}, {55000, -37000}};
    RqelFieldBox FFieldBox;
    RqelFieldPosition FLeftPenaltyArea;
    RqelFieldPosition FRightPenaltyArea;
    int32_t FTransposeXinMM = 0;
    int32_t FTransposeYinMM = 0;
    uint8_t FTransposeRotationdegrees = 0;
    RqelFieldPosition FOutOfBoundsBoxLeftTop;
    RqelFieldPosition FOutOfBoundsBoxRightBottom;
    bool FHasTrack = false;
    TqelTrackOrientation FTrackOrientation = trackHorizontal;
    RqelTrackDefinition FTrackDefinition;
    int32_t FTrackColor = 0;
    TqelMaterialType FTrackMaterial = matNone;
    RqelFieldPosition FTrackFinishLeft;
    RqelFieldPosition FTrackFinishRight;
    int32_t FTrackLengthInMM = 0;
    int32_t FTrackLeftRightRadiusInMM = 0;
    bool FTrackTeamPursuit = false;
    // Non-owning: line objects of FVaruzas, cleared when their object is freed.
    TqelFieldLineVaruza* FTrackFinishLine1 = nullptr;
    TqelFieldLineVaruza* FTrackFinishLine2 = nullptr;
    uint8_t FTrackFinishDirection1 = 0;
    uint8_t FTrackFinishDirection2 = 0;
    std::vector<RqelLaneDef> FLanes;
    std::vector<RqelSectorDef> FSectors;
    std::vector<RqelFieldSectorDef> FFieldSectors;
    bool FDrawBorder = false;
    double FBorderHeight = 0;
    double FFieldRotation3DViewer = 4.71238898038469;
    TqelSports FSportType = sportGeneric;
    TqelIceHockeyPenaltyArea FIcehockeyPenaltyArea = ipaNone;
    double FPowerFactor = 1.05;
    RqelGPSPosition FGPSZeroPoint;
    RqelGPSPosition FGPSPoint1;
    RqelGPSPosition FGPSPoint2;
    double FGPSRotation = 0;
    double FGPSLatDegM = 0;
    double FGPSLongDegM = 0;
    QString FSurface;
    bool FModified = false;
};
