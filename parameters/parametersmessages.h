#pragma once
// The window's words for what ParametersCore reports (procedures.h): the
// status text and the message boxes the SystemControls page shows after a
// command. porv-cli words the same outcome its own way.
#include <QString>
#include <QStringList>

#include "procedures.h"

namespace porv {

struct ParametersWords {
    QString status;       // status panel 0, when the outcome calls for it
    QStringList messages; // the boxes, in order
};

ParametersWords WordParametersOutcome(const ParametersOutcome &outcome);

} // namespace porv
