// orvlog unread and orvlog mark: the reading state the viewer keeps beside
// a document (read marks), listed and changed from the command line.
#pragma once

namespace orv::cli {

// argv[0] is "unread": prints the unread messages in tree order, one line
// each in the form of orvlog tree.
int RunUnreadCommand(int argc, char** argv);
// argv[0] is "mark": marks every message with the given numbers read or
// unread. Exit status 1 when a number is not in the document (the others
// are marked).
int RunMarkCommand(int argc, char** argv);

}  // namespace orv::cli
