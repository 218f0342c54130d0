#pragma once
// Starting contents for a simulated unit: generated directory records, tags,
// events and parameter values, or a state file written earlier.
#include "simulated_unit.h"

#include <QString>

namespace qx4 {

struct SeedOptions {
    Model model = Model::Qx4_1000;
    QByteArray pin = "1234";
    int records = 20;          // cut to the model's capacity
    bool okNames = false;      // include names holding "OK" (BROOKS, OKAFOR, ...)
    int events = 10;           // cut to SimulatedUnit::kMaxEvents
    int tags = 5;              // cut to 512
    quint32 seed = 1;          // the same seed gives the same unit
    // What earlier tools and other programs leave in a unit (seedOddities).
    bool oddities = false;
};

// Adds to a seeded unit what no page shows or writes: a name with a comma
// (record 2), the unit's digits "=" and ">" in a telephone number (record 3)
// and digits after a "?" in one (record 4); settings bytes 10-11, 14-15 and
// 17-29 and option bits no control shows; the tail of the gate-codes block and
// digits after a "?" in a gate code, a speed dial and an emergency code; the
// rest of the divert-times block; bytes in the blocks no page uses (0004,
// 0006, 0007, 0010, 0011); a control byte and bytes after the end mark in a
// message (block 0014); an entry without a code in the last tag block.
void seedOddities(SimulatedUnit &unit);

// Parameter blocks 0000-0015 as a freshly installed unit holds them; block 0003
// carries the PIN as its first access PIN.
void seedParameters(SimulatedUnit &unit, const QByteArray &pin);

// Erases everything and fills the unit from the options.
void seedUnit(SimulatedUnit &unit, const SeedOptions &options);

// The whole unit (model, PIN, clock offset, memory, events) as a file of our
// own layout (JSON), written whole or not at all.
bool saveState(const SimulatedUnit &unit, const QString &path, QString *error = nullptr);
bool loadState(SimulatedUnit &unit, const QString &path, QString *error = nullptr);

} // namespace qx4
