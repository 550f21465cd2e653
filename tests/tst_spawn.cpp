// Placing a new pair at the top of the well: where the two blobs go for each column and
// orientation drawn, what blocks a pair, and how many random numbers an attempt uses.

#include "keloboardprobe.h"

#include <QGraphicsScene>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <map>
#include <utility>

using Probe = KeloBoardProbe;
using Cell = std::pair<int, int>;
using Cells = QList<Cell>;

Q_DECLARE_METATYPE(Cell)

namespace {

// The first five numbers the generator gives after srand(seed).
struct Draws
{
    int colour1, colour2, column, orientation, next;
};

Draws drawsFor(unsigned seed)
{
    std::srand(seed);
    Draws d;
    d.colour1 = std::rand();
    d.colour2 = std::rand();
    d.column = std::rand();
    d.orientation = std::rand();
    d.next = std::rand();
    return d;
}

// The smallest seed whose spawn attempt draws this column and orientation.
unsigned seedFor(int column, int orientation)
{
    static std::map<std::pair<int, int>, unsigned> found;
    const auto key = std::make_pair(column, orientation);
    auto it = found.find(key);
    if (it != found.end())
        return it->second;
    for (unsigned seed = 1;; ++seed) {
        const Draws d = drawsFor(seed);
        if (d.column % 6 == column && d.orientation % 3 == orientation) {
            found[key] = seed;
            return seed;
        }
    }
}

// Everything a spawn may change: the scene's blobs with their cells, and both lists.
struct Snapshot
{
    QList<QGraphicsItem *> scene;
    QList<QPointF> positions;
    QList<QGraphicsItem *> falling;
    QList<QGraphicsItem *> settled;

    explicit Snapshot(KeloBoardView &view)
    {
        scene = view.scene()->items(Qt::AscendingOrder);
        for (const QGraphicsItem *item : scene)
            positions.append(item->scenePos());
        falling = Probe::falling(view);
        settled = Probe::settled(view);
    }
    bool operator==(const Snapshot &other) const
    {
        return scene == other.scene && positions == other.positions && falling == other.falling
            && settled == other.settled;
    }
};

int typeOf(const QGraphicsItem *item)
{
    const auto *kelo = dynamic_cast<const KeloItem *>(item);
    return kelo ? kelo->keloType() : -1;
}

// A full well but for one cell of the top row. The colours never put two equal blobs side by
// side, so no group forms.
void fillAllButTopCell(KeloBoardView &view, int freeColumn)
{
    for (int column = 0; column < 6; ++column) {
        for (int row = 0; row < 12; ++row) {
            if (row == 0 && column == freeColumn)
                continue;
            Probe::settle(view, column, row, (column + 2 * row) % 4 + 1);
        }
    }
}

} // namespace

class TestSpawn : public QObject
{
    Q_OBJECT

private slots:
    void firstPairFallsAfterConstruction();
    void placement_data();
    void placement();
    void blockedSpawn_data();
    void blockedSpawn();
    void nothingFitsInANearlyFullWell_data();
    void nothingFitsInANearlyFullWell();
    void ticksKeepRetryingWhenNothingFits();
    void fallingBlobsPreventASpawn_data();
    void fallingBlobsPreventASpawn();
};

void TestSpawn::firstPairFallsAfterConstruction()
{
    KeloBoardView view;
    Probe::timer(view)->stop();
    QCOMPARE(Probe::falling(view).size(), 2);
    QVERIFY(Probe::settled(view).isEmpty());
    QCOMPARE(view.scene()->items().size(), 2);
    for (const QGraphicsItem *item : Probe::falling(view)) {
        QVERIFY(item->scene() == view.scene());
        const int row = Probe::cellOf(item).second;
        QVERIFY2(row == 0 || row == 1, qPrintable(QStringLiteral("row %1").arg(row)));
    }
    QCOMPARE(Probe::brokenInvariant(view), QString());
}

