#pragma once
// The files a workflow compares or writes, read whole before the unit is
// asked for anything; what keeps one from serving is said naming the file as
// the caller shows it.
#include <QString>

namespace porv {

class ParameterFields;
class StandaloneDirectory;

// A phone list file as the directory page opens it. A file whose first line
// names none of the phone list's fields is no phone list, and one without
// records gives nothing to compare or write. Empty when it loaded.
QString LoadPhoneListFile(StandaloneDirectory &directory, const QString &path, const QString &shown);

// A parameters file (.sys) into the page's fields, on top of what they hold:
// refused when it is shorter than the parameters image, cannot be opened, or
// holds values the blocks cannot carry. Empty when it loaded.
QString LoadParametersFile(ParameterFields &fields, const QString &path, const QString &shown);

} // namespace porv
