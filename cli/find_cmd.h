// orvlog find and orvlog index: one search across many documents, and the
// index that speeds it up.
#pragma once

namespace orv::cli {

// argv[0] is "find". Exit status 0 found, 1 none found, 2 bad usage or
// text or no document searchable, 8 some documents could not be searched
// (the rest were).
int RunFindCommand(int argc, char** argv);

// argv[0] is "index". Exit status 0, 2 bad usage or no index, 8 some
// documents could not be read into the index (the rest were).
int RunIndexCommand(int argc, char** argv);

}  // namespace orv::cli
