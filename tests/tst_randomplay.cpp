// Many games played at random, and many odd boards shaken at random. After every single step
// the board must be sound, and each step must have done no more than its rule allows.

#include "keloboardprobe.h"

#include <QGraphicsScene>
#include <QHash>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <utility>

using Probe = KeloBoardProbe;
using Cell = std::pair<int, int>;
using Items = QList<QGraphicsItem *>;

namespace {

enum class Step { Tick, Down, Left, Right, Clockwise, CounterClockwise, Pause, Restart };

const char *nameOf(Step step)
{
    switch (step) {
    case Step::Tick:
        return "tick";
    case Step::Down:
        return "down";
    case Step::Left:
        return "left";
    case Step::Right:
        return "right";
    case Step::Clockwise:
        return "clockwise";
    case Step::CounterClockwise:
        return "counter-clockwise";
    case Step::Pause:
        return "pause";
    case Step::Restart:
        return "restart";
    }
    return "?";
}

void apply(KeloBoardView &view, Step step)
{
    switch (step) {
    case Step::Tick:
        Probe::tick(view);
        break;
    case Step::Down:
        Probe::moveDown(view);
        break;
    case Step::Left:
        Probe::moveLeft(view);
        break;
    case Step::Right:
        Probe::moveRight(view);
        break;
    case Step::Clockwise:
        Probe::rotateClockWise(view);
        break;
    case Step::CounterClockwise:
        Probe::rotateCounterClockWise(view);
        break;
    case Step::Pause:
        if (Probe::isPaused(view))
            Probe::resumeGame(view);
        else
            Probe::pauseGame(view);
        break;
    case Step::Restart:
        Probe::restartGame(view);
        break;
    }
}

// The board between two steps.
struct State
{
    QHash<const QGraphicsItem *, Cell> cells;
    QHash<Cell, const QGraphicsItem *> at;
    Items falling;
    Items settled;
    bool paused = false;

