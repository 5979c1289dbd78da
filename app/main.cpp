// The viewer.
#include <cstdio>
#include <cstring>

#include "app/orvapp.h"

namespace {

constexpr char kUsage[] =
    "usage: orv [DOCUMENT.mld] [LOG...]\n"
    "       orv /p DOCUMENT.mld\n"
    "       orv /pt DOCUMENT.mld PRINTER [DRIVER PORT]\n"
    "Opens DOCUMENT.mld (or a new document) and imports the text logs LOG into it.\n"
    "/p prints the document's first message on the chosen printer, /pt on PRINTER.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before any window or settings are touched.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    orv::COrvApp app(argc, argv);
    switch (app.InitInstance()) {
        case orv::COrvApp::StartResult::Done:
            return 0;
        case orv::COrvApp::StartResult::Failed:
            return 1;
        case orv::COrvApp::StartResult::Run:
            break;
    }
    const int rc = app.exec();
    const int exitCode = app.ExitInstance();
    return rc != 0 ? rc : exitCode;
}
