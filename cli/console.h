// What the command line needs from the system it runs on: its arguments in
// UTF-8, standard output and error that pass bytes through unchanged, and
// whether standard error is a terminal. One implementation per platform
// (console_posix.cpp, console_win.cpp).
#pragma once

#include <string>
#include <vector>

namespace orv::cli {

// Prepares standard output and error (a closed pipe is a failed write,
// not a signal) and returns the program's arguments, argv[0] included, as
// UTF-8.
std::vector<std::string> StartConsole(int argc, char** argv);

// True when standard error is a terminal that draws the progress bar's
// control sequences.
bool StderrIsTerminal();

}  // namespace orv::cli