    explicit State(KeloBoardView &view)
    {
        for (const QGraphicsItem *item : view.scene()->items()) {
            const Cell c = Probe::cellOf(item);
            cells.insert(item, c);
            at.insert(c, item);
        }
        falling = Probe::falling(view);
        settled = Probe::settled(view);
        paused = Probe::isPaused(view);
    }
    bool same(const State &other) const
    {
        return cells == other.cells && falling == other.falling && settled == other.settled;
    }
    bool settledUnchanged(const State &other) const
    {
        if (settled != other.settled)
            return false;
        for (const QGraphicsItem *item : settled) {
            if (cells.value(item) != other.cells.value(item))
                return false;
        }
        return true;
    }
};

QString cellText(const Cell &c)
{
    return QStringLiteral("(%1, %2)").arg(c.first).arg(c.second);
}

// One gravity step: each falling blob fell one row, or settled where it was resting on the
// floor or a settled blob, or left the board because it rested above the well.
QString checkFall(const State &before, const State &after)
{
    if (after.settled.mid(0, before.settled.size()) != before.settled)
        return QStringLiteral("settled blobs lost or reordered by a fall");
    for (const QGraphicsItem *item : before.settled) {
        if (after.cells.value(item) != before.cells.value(item))
            return QStringLiteral("a settled blob moved in a fall");
    }
    Items stillFalling, landed;
    for (const QGraphicsItem *item : before.falling) {
        const Cell from = before.cells.value(item);
        if (after.falling.contains(item)) {
            stillFalling.append(const_cast<QGraphicsItem *>(item));
            if (after.cells.value(item) != Cell(from.first, from.second + 1))
                return QStringLiteral("blob from %1 fell to %2")
                    .arg(cellText(from), cellText(after.cells.value(item)));
        } else if (after.settled.contains(item)) {
            landed.append(const_cast<QGraphicsItem *>(item));
            if (after.cells.value(item) != from)
                return QStringLiteral("blob from %1 moved as it landed").arg(cellText(from));
            const Cell below(from.first, from.second + 1);
            if (from.second != 11 && !after.settled.contains(after.at.value(below)))
                return QStringLiteral("blob landed in %1 over a cell without a settled blob")
                    .arg(cellText(from));
        } else {
            if (after.cells.contains(item))
                return QStringLiteral("blob in %1 is on the board in neither list")
                    .arg(cellText(from));
            if (from.second >= 0)
                return QStringLiteral("blob in %1 inside the well vanished").arg(cellText(from));
        }
    }
    if (after.falling != stillFalling)
        return QStringLiteral("falling blobs reordered or added by a fall");
    if (after.settled.mid(before.settled.size()) != landed)
        return QStringLiteral("landed blobs appended out of the falling order");
    return QString();
}

// One sideways step: each falling blob moved one column, or stayed because the wall or a blob
// that stayed too is beside it.
QString checkSideways(const State &before, const State &after, int dx)
{
    if (!after.settledUnchanged(before) || after.falling != before.falling)
        return QStringLiteral("a sideways move changed the lists or a settled blob");
    for (const QGraphicsItem *item : before.falling) {
        const Cell from = before.cells.value(item);
        const Cell to = after.cells.value(item);
        if (to == Cell(from.first + dx, from.second))
            continue;
        if (to != from)
            return QStringLiteral("blob from %1 moved to %2").arg(cellText(from), cellText(to));
        const Cell side(from.first + dx, from.second);
        if (side.first < 0 || side.first > 5)
            continue;
        const QGraphicsItem *neighbour = after.at.value(side);
        if (!neighbour)
            return QStringLiteral("blob in %1 stayed beside a free cell").arg(cellText(from));
        if (after.cells.value(neighbour) != before.cells.value(neighbour))
            return QStringLiteral("blob in %1 stayed beside a blob that moved in")
                .arg(cellText(from));
    }
    return QString();
}

// One turn: only the first and the last falling blob may move, and when they do, the last
// ends beside the first on the next side round, the pair shifted back in from a wall.
QString checkTurn(const State &before, const State &after, bool clockwise)
{
    if (!after.settledUnchanged(before) || after.falling != before.falling)
        return QStringLiteral("a turn changed the lists or a settled blob");
    const Items &falling = before.falling;
    for (int i = 1; i + 1 < falling.size(); ++i) {
        if (after.cells.value(falling.at(i)) != before.cells.value(falling.at(i)))
            return QStringLiteral("a turn moved a blob between the first and the last");
    }
    if (falling.isEmpty())
        return QString();
    const Cell p0 = before.cells.value(falling.first()), r0 = before.cells.value(falling.last());
    const Cell p1 = after.cells.value(falling.first()), r1 = after.cells.value(falling.last());
    const bool moved = p0 != p1 || r0 != r1;
    if (!moved)
        return QString();
    const int dx = r0.first - p0.first, dy = r0.second - p0.second;
    if (falling.size() == 1 || (dx != 0 && dy != 0))
        return QStringLiteral("a single blob or a diagonal pair was turned");
    if (std::abs(dx) + std::abs(dy) != 1)
        return QString(); // far apart in a line: the turn is made, but is not a quarter turn
    // The next side round: clockwise, north -> east -> south -> west -> north.
    const int ndx = clockwise ? -dy : dy, ndy = clockwise ? dx : -dx;
    if (p1 != p0) {
        if (p1.second != p0.second || std::abs(p1.first - p0.first) != 1)
            return QStringLiteral("pivot moved from %1 to %2").arg(cellText(p0), cellText(p1));
        if ((p0.first != 0 || ndx != -1) && (p0.first != 5 || ndx != 1))
            return QStringLiteral("pivot in %1 shifted away from no wall").arg(cellText(p0));
    }
    if (r1 != Cell(p1.first + ndx, p1.second + ndy))
        return QStringLiteral("pair %1 %2 turned to %3 %4")
            .arg(cellText(p0), cellText(r0), cellText(p1), cellText(r1));
    return QString();
}

// A tick between falls: a new pair, or a group taken away with the blobs above it lifted, or
// nothing at all.
QString checkBetweenPairs(const State &before, const State &after)
{
    for (const QGraphicsItem *item : after.settled) {
        if (!before.settled.contains(item))
            return QStringLiteral("a blob settled with nothing falling");
    }
    if (after.settled == before.settled) {
        if (after.falling.isEmpty())
            return QString();
        if (after.falling.size() != 2)
            return QStringLiteral("a spawn made %1 blobs").arg(after.falling.size());
        for (const QGraphicsItem *item : after.falling) {
            const int row = after.cells.value(item).second;
            if (before.cells.contains(item) || row < 0 || row > 1)
                return QStringLiteral("a spawned blob is not new in the top rows");
        }
        return QString();
    }
    if (before.settled.size() - after.settled.size() - after.falling.size() < 4)
        return QStringLiteral("fewer than four blobs taken away");
    for (const QGraphicsItem *item : after.falling) {
        if (!before.settled.contains(item) || after.cells.value(item) != before.cells.value(item))
            return QStringLiteral("a lifted blob was not a settled blob left in place");
    }
    return QString();
}

QString checkStep(Step step, const State &before, const State &after)
{
    switch (step) {
    case Step::Tick:
        if (before.paused)
            return after.same(before) ? QString()
                                      : QStringLiteral("a paused tick changed the board");
        return before.falling.isEmpty() ? checkBetweenPairs(before, after)
                                        : checkFall(before, after);
    case Step::Down:
        return checkFall(before, after);
    case Step::Left:
        return checkSideways(before, after, -1);
    case Step::Right:
        return checkSideways(before, after, 1);
    case Step::Clockwise:
        return checkTurn(before, after, true);
    case Step::CounterClockwise:
        return checkTurn(before, after, false);
    case Step::Pause:
        return after.same(before) ? QString() : QStringLiteral("pausing changed the board");
    case Step::Restart:
        return after.cells.isEmpty() && after.falling.isEmpty() && after.settled.isEmpty()
                && !after.paused
            ? QString()
            : QStringLiteral("a restart left something behind");
    }
    return QString();
}

// Runs one step and checks it; an empty result means all is well.
QString stepAndCheck(KeloBoardView &view, Step step)
{
    const State before(view);
    apply(view, step);
    const QString broken = Probe::brokenInvariant(view);
    if (!broken.isEmpty())
        return broken;
    return checkStep(step, before, State(view));
}

} // namespace

