#pragma once
// The members of the unit backup file, shared by its writer (unitbackup.cpp)
// and its reader (backupread.cpp).
#include <QByteArray>

#include "unitbackup.h"

namespace porv::backupformat {

// The widths of a record's fields, as the unit stores them.
struct RecordMember {
    const char *key;
    QByteArray BackupRecord::*field;
    int width;
};
inline const RecordMember kRecordMembers[] = {
    {"name", &BackupRecord::name, 16},  {"room", &BackupRecord::room, 6},   {"phone", &BackupRecord::phone, 16},
    {"code1", &BackupRecord::code1, 4}, {"code2", &BackupRecord::code2, 4}, {"spare", &BackupRecord::spare, 2},
};
inline constexpr int kImageSize = 467;
inline constexpr int kAccessEntries = 4;
inline constexpr int kAccessWidth = 8;
inline constexpr int kTagRoomWidth = 6;
inline constexpr int kTagCodeWidth = 10;
inline constexpr int kMaxTags = 512;
// A record line of the unit's list: the address, five items and the name,
// with room to spare for a unit that pads them.
inline constexpr int kMaxRecordLine = 128;

} // namespace porv::backupformat
