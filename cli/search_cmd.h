// orvlog search: find next, find previous or every match in a document.
#pragma once

namespace orv::cli {

// argv[0] is "search". Exit status as grep: 0 found, 1 none found,
// 2 trouble (bad usage, unreadable document, unusable search text).
int RunSearchCommand(int argc, char** argv);

}  // namespace orv::cli
