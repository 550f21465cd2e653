#ifndef DIAGNOSTICS_H
#define DIAGNOSTICS_H

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
        : m_file(qEnvironmentVariable("KELO_BENCH_DIAGNOSTICS", QString::fromUtf8(path)).toStdString())
        , m_terminal(std::cout.rdbuf(m_file.rdbuf()))
    { }
    ~DiagnosticsToFile() { std::cout.rdbuf(m_terminal); }
    DiagnosticsToFile(const DiagnosticsToFile &) = delete;
    DiagnosticsToFile &operator=(const DiagnosticsToFile &) = delete;

private:
    std::ofstream m_file;
    std::streambuf *m_terminal;
};

#endif
