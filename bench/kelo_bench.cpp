// What a tick, a key press, a chain search, a spawn and a repaint cost on the real board, with
// Google Benchmark; --long-game=PAIRS plays a long headless game instead (longgame.cpp).
#include "kelobench.h"
#include "keloboardprobe.h"

#include <QDir>
#include <QImage>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>

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
            if (well == Well::BlockingEverySpawn && row == 0
                && column == KeloGeometry::WellColumns - 1)
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

// The game-over tick on a full well (the full-well test pauses the game, resumed before each;
// the chain search examines every blob and finds nothing; the spawn fails), and the tick that
// repeats on a well that blocks every spawn until the player restarts.
void BM_TickWithoutGroup(benchmark::State &state)
{
    KeloBoardView view;
    layOut(view, state.range(0) ? Well::BlockingEverySpawn : Well::Full);
    timeEach(
        state, [&] { P::resumeGame(view); }, [&] { P::tick(view); });
}
BENCHMARK(BM_TickWithoutGroup)->ArgName("blocked")->Arg(0)->Arg(1)->UseManualTime();

// The tick on a full well with a group, which removes it and lifts the 44 blobs above.
void BM_TickRemovesGroup(benchmark::State &state)
{
    KeloBoardView view;
    timeEach(
        state, [&] { layOut(view, Well::FullWithGroup); }, [&] { P::tick(view); });
    if (P::falling(view).size() != 44)
        state.SkipWithError("the group was not removed as laid out");
}
BENCHMARK(BM_TickRemovesGroup)->UseManualTime();

// The chain search alone on a full well: with no group, or with the group, laid out again
// before each.
void BM_FindRensa(benchmark::State &state)
{
    const bool group = state.range(0) != 0;
    KeloBoardView view;
    layOut(view, Well::Full);
    bool asLaidOut = true;
    timeEach(
        state,
        [&] {
            if (group)
                layOut(view, Well::FullWithGroup);
        },
        [&] { asLaidOut &= P::findRensa(view) == group; });
    if (!asLaidOut || P::falling(view).size() != (group ? 44 : 0))
        state.SkipWithError("the chain search did not find the groups laid out");
}
BENCHMARK(BM_FindRensa)->ArgName("group")->Arg(0)->Arg(1)->UseManualTime();

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
    ->ArgsProduct({ { 0, 7 }, { 1, 0 } })
    ->UseManualTime();

} // namespace

int main(int argc, char **argv)
{
    // The blob images are read from ./images.
    QDir::setCurrent(QStringLiteral(KELO_SOURCE_DIR));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 2 && arguments[1].startsWith(QLatin1String("--long-game=")))
        return runLongGame(arguments[1].section(QLatin1Char('='), 1).toLong());

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