void TestSpawn::placement_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<Cell>("first");
    QTest::addColumn<Cell>("second");

    // Second blob to the left; at the left wall the pair is pushed in by one column.
    QTest::newRow("left of column 0") << 0 << 0 << Cell(1, 0) << Cell(0, 0);
    QTest::newRow("left of column 1") << 1 << 0 << Cell(1, 0) << Cell(0, 0);
    QTest::newRow("left of column 2") << 2 << 0 << Cell(2, 0) << Cell(1, 0);
    QTest::newRow("left of column 3") << 3 << 0 << Cell(3, 0) << Cell(2, 0);
    QTest::newRow("left of column 4") << 4 << 0 << Cell(4, 0) << Cell(3, 0);
    QTest::newRow("left of column 5") << 5 << 0 << Cell(5, 0) << Cell(4, 0);
    // Second blob above; the pair takes the top two rows.
    QTest::newRow("above in column 0") << 0 << 1 << Cell(0, 1) << Cell(0, 0);
    QTest::newRow("above in column 1") << 1 << 1 << Cell(1, 1) << Cell(1, 0);
    QTest::newRow("above in column 2") << 2 << 1 << Cell(2, 1) << Cell(2, 0);
    QTest::newRow("above in column 3") << 3 << 1 << Cell(3, 1) << Cell(3, 0);
    QTest::newRow("above in column 4") << 4 << 1 << Cell(4, 1) << Cell(4, 0);
    QTest::newRow("above in column 5") << 5 << 1 << Cell(5, 1) << Cell(5, 0);
    // Second blob to the right; at the right wall the pair is pushed in by one column.
    QTest::newRow("right of column 0") << 0 << 2 << Cell(0, 0) << Cell(1, 0);
    QTest::newRow("right of column 1") << 1 << 2 << Cell(1, 0) << Cell(2, 0);
    QTest::newRow("right of column 2") << 2 << 2 << Cell(2, 0) << Cell(3, 0);
    QTest::newRow("right of column 3") << 3 << 2 << Cell(3, 0) << Cell(4, 0);
    QTest::newRow("right of column 4") << 4 << 2 << Cell(4, 0) << Cell(5, 0);
    QTest::newRow("right of column 5") << 5 << 2 << Cell(4, 0) << Cell(5, 0);
}

void TestSpawn::placement()
{
    QFETCH(int, column);
    QFETCH(int, orientation);
    QFETCH(Cell, first);
    QFETCH(Cell, second);

    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);

    const unsigned seed = seedFor(column, orientation);
    const Draws draws = drawsFor(seed);
    std::srand(seed);
    Probe::releaseKelo(view);

    const auto &falling = Probe::falling(view);
    QCOMPARE(falling.size(), 2);
    QVERIFY(Probe::settled(view).isEmpty());
    QCOMPARE(Probe::cellOf(falling.first()), first);
    QCOMPARE(Probe::cellOf(falling.last()), second);
    // The colours come from the first two draws, in the order the blobs are placed.
    QCOMPARE(typeOf(falling.first()), draws.colour1 % 4 + 1);
    QCOMPARE(typeOf(falling.last()), draws.colour2 % 4 + 1);
    for (const QGraphicsItem *item : falling)
        QVERIFY(item->scene() == view.scene());
    QCOMPARE(view.scene()->items().size(), 2);
    // Exactly four numbers were drawn.
    QCOMPARE(std::rand(), draws.next);
    QCOMPARE(Probe::brokenInvariant(view), QString());
}

void TestSpawn::blockedSpawn_data()
{
    QTest::addColumn<Cells>("settledCells");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("blocked");

    // A vertical pair needs both rows of its column.
    for (int k = 0; k < 6; ++k) {
        QTest::addRow("row 1 of column %d, vertical", k) << Cells { { k, 1 } } << k << 1 << true;
        QTest::addRow("row 0 of column %d, vertical", k) << Cells { { k, 0 } } << k << 1 << true;
    }
    // A settled blob in the top row blocks every pair that uses its cell, whichever blob
    // would go there.
    QTest::newRow("first blob's cell, second left") << Cells { { 3, 0 } } << 3 << 0 << true;
    QTest::newRow("second blob's cell, second left") << Cells { { 2, 0 } } << 3 << 0 << true;
    QTest::newRow("first blob's cell, second right") << Cells { { 3, 0 } } << 3 << 2 << true;
    QTest::newRow("second blob's cell, second right") << Cells { { 4, 0 } } << 3 << 2 << true;
    QTest::newRow("pushed in from the left wall") << Cells { { 1, 0 } } << 0 << 0 << true;
    QTest::newRow("pushed in from the right wall") << Cells { { 4, 0 } } << 5 << 2 << true;
    // Cells the pair does not use do not stop it.
    QTest::newRow("next to a horizontal pair") << Cells { { 4, 0 }, { 1, 0 } } << 3 << 0 << false;
    QTest::newRow("below a horizontal pair") << Cells { { 2, 1 }, { 3, 1 } } << 3 << 0 << false;
    QTest::newRow("below a vertical pair") << Cells { { 3, 2 } } << 3 << 1 << false;
    QTest::newRow("beside a vertical pair") << Cells { { 2, 1 }, { 4, 0 } } << 3 << 1 << false;
    QTest::newRow("left wall, next to the pair") << Cells { { 2, 0 } } << 0 << 0 << false;
    QTest::newRow("right wall, next to the pair") << Cells { { 3, 0 } } << 5 << 2 << false;
}

