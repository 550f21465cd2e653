// Start-up: the time from starting a process to its first painted frame, for the game and for
// a minimal Qt Widgets program with an empty QGraphicsView, started alternately in one run.
#include "startup.h"

#include "firstpaint.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Milliseconds to the first frame, or a negative number when the program did not report one.
double launch(const QString &program, const QString &platform)
{
    QProcess process;
    process.setProgram(program);
    process.setWorkingDirectory(QStringLiteral(KELO_SOURCE_DIR));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    // Taken last, just before the process is forked.
    environment.insert(QStringLiteral("KELO_LAUNCH_NS"),
        QString::number(FirstPaint::nowNs(CLOCK_MONOTONIC), 'f', 0));
    process.setProcessEnvironment(environment);
    process.start();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("first-frame-ms "))
            return line.mid(int(std::strlen("first-frame-ms "))).toDouble();
    }
    return -1;
}

} // namespace

int runStartup(int argc, char **argv, int rounds)
{
    QString platform = QStringLiteral("offscreen");
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--platform=", 11) == 0)
            platform = QString::fromLocal8Bit(argv[i] + 11);
    }
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    const QString game = dir + QStringLiteral("/kelo_firstframe");
    const QString empty = dir + QStringLiteral("/kelo_emptyview");

    // One untimed start of each fills the page cache.
    launch(game, platform);
    launch(empty, platform);
    std::vector<double> gameTimes, emptyTimes;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which one goes first, so that neither always follows the other.
        const bool gameFirst = round % 2 == 0;
        const double first = launch(gameFirst ? game : empty, platform);
        const double second = launch(gameFirst ? empty : game, platform);
        if (first < 0 || second < 0) {
            std::fprintf(stderr, "a program did not report its first frame\n");
            return 1;
        }
        (gameFirst ? gameTimes : emptyTimes).push_back(first);
        (gameFirst ? emptyTimes : gameTimes).push_back(second);
    }
    const double g = median(gameTimes), e = median(emptyTimes);
    std::printf("start-up to first frame, platform %s, %d starts each, medians:\n",
        qPrintable(platform), rounds);
    std::printf("  game (kelo_firstframe)       %8.2f ms  (min %.2f, max %.2f)\n", g,
        *std::min_element(gameTimes.begin(), gameTimes.end()),
        *std::max_element(gameTimes.begin(), gameTimes.end()));
    std::printf("  empty view (kelo_emptyview)  %8.2f ms  (min %.2f, max %.2f)\n", e,
        *std::min_element(emptyTimes.begin(), emptyTimes.end()),
        *std::max_element(emptyTimes.begin(), emptyTimes.end()));
    std::printf("  ratio game / empty view      %8.3f\n", g / e);
    return 0;
}
