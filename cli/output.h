// Standard output of the commands that print. Every write is checked: a
// failed write (a full disk) is an error, a reader that closed the pipe
// ends the output quietly.
#pragma once

#include <string_view>

namespace orv::cli {

class StdOut {
public:
    // Writes s unless an earlier write failed; false when nothing more
    // should be printed.
    bool Write(std::string_view s);
    bool Failed() const { return m_err != 0; }
    // Flushes. Returns status when everything was written or the reader
    // went away (closed pipe); otherwise prints why and returns the status
    // of a file that cannot be written.
    int Finish(int status);

private:
    int m_err = 0;
};

// Prints a usage or version text: status 0, or that of a failed write.
int PrintHelp(std::string_view text);

}  // namespace orv::cli
