// The two programs whose start-up bench/startup.py compares: built with KELO_GAME, the game as
// src/main.cpp starts it (keep the two in step); without, the yardstick, the smallest Qt Widgets
// program that shows a QGraphicsView. Each prints "first-frame-ms <time since its start>" after
// its first painted frame and quits; with KELO_STARTUP_PHASES set, it also writes the time at
// each phase to stderr, so that the phases of a slow start can be told apart.
#include <QApplication>
#include <QGraphicsView>

#include <cstdio>
#ifdef KELO_GAME
#include "keloboardview.h"

#include <QTime>

#include <cstdlib>
#endif
#ifdef _WIN32
#include <windows.h>
#else
#include <ctime>
#endif

namespace {

#ifdef _WIN32
// Since the process was created: Windows keeps that time, in the same 100 ns units as its clock.
double millisecondsSinceStart()
{
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME &time) {
        return double((quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return (ticks(now) - ticks(created)) / 1e4;
}
#else
// Since KELO_LAUNCH_NS, the launcher's CLOCK_MONOTONIC just before it started this process;
// run by hand, since main().
double millisecondsSinceStart()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double ns = double(now.tv_sec) * 1e9 + double(now.tv_nsec);
    static const double start
        = qEnvironmentVariableIsSet("KELO_LAUNCH_NS") ? qgetenv("KELO_LAUNCH_NS").toDouble() : ns;
    return (ns - start) / 1e6;
}
#endif

void mark(const char *phase)
{
    const double milliseconds = millisecondsSinceStart();
    if (qEnvironmentVariableIsSet("KELO_STARTUP_PHASES"))
        std::fprintf(stderr, "phase %-14s %8.3f ms\n", phase, milliseconds);
}

class FirstFrame : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            mark("paint-event");
            // Queued: runs after this paint event and the flush of the back buffer.
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::printf("first-frame-ms %.3f\n", millisecondsSinceStart());
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    mark("main");
    QApplication app(argc, argv);
    mark("application");
#ifdef KELO_GAME
    std::srand(QTime(0, 0, 0).secsTo(QTime::currentTime()));
    KeloBoardView view;
    view.resize(view.minimumSize() + QSize(64, 48));
#else
    QGraphicsView view;
    // The size the game's window starts with.
    view.resize(256, 432);
#endif
    mark("view");
    FirstFrame firstFrame;
    view.viewport()->installEventFilter(&firstFrame);
    view.show();
    mark("shown");
    return app.exec();
}