class TestRandomPlay : public QObject
{
    Q_OBJECT

private slots:
    void seededGames();
    void shakenBoards();
};

// Whole games with the real spawns, chains and game overs, the player pressing keys at random.
void TestRandomPlay::seededGames()
{
    constexpr unsigned Seeds = 200;
    constexpr int Steps = 2500;

    int mostFalling = 0, chainSteps = 0, blockedSpawns = 0, gameOvers = 0, vanished = 0;
    for (unsigned seed = 1; seed <= Seeds; ++seed) {
        CoutCapture quiet;
        std::srand(seed);
        KeloBoardView view;
        Probe::timer(view)->stop();
        std::mt19937 player(seed);
        std::uniform_int_distribution<int> percent(0, 999);
        bool playerPaused = false;
        int idleTicks = 0;

        for (int i = 0; i < Steps; ++i) {
            Step step;
            const int roll = percent(player);
            if ((Probe::isPaused(view) && !playerPaused) || idleTicks > 20)
                step = roll < 100 ? Step::Restart : Step::Tick; // game over: start again soon
            else if (roll < 420)
                step = Step::Tick;
            else if (roll < 560)
                step = Step::Down;
            else if (roll < 700)
                step = Step::Left;
            else if (roll < 840)
                step = Step::Right;
            else if (roll < 915)
                step = Step::Clockwise;
            else if (roll < 990)
                step = Step::CounterClockwise;
            else if (roll < 998)
                step = Step::Pause;
            else
                step = Step::Restart;

            const State before(view);
            const QString broken = stepAndCheck(view, step);
            if (!broken.isEmpty()) {
                QFAIL(qPrintable(QStringLiteral("seed %1, step %2 (%3): %4")
                                     .arg(seed)
                                     .arg(i)
                                     .arg(QLatin1String(nameOf(step)), broken)));
            }
            const State after(view);
            if (step == Step::Pause)
                playerPaused = after.paused;
            if (step == Step::Restart)
                playerPaused = false;
            if (!before.paused && after.paused && step == Step::Tick)
                ++gameOvers;
            if (before.falling.isEmpty() && !after.falling.isEmpty()
                && after.settled.size() < before.settled.size())
                ++chainSteps;
            if (step == Step::Tick && !before.paused && before.falling.isEmpty()) {
                if (after.same(before)) {
                    ++blockedSpawns;
                    ++idleTicks;
                }
            }
            if (step == Step::Restart || !after.falling.isEmpty())
                idleTicks = 0;
            if (after.cells.size() < before.cells.size() && step != Step::Restart
                && after.settled.size() >= before.settled.size())
                ++vanished;
            mostFalling = std::max(mostFalling, int(after.falling.size()));
        }
    }
    qInfo("%d game overs, %d blocked spawns, %d chain steps lifting blobs, %d blobs gone above "
          "the well, at most %d falling at once",
        gameOvers, blockedSpawns, chainSteps, vanished, mostFalling);
    // The games must have reached the situations the checks are about.
    QVERIFY(blockedSpawns > 0);
    QVERIFY(chainSteps > 0);
    QVERIFY(mostFalling > 2);
}

