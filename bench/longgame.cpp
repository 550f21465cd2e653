// A long game played headless, ticked by hand as fast as it goes, by a player that decides
// everything from the game's own random stream (seeded with 1), so every run plays the same
// game. For each pair it draws a column and a number of turns, makes one move per tick until
// the pair is there, and then lets it fall. When no pair fits or the well is full it restarts.
#include "longgame.h"

#include "boards.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using P = KeloBoardProbe;

long statusKilobytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    }
    return -1;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

class Player
{
public:
    explicit Player(KeloBoardView &view)
        : m_view(view)
    { }

    long pairs = 0;
    long ticks = 0;
    long keys = 0;
    long games = 1;
    double slowestTick = 0;
    double slowestKey = 0;
    long ticksOver500us = 0;
    // The same in CPU time of the GUI thread, which waiting for a shared core does not inflate.
    double slowestTickCpu = 0;
    long ticksOver500usCpu = 0;

    // One step of play: the player's key for this tick, if any, then the tick.
    void step()
    {
        if (P::isPaused(m_view)) {
            // Game over: the well is full and standing still.
            press(Qt::Key_Return);
            ++games;
            return;
        }
        const bool nothingFalling = P::falling(m_view).isEmpty();
        const qsizetype settledBefore = P::settled(m_view).size();
        if (!nothingFalling)
            play();
        tick();
        if (!nothingFalling)
            return;
        if (P::falling(m_view).size() == 2 && P::settled(m_view).size() == settledBefore) {
            ++pairs;
            plan();
        } else if (P::falling(m_view).isEmpty() && P::settled(m_view).size() == settledBefore
            && !P::isPaused(m_view)) {
            // No group was removed and no pair fits: pause and start again.
            press(Qt::Key_Space);
            press(Qt::Key_Return);
            ++games;
        }
    }

private:
    void plan()
    {
        m_turns = std::rand() % 4;
        m_column = std::rand() % KeloGeometry::WellColumns;
        m_moving = true;
    }

    void play()
    {
        if (!m_moving || P::falling(m_view).size() != 2)
            return;
        if (m_turns > 0) {
            --m_turns;
            press(Qt::Key_Z);
            return;
        }
        const int column = P::cellOf(P::falling(m_view).first()).first;
        if (column == m_column) {
            m_moving = false;
            return;
        }
        press(column < m_column ? Qt::Key_Right : Qt::Key_Left);
        if (P::cellOf(P::falling(m_view).first()).first == column)
            m_moving = false; // blocked: let it fall where it is
    }

    void tick()
    {
        const double cpuStart = threadCpuSeconds();
        const auto start = Clock::now();
        P::tick(m_view);
        const double s = seconds(Clock::now() - start);
        const double cpu = threadCpuSeconds() - cpuStart;
        slowestTick = std::max(slowestTick, s);
        ticksOver500us += s > 500e-6;
        slowestTickCpu = std::max(slowestTickCpu, cpu);
        ticksOver500usCpu += cpu > 500e-6;
        ++ticks;
        // Whatever the board posted (repaint requests, scene bookkeeping) is handled as the
        // event loop would between two ticks. The fall timer is stopped: the loop ticks.
        QApplication::processEvents();
    }

    void press(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        const auto start = Clock::now();
        QApplication::sendEvent(&m_view, &event);
        slowestKey = std::max(slowestKey, seconds(Clock::now() - start));
        ++keys;
    }

    KeloBoardView &m_view;
    int m_turns = 0;
    int m_column = 0;
    bool m_moving = false;
};

} // namespace

int runLongGame(long pairs)
{
    KeloBoardView view;
    makeEmpty(view);
    std::srand(1);
    Player player(view);

    const long checkpoints[] = { std::max(1L, pairs / 100), std::max(1L, pairs / 10), pairs };
    std::printf("%9s %10s %8s %7s %10s %9s %12s %10s %10s %10s %11s %11s\n", "pairs", "ticks",
        "keys", "games", "s_segment", "us/pair", "cpu_us/pair", "ticks/pair", "VmHWM_kB",
        "VmRSS_kB", "max_tick_us", "max_key_us");
    std::fflush(stdout);

    long lastPairs = 0, lastTicks = 0;
    DiagnosticsToFile diagnostics("/tmp/kelo_longgame_diagnostics.log");
    for (long checkpoint : checkpoints) {
        if (checkpoint <= lastPairs)
            continue;
        const auto start = Clock::now();
        const double cpuStart = threadCpuSeconds();
        while (player.pairs < checkpoint)
            player.step();
        const double s = seconds(Clock::now() - start);
        const double cpu = threadCpuSeconds() - cpuStart;
        const long segmentPairs = player.pairs - lastPairs;
        const long segmentTicks = player.ticks - lastTicks;
        std::fprintf(stdout,
            "%9ld %10ld %8ld %7ld %10.3f %9.2f %12.2f %10.2f %10ld %10ld %11.1f %11.1f\n",
            player.pairs, player.ticks, player.keys, player.games, s, s / segmentPairs * 1e6,
            cpu / segmentPairs * 1e6, double(segmentTicks) / segmentPairs, statusKilobytes("VmHWM"),
            statusKilobytes("VmRSS"), player.slowestTick * 1e6, player.slowestKey * 1e6);
        std::fflush(stdout);
        lastPairs = player.pairs;
        lastTicks = player.ticks;
    }
    std::printf("ticks over 500 us: %ld of %ld by the clock; %ld by CPU time (slowest %.1f us)\n",
        player.ticksOver500us, player.ticks, player.ticksOver500usCpu, player.slowestTickCpu * 1e6);
    return 0;
}
