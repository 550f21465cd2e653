#ifndef FIRSTPAINT_H
#define FIRSTPAINT_H

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

// Start-up timing for the programs that the benchmark launches. The launcher puts its
// CLOCK_MONOTONIC reading, taken just before it starts the process, in KELO_LAUNCH_NS; run by
// hand, the process's own start time from /proc/self/stat is used instead (10 ms grain). On
// Windows the process's creation time is the start.
namespace FirstPaint {

#ifdef _WIN32
// Windows keeps the time each process was created, in the same 100 ns units as its clock.
inline double millisecondsSinceStart()
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
inline double nowNs(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

inline double millisecondsSinceStart()
{
    if (const char *launch = std::getenv("KELO_LAUNCH_NS"))
        return (nowNs(CLOCK_MONOTONIC) - std::strtod(launch, nullptr)) / 1e6;
    std::ifstream stat("/proc/self/stat");
    std::string field;
    // Field 22 is the start time in clock ticks since boot; field 2 may hold spaces, so skip
    // to the closing parenthesis first.
    std::getline(stat, field, ')');
    for (int i = 3; i <= 22; ++i)
        stat >> field;
    const double startNs = std::stod(field) / double(sysconf(_SC_CLK_TCK)) * 1e9;
    return (nowNs(CLOCK_BOOTTIME) - startNs) / 1e6;
}
#endif

// With KELO_STARTUP_PHASES set, writes the time since start at a named point to stderr, so
// that the phases of a slow start can be told apart.
inline void mark(const char *phase)
{
    static const bool on = std::getenv("KELO_STARTUP_PHASES") != nullptr;
    if (on)
        std::fprintf(stderr, "phase %-14s %8.3f ms\n", phase, millisecondsSinceStart());
}

// Watches a viewport for its first paint event. Once that event has been handled and the
// frame handed to the window system, prints "first-frame-ms <milliseconds>" and quits.
class Watcher : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
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
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

inline void watch(QWidget *viewport)
{
    viewport->installEventFilter(new Watcher(viewport));
}

} // namespace FirstPaint

#endif
