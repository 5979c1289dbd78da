// Helpers of the screenshot programs: let the windows paint, then save the
// whole screen as a picture.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QString>

namespace orv::shots {

// Runs the event loop for ms milliseconds.
inline void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Lets the windows settle for settleMs, then saves the screen as dir/name.
inline void Shot(const QString& dir, const QString& name, int settleMs) {
    Settle(settleMs);
    QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(dir).filePath(name));
}

}  // namespace orv::shots
