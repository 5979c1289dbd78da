#include "cli/console.h"

#include <unistd.h>

namespace orv::cli {

std::vector<std::string> StartConsole(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO); }

}  // namespace orv::cli
