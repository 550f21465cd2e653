// What a tick, a key press, a chain search, a spawn and a repaint cost on the real board, with
// Google Benchmark; --long-game=PAIRS plays a long headless game instead (longgame.cpp).
#include "diagnostics.h"
#include "keloboardprobe.h"
#include "longgame.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

using P = KeloBoardProbe;
using Clock = std::chrono::steady_clock;

// Laid out row by row from the bottom, left to right, as a game would have settled them, in
// colours that run in threes along a row: columns 0-2 and 3-5 of a row differ and each row
// differs from the rows next to it, so that no group has four blobs unless one is made.
enum class Well {
    Empty,
    Half, // rows 6 to 11
    Full, // 72 blobs
    FullWithGroup, // 72 blobs; the four left ones of the bottom row, under 44, are a group
    BlockingEverySpawn, // 71: the last column of row 0 empty, so no pair fits anywhere
};
constexpr int FirstFreeRowOfHalf = 5;

// Stops the fall timer too: the benchmarks tick by hand.
void layOut(KeloBoardView &view, Well well)
{
    P::timer(view)->stop();
    P::clear(view);
    const int top = well == Well::Empty ? KeloGeometry::WellRows
        : well == Well::Half            ? FirstFreeRowOfHalf + 1
                                        : 0;
    for (int row = KeloGeometry::WellRows - 1; row >= top; --row) {
        for (int column = 0; column < KeloGeometry::WellColumns; ++column) {
            if (well == Well::BlockingEverySpawn && row == 0 && column == KeloGeometry::WellColumns - 1)
                continue;
            const bool group
                = well == Well::FullWithGroup && row == KeloGeometry::WellRows - 1 && column < 4;
            P::settle(view, column, row, group ? 2 : (row + column / 3) % 4 + 1);
        }
    }
}

// A new pair falling in columns 2 and 3 at `row`.
void replacePair(KeloBoardView &view, int row)
{
    qDeleteAll(P::falling(view));
    P::falling(view).clear();
    P::fall(view, 2, row, 1);
    P::fall(view, 3, row, 2);
}

void pressKey(KeloBoardView &view, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
}