void TestSpawn::blockedSpawn()
{
    QFETCH(Cells, settledCells);
    QFETCH(int, column);
    QFETCH(int, orientation);
    QFETCH(bool, blocked);

    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    for (const Cell &cell : settledCells)
        Probe::settle(view, cell.first, cell.second);

    const Snapshot before(view);
    const unsigned seed = seedFor(column, orientation);
    const Draws draws = drawsFor(seed);
    std::srand(seed);
    Probe::releaseKelo(view);

    // Four numbers are drawn whether the pair fits or not.
    QCOMPARE(std::rand(), draws.next);
    if (blocked) {
        QVERIFY(Snapshot(view) == before);
    } else {
        QCOMPARE(Probe::falling(view).size(), 2);
        QCOMPARE(Probe::settled(view), before.settled);
        QCOMPARE(view.scene()->items().size(), before.scene.size() + 2);
    }
    QCOMPARE(Probe::brokenInvariant(view), QString());
}

void TestSpawn::nothingFitsInANearlyFullWell_data()
{
    QTest::addColumn<int>("freeColumn");
    for (int k = 0; k < 6; ++k)
        QTest::addRow("top cell of column %d free", k) << k;
}

// 71 settled blobs leave a single free cell, and a pair needs two.
void TestSpawn::nothingFitsInANearlyFullWell()
{
    QFETCH(int, freeColumn);

    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    fillAllButTopCell(view, freeColumn);
    QCOMPARE(Probe::settled(view).size(), 71);

    const Snapshot before(view);
    for (int column = 0; column < 6; ++column) {
        for (int orientation = 0; orientation < 3; ++orientation) {
            const unsigned seed = seedFor(column, orientation);
            const Draws draws = drawsFor(seed);
            std::srand(seed);
            Probe::releaseKelo(view);
            const QString where
                = QStringLiteral("column %1, orientation %2").arg(column).arg(orientation);
            QVERIFY2(Snapshot(view) == before, qPrintable(where));
            QVERIFY2(std::rand() == draws.next, qPrintable(where));
        }
    }
}

// The game does not end with 71 settled blobs: every tick tries a new pair and fails.
void TestSpawn::ticksKeepRetryingWhenNothingFits()
{
    CoutCapture quiet;
    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    fillAllButTopCell(view, 2);
    const Snapshot before(view);

    for (unsigned seed = 1; seed <= 20; ++seed) {
        const Draws draws = drawsFor(seed);
        std::srand(seed);
        Probe::tick(view);
        QVERIFY(Snapshot(view) == before);
        QVERIFY(!Probe::isPaused(view));
        // Each tick makes one attempt, of four draws.
        QCOMPARE(std::rand(), draws.next);
    }
}

void TestSpawn::fallingBlobsPreventASpawn_data()
{
    QTest::addColumn<Cells>("fallingCells");
    QTest::addColumn<Cells>("settledCells");

    QTest::newRow("one blob left of a pair") << Cells { { 3, 6 } } << Cells { { 2, 7 } };
    QTest::newRow("a pair") << Cells { { 2, 4 }, { 2, 3 } } << Cells {};
    QTest::newRow("lifted blobs") << Cells { { 0, 5 }, { 0, 4 }, { 4, 9 } }
                                  << Cells { { 0, 11 }, { 4, 11 } };
    QTest::newRow("one blob above the well") << Cells { { 1, -1 } } << Cells {};
}

void TestSpawn::fallingBlobsPreventASpawn()
{
    QFETCH(Cells, fallingCells);
    QFETCH(Cells, settledCells);

    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    for (const Cell &cell : settledCells)
        Probe::settle(view, cell.first, cell.second);
    for (const Cell &cell : fallingCells)
        Probe::fall(view, cell.first, cell.second);

    const Snapshot before(view);
    const Draws draws = drawsFor(7);
    std::srand(7);
    Probe::releaseKelo(view);
    QVERIFY(Snapshot(view) == before);
    // Nothing was drawn: the next number is the first of the sequence.
    QCOMPARE(std::rand(), draws.colour1);
}

QTEST_MAIN(TestSpawn)
#include "tst_spawn.moc"
