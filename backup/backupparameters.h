#pragma once
// The parameter blocks of a backup on the parameters page's field model: the
// fields they show (as a read of the unit would set them), the image made
// from those fields, and the fields a comparison looks at.
#include <QByteArray>
#include <QList>
#include <QString>

#include "unitbackup.h"

namespace porv {

class ParameterFields;

// Sets the fields as the group reads would from these blocks (every block of
// BackedUpParameterBlocks present and valid).
void ShowParameterBlocks(const ParameterBlocks &blocks, ParameterFields &fields);
// The 467-byte parameters image of those blocks.
QByteArray ParameterImageOfBlocks(const ParameterBlocks &blocks);

// The access-code fields set from a backup's codes (NewPin .. EmgyCode4).
void ShowAccessCodes(const AccessCodes &codes, ParameterFields &fields);

// A field of the parameters page that the blocks carry, as a comparison names
// it: its control name and its caption, with the group box or tab it sits in
// where the caption alone is ambiguous ("After hours Divert numbers:
// ButtonsOnly").
struct ComparedField {
    QByteArray name;
    QString label;
    bool check; // a check box or radio button (compared as on or off)
};
// The fields of the settings, options, gate codes, speed dials, diverts and
// messages, in page order; without the hidden copies of the divert times and
// the raw divert text.
const QList<ComparedField> &ComparedParameterFields();
// The same for the eight access codes.
const QList<ComparedField> &ComparedAccessFields();

// A field's value as a comparison shows it: the text, or "on" / "off".
QByteArray ComparedValue(const ParameterFields &fields, const ComparedField &field);

} // namespace porv
