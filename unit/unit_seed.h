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
};

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
