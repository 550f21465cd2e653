// A long game played headless, ticked by hand as fast as it goes, by a player that decides
// everything from the game's own random stream (seeded with 1), so every run plays the same
// game. For each pair it draws a column and a number of turns, makes one move per tick until
// the pair is there, and then lets it fall. When no pair fits or the well is full it restarts.
#include "longgame.h"

#include "diagnostics.h"
#include "keloboardprobe.h"

#include <QApplication>
#include <QKeyEvent>

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

double seconds(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Seconds by the clock and of the GUI thread's CPU time, which waiting for a shared core does
// not inflate. The clock is read inside the CPU time's reads, each of which takes most of a
// microsecond, so that it does not count them.
struct Times
{
    double cpu, wall;

    static Times now()
    {
        const double cpu = seconds(CLOCK_THREAD_CPUTIME_ID);
        return { cpu, seconds(CLOCK_MONOTONIC) };
    }
    Times since() const
    {
        const double wallEnd = seconds(CLOCK_MONOTONIC);
        return { seconds(CLOCK_THREAD_CPUTIME_ID) - cpu, wallEnd - wall };
    }
};

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
    explicit Player(KeloBoardView &view)
        : m_view(view)
    { }

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
        const Times start = Times::now();
        P::tick(m_view);
        const Times took = start.since();
        slowTicks += took.wall > SlowTick;
        slowTicksCpu += took.cpu > SlowTick;
        slowestTickCpu = std::max(slowestTickCpu, took.cpu);
        ++ticks;
        // Whatever the board posted (repaint requests, scene bookkeeping) is handled as the
        // event loop would between two ticks.
        QApplication::processEvents();
    }

    void press(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&m_view, &event);
    }

    KeloBoardView &m_view;
    int m_turns = 0;
    int m_column = 0;
    bool m_moving = false;
};

} // namespace

int runLongGame(long pairs)
{
    KeloLayout board({}, {});
    std::srand(1);
    Player player(board.view);
    DiagnosticsToFile diagnostics("/tmp/kelo_longgame_diagnostics.log");

    // Each row's times are the mean over the pairs since the row before.
    std::printf("%9s %10s %7s %9s %12s %10s\n", "pairs", "ticks", "games", "us/pair",
        "cpu_us/pair", "VmHWM_kB");
    for (long checkpoint : { std::max(1L, pairs / 100), std::max(1L, pairs / 10), pairs }) {
        const long pairsBefore = player.pairs;
        if (checkpoint <= pairsBefore)
            continue;
        const Times start = Times::now();
        while (player.pairs < checkpoint)
            player.step();
        const Times took = start.since();
        const double perPair = 1e6 / double(player.pairs - pairsBefore);
        std::printf("%9ld %10ld %7ld %9.2f %12.2f %10ld\n", player.pairs, player.ticks,
            player.games, took.wall * perPair, took.cpu * perPair, peakResidentKilobytes());
        std::fflush(stdout);
    }
    std::printf("ticks over 500 us: %ld of %ld by the clock; %ld by CPU time (slowest %.1f us)\n",
        player.slowTicks, player.ticks, player.slowTicksCpu, player.slowestTickCpu * 1e6);
    return 0;
}
