// What a tick, a key press, a chain search, a spawn and a repaint cost, measured with Google
// Benchmark on the real board. The same program also plays a long headless game
// (--long-game) and compares the game's start-up with an empty QGraphicsView's (--startup);
// see longgame.cpp and startup.cpp.
#include "boards.h"
#include "longgame.h"
#include "startup.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using P = KeloBoardProbe;

double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Runs `prepare` untimed and `act` timed for every iteration. Before each timed call the
// posted events are handled, as the event loop does between two ticks or key presses. Reports
// the slowest iteration and the mean CPU time of the timed calls alone (the machine is shared:
// wall time includes time spent waiting for a core).
void timeEach(
    benchmark::State &state, const std::function<void()> &prepare, const std::function<void()> &act)
{
    DiagnosticsToFile diagnostics;
    double slowest = 0, cpu = 0;
    for (auto _ : state) {
        prepare();
        QApplication::processEvents();
        const double cpuStart = threadCpuSeconds();
        const auto start = Clock::now();
        act();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        cpu += threadCpuSeconds() - cpuStart;
        state.SetIterationTime(seconds);
        slowest = std::max(slowest, seconds);
    }
    state.counters["max_us"] = slowest * 1e6;
    state.counters["cpu_us"] = state.iterations() ? cpu / double(state.iterations()) * 1e6 : 0;
}

void pressKey(KeloBoardView &view, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
}

// Half the well settled (rows 6 to 11), a pair falling in columns 2 and 3 at `row`.
constexpr int FirstFreeRowAbove = 5;

void halfWell(KeloBoardView &view)
{
    makeEmpty(view);
    fillFrom(view, FirstFreeRowAbove + 1, runOfThreeColour);
}

void replacePair(KeloBoardView &view, int row)
{
    for (QGraphicsItem *item : P::falling(view)) {
        view.scene()->removeItem(item);
        delete item;
    }
    P::falling(view).clear();
    P::fall(view, 2, row, 1);
    P::fall(view, 3, row, 2);
}

int pairRow(KeloBoardView &view)
{
    return P::cellOf(P::falling(view).first()).second;
}

// ---- ticks ------------------------------------------------------------------------------

void BM_TickMovesPair(benchmark::State &state)
{
    KeloBoardView view;
    halfWell(view);
    replacePair(view, 0);
    timeEach(
        state,
        [&] {
            if (P::falling(view).size() != 2 || pairRow(view) >= FirstFreeRowAbove)
                replacePair(view, 0);
        },
        [&] { P::tick(view); });
}
BENCHMARK(BM_TickMovesPair)->UseManualTime();

void BM_TickLandsPair(benchmark::State &state)
{
    KeloBoardView view;
    halfWell(view);
    const qsizetype base = P::settled(view).size();
    timeEach(
        state,
        [&] {
            while (P::settled(view).size() > base) {
                QGraphicsItem *item = P::settled(view).takeLast();
                view.scene()->removeItem(item);
                delete item;
            }
            replacePair(view, FirstFreeRowAbove);
        },
        [&] { P::tick(view); });
}
BENCHMARK(BM_TickLandsPair)->UseManualTime();

// The game-over tick: 72 settled blobs, no group. The full-well test pauses the game, the
// chain search examines every blob and finds nothing, the spawn attempt fails.
void BM_TickFullWellNoGroup(benchmark::State &state)
{
    KeloBoardView view;
    fullWellNoGroup(view);
    timeEach(
        state, [&] { P::resumeGame(view); }, [&] { P::tick(view); });
}
BENCHMARK(BM_TickFullWellNoGroup)->UseManualTime();

// The tick that repeats until the player restarts: 71 settled blobs, no group, no pair fits.
void BM_TickBlockedWell(benchmark::State &state)
{
    KeloBoardView view;
    wellBlockingEverySpawn(view);
    timeEach(
        state, [] {}, [&] { P::tick(view); });
}
BENCHMARK(BM_TickBlockedWell)->UseManualTime();

// A full well whose bottom-left four blobs form a group: the tick removes it and lifts 44.
void BM_TickRemovesGroup(benchmark::State &state)
{
    KeloBoardView view;
    timeEach(
        state, [&] { fullWellBottomGroup(view); }, [&] { P::tick(view); });
    if (P::falling(view).size() != 44)
        state.SkipWithError("the group was not removed as laid out");
}
BENCHMARK(BM_TickRemovesGroup)->UseManualTime();

// ---- chain search -----------------------------------------------------------------------

void BM_FindRensaFullWellNoGroup(benchmark::State &state)
{
    KeloBoardView view;
    fullWellNoGroup(view);
    bool found = false;
    timeEach(
        state, [] {}, [&] { found |= P::findRensa(view); });
    if (found)
        state.SkipWithError("a group was found on a board laid out without one");
}
BENCHMARK(BM_FindRensaFullWellNoGroup)->UseManualTime();

