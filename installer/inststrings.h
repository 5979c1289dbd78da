// The installer's own string table: its numbered messages and the text of
// the About item. Kept apart from the viewer's table on purpose: the two
// programs share nothing.
#pragma once

#include <QString>

namespace orvinst {

enum InstStringId : int {
    IDS_ABOUTBOX = 101,           // "バージョン情報(&A)..."
    IDS_READ_INFO_FAILED = 1000,  // the information file could not be read
    IDS_START_FAILED = 1001,      // the platform installer could not be started
};

// The text of a string; empty for an unknown id.
QString LoadInstString(int nId);

}  // namespace orvinst
