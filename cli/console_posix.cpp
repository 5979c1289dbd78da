#include <unistd.h>

#include <csignal>

#include "cli/console.h"

namespace orv::cli {

std::vector<std::string> StartConsole(int argc, char** argv) {
    // A reader that goes away (orvlog dump | head) shows as EPIPE on the
    // next write, which ends the output quietly, instead of killing the
    // process.
    std::signal(SIGPIPE, SIG_IGN);
    return std::vector<std::string>(argv, argv + argc);
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO); }

}  // namespace orv::cli
