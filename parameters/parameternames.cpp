#include "parameternames.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>

#include "fields.h"

namespace porv {

namespace {

struct ControlName {
    const char *object;
    const char *name;
};

// Controls whose caption is shared, absent, or only the tab's: named here.
const ControlName kNames[] = {
    {"code_g1", "Global gate code, relay 1"},
    {"code_g2", "Global gate code, relay 2"},
    {"code_ic1", "Incoming calls gate code, relay 1"},
    {"code_ic2", "Incoming calls gate code, relay 2"},
    {"code_sd1", "Speed buttons gate code, relay 1"},
    {"code_sd2", "Speed buttons gate code, relay 2"},
    {"Divert4Butts", "After hours divert: buttons only"},
    {"Divert4All", "After hours divert: all calls"},
    {"Divert4ButtsNA", "No answer divert: buttons only"},
    {"Divert4AllNA", "No answer divert: all calls"},
    {"MaskEdit1", "AfterHours No. 1 start time"},
    {"MaskEdit2", "AfterHours No. 1 end time"},
    {"MaskEdit3", "AfterHours No. 2 start time"},
    {"MaskEdit4", "AfterHours No. 2 end time"},
    {"NewPin", "Access PIN 1"},
    {"NewPin2", "Access PIN 2"},
    {"NewPin3", "Access PIN 3"},
    {"NewPin4", "Access PIN 4"},
    {"EmgyCode1", "Emergency service access code 1"},
    {"EmgyCode2", "Emergency service access code 2"},
    {"EmgyCode3", "Emergency service access code 3"},
    {"EmgyCode4", "Emergency service access code 4"},
    {"msg0", "Message Fixed1"},
    {"msg1", "Message Fixed2"},
    {"msg2", "Message Scroll1"},
    {"msg3", "Message Scroll2"},
    {"msg4", "Message Pulsing Msg1"},
    {"msg5", "Message Pulsing Msg2"},
    {"ReadPara0", "Read settings"},
    {"WritePara0", "Write settings"},
    {"ReadPara1", "Read options"},
    {"WritePara1", "Write options"},
    {"ReadCode", "Read relay codes"},
    {"WriteCode", "Write relay codes"},
    {"ReadSpd", "Read speed dial numbers"},
    {"WriteSpd", "Write speed dial numbers"},
    {"divertRead", "Read divert numbers and times"},
    {"divertWrite", "Write divert numbers and times"},
    {"ReadPins", "Read PINs and emergency codes"},
    {"UpDatePIN", "Write PINs and emergency codes"},
    {"ReadMsgs", "Read messages"},
    {"SaveParam", "Write messages"},
};

} // namespace

void NameParameterControls(QWidget *page)
{
    // A box takes its caption ("Run Timer (1-99m)", "SpeedNo.1", "Divert No. 1").
    for (const FieldDescription &d : ParameterFields::Descriptions()) {
        if (d.caption.isEmpty() || (d.kind != FieldKind::Text && d.kind != FieldKind::Time))
            continue;
        if (auto *box = page->findChild<QLineEdit *>(QString::fromLatin1(d.name)))
            box->setAccessibleName(d.caption);
    }
    for (const ControlName &n : kNames) {
        if (auto *w = page->findChild<QWidget *>(QLatin1String(n.object)))
            w->setAccessibleName(QLatin1String(n.name));
    }
}

} // namespace porv
