// A long game played headless, ticked by hand as fast as it goes, by a player that decides
// everything from the game's own random stream (seeded with 1), so every run plays the same
// game. For each pair it draws a column and a number of turns, makes one move per tick until
// the pair is there, and then lets it fall. When no pair fits or the well is full it restarts.
#include "kelobench.h"
#include "keloboardprobe.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

namespace {

using P = KeloBoardProbe;
constexpr double SlowTick = 500e-6;

// Ticks and stretches of play are timed by the clock and in the GUI thread's CPU time, which
// waiting for a shared core does not inflate. The clock is read between the two reads of the
// CPU time, each of which takes most of a microsecond, so that it does not count them.
double seconds(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long peakResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line) && line.rfind("VmHWM:", 0) != 0) { }
    return std::atol(line.c_str() + std::strlen("VmHWM:"));
}

class Player
{
public:
    long pairs = 0;
    long ticks = 0;
    long games = 1;
    long slowTicks = 0;
    long slowTicksCpu = 0;
    double slowestTickCpu = 0;

    // One step of play: the player's key for this tick, if any, then the tick.
    void step()
    {
        if (P::isPaused(m_view)) {
            // Game over: the well is full and standing still.
            pressKey(m_view, Qt::Key_Return);
            ++games;
            return;
        }
        if (!P::falling(m_view).isEmpty()) {
            play();
            tick();
            return;
        }
        const qsizetype settledBefore = P::settled(m_view).size();
        tick();
        if (P::settled(m_view).size() != settledBefore)
            return; // a group was removed
        if (P::falling(m_view).size() == 2) {
            ++pairs;
            m_turns = std::rand() % 4;
            m_column = std::rand() % KeloGeometry::WellColumns;
            m_moving = true;
        } else if (P::falling(m_view).isEmpty() && !P::isPaused(m_view)) {
            // No pair fits: pause and start again.
            pressKey(m_view, Qt::Key_Space);
            pressKey(m_view, Qt::Key_Return);
            ++games;
        }
    }

private:
    void play()
    {
        if (!m_moving || P::falling(m_view).size() != 2)
            return;
        if (m_turns > 0) {
            --m_turns;
            pressKey(m_view, Qt::Key_Z);
            return;
        }
        const int column = P::cellOf(P::falling(m_view).first()).first;
        if (column == m_column) {
            m_moving = false;
            return;
        }
        pressKey(m_view, column < m_column ? Qt::Key_Right : Qt::Key_Left);
        if (P::cellOf(P::falling(m_view).first()).first == column)
            m_moving = false; // blocked: let it fall where it is
    }

    void tick()
    {
        const double cpu = seconds(CLOCK_THREAD_CPUTIME_ID), wall = seconds(CLOCK_MONOTONIC);
        P::tick(m_view);
        slowTicks += seconds(CLOCK_MONOTONIC) - wall > SlowTick;
        const double tickCpu = seconds(CLOCK_THREAD_CPUTIME_ID) - cpu;
        slowTicksCpu += tickCpu > SlowTick;
        slowestTickCpu = std::max(slowestTickCpu, tickCpu);
        ++ticks;
        // Whatever the board posted (repaint requests, scene bookkeeping) is handled as the
        // event loop would between two ticks.
        QApplication::processEvents();
    }

    KeloLayout m_board { {}, {} };
    KeloBoardView &m_view = m_board.view;
    int m_turns = 0;
    int m_column = 0;
    bool m_moving = false;
};

} // namespace

int runLongGame(long pairs)
{
    Player player;
    std::srand(1);
    DiagnosticsToFile diagnostics("/tmp/kelo_longgame_diagnostics.log");

    // Each row's times are the mean over the pairs since the row before.
    std::printf("%9s %10s %7s %9s %12s %10s\n", "pairs", "ticks", "games", "us/pair", "cpu_us/pair",
        "VmHWM_kB");
    for (long checkpoint : { std::max(1L, pairs / 100), std::max(1L, pairs / 10), pairs }) {
        const long pairsBefore = player.pairs;
        if (checkpoint <= pairsBefore)
            continue;
        const double cpu = seconds(CLOCK_THREAD_CPUTIME_ID), wall = seconds(CLOCK_MONOTONIC);
        while (player.pairs < checkpoint)
            player.step();
        const double perPair = 1e6 / double(player.pairs - pairsBefore);
        const double wallPerPair = (seconds(CLOCK_MONOTONIC) - wall) * perPair;
        std::printf("%9ld %10ld %7ld %9.2f %12.2f %10ld\n", player.pairs, player.ticks,
            player.games, wallPerPair, (seconds(CLOCK_THREAD_CPUTIME_ID) - cpu) * perPair,
            peakResidentKilobytes());
        std::fflush(stdout);
    }
    std::printf("ticks over 500 us: %ld of %ld by the clock; %ld by CPU time (slowest %.1f us)\n",
        player.slowTicks, player.ticks, player.slowTicksCpu, player.slowestTickCpu * 1e6);
    return 0;
}
