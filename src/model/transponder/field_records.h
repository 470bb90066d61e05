#pragma once

#include <cstdint>
#include <type_traits>

#include "model/field/field_position.h"
#include "model/transponder/packed_record.h"

// A box of the field geometry (16 bytes): LeftTop then RightBottom. Left is the smaller X, top
// the larger Y. Two aligned points, so a plain struct like RqelFieldPosition.
struct RqelFieldBox {
    RqelFieldPosition LeftTop;
    RqelFieldPosition RightBottom;

    // The point operations on both corners; the corners are not re-ordered afterwards.
    void Rotate90Deg();
    void Rotate(double aDegrees);
    void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM);

    // Borders included. A NaN coordinate passes its test, so only the other one decides.
    bool PositionInBox(double aXinMM, double aYinMM) const;
    int32_t LengthInMM() const;
    int32_t WidthInMM() const;
};
static_assert(sizeof(RqelFieldBox) == 16);
static_assert(std::is_trivially_copyable_v<RqelFieldBox>);
static_assert(std::is_standard_layout_v<RqelFieldBox>);

// A position with its GPS coordinates (41 bytes, packed):
//    0 TimeInMS i32   4 Latitude f64   12 Longitude f64   20 XinMM i32   24 YinMM i32
//   28 ZinMM i32   32 Valid u8 (boolean)   33 Direction f64
struct RqelGPSPosition : qel::PackedRecord<41> {
    int32_t TimeInMS() const { return getI32(0); }
    void setTimeInMS(int32_t aValue) { setI32(0, aValue); }
    double Latitude() const { return getDouble(4); }
    void setLatitude(double aValue) { setDouble(4, aValue); }
    double Longitude() const { return getDouble(12); }
    void setLongitude(double aValue) { setDouble(12, aValue); }
    int32_t XinMM() const { return getI32(20); }
    void setXinMM(int32_t aValue) { setI32(20, aValue); }
    int32_t YinMM() const { return getI32(24); }
    void setYinMM(int32_t aValue) { setI32(24, aValue); }
    int32_t ZinMM() const { return getI32(28); }
    void setZinMM(int32_t aValue) { setI32(28, aValue); }
    // Any byte but 0 reads true; written 0 or 1.
    bool Valid() const { return getU8(32) != 0; }
    void setValid(bool aValue) { setU8(32, aValue ? 1 : 0); }
    // Radians.
    double Direction() const { return getDouble(33); }
    void setDirection(double aValue) { setDouble(33, aValue); }

    // Every field but TimeInMS to 0 or false.
    void Clear();
    // Turns XinMM and YinMM about the origin, as RqelFieldPosition.Rotate does in radians.
    void RotateRAD(double anAngle);
};
static_assert(sizeof(RqelGPSPosition) == 41);
static_assert(std::is_trivially_copyable_v<RqelGPSPosition>);
static_assert(std::is_standard_layout_v<RqelGPSPosition>);
