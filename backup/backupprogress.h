#pragma once
// How the whole-unit operations report while they run: one callback with the
// step and, where it is known, how far it has come. A window shows it in one
// progress display; a terminal program prints it.
#include <QString>

#include <functional>

namespace porv {

struct StepProgress {
    QString step;  // "Reading the phone list", "Writing the tags", ...
    int done = 0;  // records or blocks done so far
    int total = 0; // of how many; 0 when not known
};

using ProgressCallback = std::function<void(const StepProgress &)>;

} // namespace porv