void BM_FindRensaRemovesGroup(benchmark::State &state)
{
    KeloBoardView view;
    bool found = true;
    timeEach(
        state, [&] { fullWellBottomGroup(view); }, [&] { found &= P::findRensa(view); });
    if (!found || P::falling(view).size() != 44)
        state.SkipWithError("the group was not removed as laid out");
}
BENCHMARK(BM_FindRensaRemovesGroup)->UseManualTime();

// ---- spawning ---------------------------------------------------------------------------

void BM_SpawnEmptyWell(benchmark::State &state)
{
    KeloBoardView view;
    makeEmpty(view);
    timeEach(
        state, [&] { P::clear(view); }, [&] { P::releaseKelo(view); });
    if (P::falling(view).size() != 2)
        state.SkipWithError("no pair was placed in the empty well");
}
BENCHMARK(BM_SpawnEmptyWell)->UseManualTime();

void BM_SpawnBlocked(benchmark::State &state)
{
    KeloBoardView view;
    wellBlockingEverySpawn(view);
    timeEach(
        state, [] {}, [&] { P::releaseKelo(view); });
    if (!P::falling(view).isEmpty())
        state.SkipWithError("a pair was placed in a blocked well");
}
BENCHMARK(BM_SpawnBlocked)->UseManualTime();

// ---- key presses ------------------------------------------------------------------------

// Presses two keys that undo each other in turn, so that the pair stays where it started.
void timeAlternatingKeys(benchmark::State &state, int row, Qt::Key first, Qt::Key second)
{
    KeloBoardView view;
    halfWell(view);
    replacePair(view, row);
    bool useFirst = true;
    timeEach(
        state, [] {},
        [&] {
            pressKey(view, useFirst ? first : second);
            useFirst = !useFirst;
        });
}

void BM_KeyMove(benchmark::State &state)
{
    timeAlternatingKeys(state, 0, Qt::Key_Left, Qt::Key_Right);
}
BENCHMARK(BM_KeyMove)->UseManualTime();

void BM_KeyTurn(benchmark::State &state)
{
    timeAlternatingKeys(state, 1, Qt::Key_Z, Qt::Key_X);
}
BENCHMARK(BM_KeyTurn)->UseManualTime();

void BM_KeyDown(benchmark::State &state)
{
    KeloBoardView view;
    halfWell(view);
    replacePair(view, 0);
    timeEach(
        state,
        [&] {
            if (P::falling(view).size() != 2 || pairRow(view) >= FirstFreeRowAbove)
                replacePair(view, 0);
        },
        [&] { pressKey(view, Qt::Key_Down); });
}
BENCHMARK(BM_KeyDown)->UseManualTime();

// ---- repaint ----------------------------------------------------------------------------

// A full repaint of the shown view, full well, into an image; args: zoom steps of 1.2 (0 or
// 7, the largest zoom), and whether the background cache is thrown away first (cold).
void BM_Repaint(benchmark::State &state)
{
    const int zoomSteps = int(state.range(0));
    const bool cold = state.range(1) != 0;
    KeloBoardView view;
    fullWellNoGroup(view);
    view.resize(800, 1000);
    view.show();
    for (int i = 0; i < 200 && !(view.windowHandle() && view.windowHandle()->isExposed()); ++i) {
        QApplication::processEvents();
        usleep(5000);
    }
    for (int i = 0; i < zoomSteps; ++i)
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
    state.counters["viewport_w"] = viewport->width();
    state.counters["viewport_h"] = viewport->height();
}
BENCHMARK(BM_Repaint)
    ->ArgNames({ "zoom_steps", "cold" })
    ->Args({ 0, 1 })
    ->Args({ 0, 0 })
    ->Args({ 7, 1 })
    ->Args({ 7, 0 })
    ->UseManualTime();

bool takeOption(int &argc, char **argv, const char *name, std::string *value)
{
    const size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, length) != 0
            || (argv[i][length] != '\0' && argv[i][length] != '='))
            continue;
        if (value)
            *value = argv[i][length] == '=' ? argv[i] + length + 1 : "";
        for (int j = i; j + 1 < argc; ++j)
            argv[j] = argv[j + 1];
        --argc;
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    std::string value;
    if (takeOption(argc, argv, "--startup", &value))
        return runStartup(argc, argv, value.empty() ? 30 : std::stoi(value));

    // The blob images are read from ./images.
    if (chdir(KELO_SOURCE_DIR) != 0)
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    if (takeOption(argc, argv, "--long-game", &value))
        return runLongGame(value.empty() ? 100000 : std::stol(value));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
