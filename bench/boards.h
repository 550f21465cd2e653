#ifndef BOARDS_H
#define BOARDS_H

#include "keloboardprobe.h"
#include "kelogeometry.h"

#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <iostream>

// Boards laid out for the benchmarks, and the diagnostic output sent to a file meanwhile.

// Sends std::cout to a file while it lives. The board's lines are still written and flushed
// one by one, as in the game; they just do not reach the terminal.
class DiagnosticsToFile
{
public:
    // KELO_BENCH_DIAGNOSTICS, when set, names the file instead (e.g. /dev/null, to see what
    // the writes themselves cost).
    explicit DiagnosticsToFile(const char *path = "/tmp/kelo_bench_diagnostics.log")
        : m_file(
            std::getenv("KELO_BENCH_DIAGNOSTICS") ? std::getenv("KELO_BENCH_DIAGNOSTICS") : path,
            std::ios::out | std::ios::trunc)
        , m_old(std::cout.rdbuf(m_file.rdbuf()))
    { }
    ~DiagnosticsToFile() { std::cout.rdbuf(m_old); }
    DiagnosticsToFile(const DiagnosticsToFile &) = delete;
    DiagnosticsToFile &operator=(const DiagnosticsToFile &) = delete;

private:
    std::ofstream m_file;
    std::streambuf *m_old;
};

// Colours laid out in horizontal runs of three: columns 0-2 and 3-5 of a row differ and each
// row differs from the rows next to it, so every group has three blobs and none has four.
inline int runOfThreeColour(int column, int row)
{
    return (row + column / 3) % 4 + 1;
}

// A board with its timer stopped (the benchmarks tick by hand) and its first pair taken away.
inline void makeEmpty(KeloBoardView &view)
{
    KeloBoardProbe::timer(view)->stop();
    KeloBoardProbe::clear(view);
}

// Settles blobs row by row from the bottom, left to right, as a game would have settled them;
// rows [fromRow, 11] are filled, and `skipColumn` of `fromRow` is left empty when given.
template<typename Colour>
void fillFrom(KeloBoardView &view, int fromRow, Colour colour, int skipColumn = -1)
{
    for (int row = KeloGeometry::WellRows - 1; row >= fromRow; --row) {
        for (int column = 0; column < KeloGeometry::WellColumns; ++column) {
            if (row == fromRow && column == skipColumn)
                continue;
            KeloBoardProbe::settle(view, column, row, colour(column, row));
        }
    }
}

// 72 settled blobs and no group of four.
inline void fullWellNoGroup(KeloBoardView &view)
{
    makeEmpty(view);
    fillFrom(view, 0, runOfThreeColour);
}

// 72 settled blobs; the four left blobs of the bottom row form the only group of four, with
// 44 blobs above them in their columns.
inline int bottomGroupColour(int column, int row)
{
    if (row == KeloGeometry::WellRows - 1 && column < 4)
        return 2;
    return runOfThreeColour(column, row);
}

inline void fullWellBottomGroup(KeloBoardView &view)
{
    makeEmpty(view);
    fillFrom(view, 0, bottomGroupColour);
}

// 71 settled blobs: every column filled up to row 1 and five of them in row 0 as well, so no
// pair fits anywhere.
inline void wellBlockingEverySpawn(KeloBoardView &view)
{
    makeEmpty(view);
    fillFrom(view, 0, runOfThreeColour, KeloGeometry::WellColumns - 1);
}

#endif
