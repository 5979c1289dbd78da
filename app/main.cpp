// The viewer.
#include "app/orvapp.h"

int main(int argc, char* argv[]) {
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
