#pragma once
// What a simulated unit holds and was asked to change, for tests that check
// that an operation wrote exactly what it should (or nothing).
#include <QList>

#include "simulated_unit.h"

namespace porv::test {

// Every block of the unit's memory, in block order.
inline QList<QByteArray> UnitBlocks(const qx4::SimulatedUnit &unit)
{
    QList<QByteArray> blocks;
    for (int b = 0; b < qx4::kBlockCount; ++b)
        blocks.append(unit.block(b));
    return blocks;
}

// The commands received since the last resetCounts() that change the unit:
// parameter and directory blocks, tags, erases, the clock.
inline int UnitWrites(const qx4::SimulatedUnit &unit)
{
    int n = 0;
    for (const char *kind : {"p", "b", "g", "c", "f5a", "tset"})
        n += unit.commandCount(kind);
    return n;
}

} // namespace porv::test
