#ifndef KELOBENCH_H
#define KELOBENCH_H

// What the benchmarks (kelo_bench.cpp) and the long game (longgame.cpp) share.
#include "keloboardview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QString>

#include <fstream>
#include <iostream>

// Sends std::cout to a file while it lives, so that the board's diagnostic lines are still
// written and flushed one by one, as in the game, without reaching the terminal.
// KELO_BENCH_DIAGNOSTICS names another file (/dev/null, to see what the writes cost).
class DiagnosticsToFile
{
public:
    explicit DiagnosticsToFile(const char *path)
        : m_file(
            qEnvironmentVariable("KELO_BENCH_DIAGNOSTICS", QString::fromUtf8(path)).toStdString())
        , m_terminal(std::cout.rdbuf(m_file.rdbuf()))
    { }
    ~DiagnosticsToFile() { std::cout.rdbuf(m_terminal); }

private:
    std::ofstream m_file;
    std::streambuf *m_terminal;
};

inline void pressKey(KeloBoardView &view, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
}

// Plays `pairs` pairs headless and prints what they cost at 1 %, 10 % and 100 % of them.
int runLongGame(long pairs);

#endif