// Times `act` alone by the clock (the manual time) and in the thread's CPU time (the CPU
// column: the machine is shared, and the clock includes waiting for a core). Before each call,
// untimed, `prepare` runs and the posted events are handled, as the event loop handles them
// between two ticks or key presses. Timing by hand keeps the CPU clock's read, which takes
// most of a microsecond here, out of the wall time.
template<typename Prepare, typename Act>
void timeEach(benchmark::State &state, Prepare prepare, Act act)
{
    DiagnosticsToFile diagnostics("/tmp/kelo_bench_diagnostics.log");
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        QApplication::processEvents();
        state.ResumeTiming();
        const auto start = Clock::now();
        act();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

// A pair falling from the top of a half-full well, put back there before it lands.
template<typename Act>
void BM_FallingPair(benchmark::State &state, Act act)
{
    KeloBoardView view;
    layOut(view, Well::Half);
    timeEach(
        state,
        [&] {
            if (P::falling(view).size() != 2
                || P::cellOf(P::falling(view).first()).second >= FirstFreeRowOfHalf)
                replacePair(view, 0);
        },
        [&] { act(view); });
}
BENCHMARK_CAPTURE(BM_FallingPair, tick, P::tick)->UseManualTime();
BENCHMARK_CAPTURE(BM_FallingPair, key_down, [](KeloBoardView &view) {
    pressKey(view, Qt::Key_Down);
})->UseManualTime();

void BM_TickLandsPair(benchmark::State &state)
{
    KeloBoardView view;
    layOut(view, Well::Half);
    const qsizetype base = P::settled(view).size();
    timeEach(
        state,
        [&] {
            while (P::settled(view).size() > base)
                delete P::settled(view).takeLast();
            replacePair(view, FirstFreeRowOfHalf);
        },
        [&] { P::tick(view); });
}
BENCHMARK(BM_TickLandsPair)->UseManualTime();

// The game-over tick: the full-well test pauses the game, the chain search examines every blob
// and finds nothing, the spawn fails.
void BM_TickFullWellNoGroup(benchmark::State &state)
{
    KeloBoardView view;
    layOut(view, Well::Full);
    timeEach(
        state, [&] { P::resumeGame(view); }, [&] { P::tick(view); });
}
BENCHMARK(BM_TickFullWellNoGroup)->UseManualTime();

// The tick that repeats until the player restarts.
void BM_TickBlockedWell(benchmark::State &state)
{
    KeloBoardView view;
    layOut(view, Well::BlockingEverySpawn);
    timeEach(
        state, [] {}, [&] { P::tick(view); });
}
BENCHMARK(BM_TickBlockedWell)->UseManualTime();

// The group removed and the 44 blobs above it lifted, by a tick or by the chain search alone.
template<typename Act>
void BM_RemovesGroup(benchmark::State &state, Act act)
{
    KeloBoardView view;
    bool found = true;
    timeEach(
        state, [&] { layOut(view, Well::FullWithGroup); }, [&] { found &= act(view); });
    if (!found || P::falling(view).size() != 44)
        state.SkipWithError("the group was not removed as laid out");
}
BENCHMARK_CAPTURE(BM_RemovesGroup, tick, [](KeloBoardView &view) {
    P::tick(view);
    return true;
})->UseManualTime();
BENCHMARK_CAPTURE(BM_RemovesGroup, find_rensa, P::findRensa)->UseManualTime();

void BM_FindRensaFullWellNoGroup(benchmark::State &state)
{
    KeloBoardView view;
    layOut(view, Well::Full);
    bool found = false;
    timeEach(
        state, [] {}, [&] { found |= P::findRensa(view); });
    if (found)
        state.SkipWithError("a group was found on a board laid out without one");
}
BENCHMARK(BM_FindRensaFullWellNoGroup)->UseManualTime();

// A spawn into an empty well, emptied again before each, or into one that blocks every spawn.
void BM_Spawn(benchmark::State &state)
{
    const bool blocked = state.range(0) != 0;
    KeloBoardView view;
    layOut(view, blocked ? Well::BlockingEverySpawn : Well::Empty);
    timeEach(
        state,
        [&] {
            if (!blocked)
                P::clear(view);
        },
        [&] { P::releaseKelo(view); });
    if (P::falling(view).size() != (blocked ? 0 : 2))
        state.SkipWithError(blocked ? "a pair was placed in a blocked well"
                                    : "no pair was placed in the empty well");
}
BENCHMARK(BM_Spawn)->ArgName("blocked")->Arg(0)->Arg(1)->UseManualTime();

// Two keys that undo each other in turn, so that the pair stays where it started.
void BM_AlternatingKeys(benchmark::State &state, int row, Qt::Key first, Qt::Key second)
{
    KeloBoardView view;
    layOut(view, Well::Half);
    replacePair(view, row);
    bool useFirst = true;
    timeEach(
        state, [] {},
        [&] {
            pressKey(view, useFirst ? first : second);
            useFirst = !useFirst;
        });
}
BENCHMARK_CAPTURE(BM_AlternatingKeys, left_right, 0, Qt::Key_Left, Qt::Key_Right)->UseManualTime();
BENCHMARK_CAPTURE(BM_AlternatingKeys, z_x, 1, Qt::Key_Z, Qt::Key_X)->UseManualTime();

// A full repaint of the shown view, full well, into an image; args: zoom steps of 1.2 (0 or
// 7, the largest zoom), and whether the background cache is thrown away first (cold).
void BM_Repaint(benchmark::State &state)
{
    const bool cold = state.range(1) != 0;
    KeloBoardView view;
    layOut(view, Well::Full);
    view.resize(800, 1000);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        state.SkipWithError("the view was not exposed");
    for (int i = 0; i < state.range(0); ++i)
        P::scaleView(view, 1.2);
    QApplication::processEvents();
    QWidget *viewport = view.viewport();
    QImage image(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    viewport->render(&image);
    timeEach(
        state,
        [&] {
            if (cold)
                view.resetCachedContent();
        },
        [&] { viewport->render(&image); });
    state.counters["zoom"] = view.transform().m11();
}
BENCHMARK(BM_Repaint)
    ->ArgNames({ "zoom_steps", "cold" })
    ->Args({ 0, 1 })
    ->Args({ 0, 0 })
    ->Args({ 7, 1 })
    ->Args({ 7, 0 })
    ->UseManualTime();

} // namespace

int main(int argc, char **argv)
{
    // The blob images are read from ./images.
    QDir::setCurrent(QStringLiteral(KELO_SOURCE_DIR));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr const char LongGame[] = "--long-game=";
    if (argc == 2 && std::strncmp(argv[1], LongGame, std::strlen(LongGame)) == 0)
        return runLongGame(std::atol(argv[1] + std::strlen(LongGame)));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
