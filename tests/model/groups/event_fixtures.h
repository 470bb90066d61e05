#pragma once

#include <QByteArray>

#include "model/field/field_bytes.h"

// Event and marker blocks of version 151 laid down by hand from the block tables. They also seed
// the dataset-file fuzzer.
namespace qel::test {

// Event 7, 1000..2500 ms, symbol 3, source 1, athlete 11, target 12, at (3.5, -2.25), type 1
// (a pass), outcome 2, qualifiers (140 "Zone" "left") and (0 "Speed" "fast"), labels "Long"
// and "pass", game 4, part 5, 800 ms into the part, team 6.
inline QByteArray EventFixture151() {
    return FieldBytes()
        .i32(7)
        .i32(1000)
        .i32(2500)
        .i32(3)
        .i32(1)
        .i32(11)
        .i32(12)
        .f64(3.5)
        .f64(-2.25)
        .i32(1)
        .i32(2)
        .i32(2)
        .i32(140)
        .str(QStringLiteral("Zone"))
        .str(QStringLiteral("left"))
        .i32(0)
        .str(QStringLiteral("Speed"))
        .str(QStringLiteral("fast"))
        .str(QStringLiteral("Long\r\npass\r\n"))
        .i32(4)
        .i32(5)
        .i32(800)
        .i32(6)
        .data();
}

// Marker 3 at 61,000 ms, "Start", symbol 9, a start marker (type 1).
inline QByteArray MarkerFixture151() {
    return FieldBytes().i32(3).i32(61000).str(QStringLiteral("Start")).i32(9).i32(1).data();
}

}  // namespace qel::test
