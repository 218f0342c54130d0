#pragma once
// The block-for-block parts of a comparison (unitcompare.h): the parameter
// blocks, block 0003 and the tag blocks, each byte that differs shown as the
// field that carries it or counted among the block's other bytes.
#include "unitcompare.h"

namespace porv {

// The parameter blocks both sides hold (a version 1 backup's block 0002 over
// the characters it holds); from the parameters images when a side holds no
// blocks (their fields only, noted).
void CompareParameterBlocks(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff);
// Block 0003: which codes differ (never what they are), and its other bytes.
void CompareAccessBlock(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff);
// The tag blocks: their other bytes when the tags themselves are the same.
void CompareTagBlocks(const UnitBackup &unit, const UnitBackup &backup, UnitDiff &diff);
// The page's fields against the unit's blocks, field by field.
void CompareFieldsWithPage(const ParameterBlocks &unit, const ParameterFields &pc, UnitDiff &diff);

} // namespace porv