// Boards laid out at random, with falling blobs anywhere, in lines, above the well and in any
// list order, as chains can leave them; then random moves, turns and falls.
void TestRandomPlay::shakenBoards()
{
    constexpr int Boards = 3000;
    constexpr int Steps = 40;

    CoutCapture quiet;
    KeloBoardView view;
    Probe::timer(view)->stop();
    std::mt19937 random(20240601);
    auto below = [&random](int n) { return int(random() % unsigned(n)); };

    for (int b = 0; b < Boards; ++b) {
        Probe::clear(view);
        std::set<Cell> taken;
        // Settled blobs stacked from the floor, with now and then one hanging loose.
        for (int column = 0; column < 6; ++column) {
            const int height = below(9);
            for (int row = 11; row > 11 - height; --row) {
                Probe::settle(view, column, row, 1 + below(4));
                taken.insert({ column, row });
            }
        }
        if (below(4) == 0) {
            const Cell loose(below(6), below(12));
            if (taken.insert(loose).second)
                Probe::settle(view, loose.first, loose.second, 1 + below(4));
        }
        // Falling blobs: a line of them, or a scatter, in rows -1 to 11.
        QList<Cell> falling;
        if (below(2) == 0) {
            const bool across = below(2) == 0;
            const int length = 2 + below(5);
            Cell c(below(6), below(13) - 1);
            for (int i = 0; i < length; ++i) {
                if (c.first > 5 || c.second > 11 || !taken.insert(c).second)
                    break;
                falling.append(c);
                if (across)
                    ++c.first;
                else
                    ++c.second;
            }
        }
        const int scatter = below(5);
        for (int i = 0; i < scatter; ++i) {
            const Cell c(below(6), below(13) - 1);
            if (taken.insert(c).second)
                falling.append(c);
        }
        std::shuffle(falling.begin(), falling.end(), random);
        for (const Cell &c : falling)
            Probe::fall(view, c.first, c.second, 1 + below(4));
        QVERIFY2(Probe::brokenInvariant(view).isEmpty(), "the laid-out board is unsound");

        for (int i = 0; i < Steps; ++i) {
            static const Step steps[] = { Step::Down, Step::Down, Step::Left, Step::Right,
                Step::Clockwise, Step::CounterClockwise, Step::Tick };
            const Step step = steps[below(7)];
            const QString broken = stepAndCheck(view, step);
            if (!broken.isEmpty()) {
                QFAIL(qPrintable(QStringLiteral("board %1, step %2 (%3): %4")
                                     .arg(b)
                                     .arg(i)
                                     .arg(QLatin1String(nameOf(step)), broken)));
            }
        }
    }
}

QTEST_MAIN(TestRandomPlay)
#include "tst_randomplay.moc"
