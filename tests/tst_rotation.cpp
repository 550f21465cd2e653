// Turning the pair round its pivot: the four orientations in both directions, the shifts back
// from the walls, and the turns that are refused.

#include "keloboardprobe.h"

#include <QGraphicsScene>
#include <QTimer>
#include <QtTest>

#include <utility>

using Probe = KeloBoardProbe;
using Cell = std::pair<int, int>;
using Cells = QList<Cell>;

namespace {

enum class Turn { Clockwise, CounterClockwise };

void apply(KeloBoardView &view, Turn turn)
{
    if (turn == Turn::Clockwise)
        Probe::rotateClockWise(view);
    else
        Probe::rotateCounterClockWise(view);
}

Turn opposite(Turn turn)
{
    return turn == Turn::Clockwise ? Turn::CounterClockwise : Turn::Clockwise;
}

// Where the rotating blob lies, seen from the pivot, in screen order clockwise.
enum Side { North, East, South, West };

Cell beside(const Cell &pivot, Side side)
{
    static const Cell offsets[4] = { { 0, -1 }, { 1, 0 }, { 0, 1 }, { -1, 0 } };
    return { pivot.first + offsets[side].first, pivot.second + offsets[side].second };
}

Side next(Side side, Turn turn)
{
    return Side((side + (turn == Turn::Clockwise ? 1 : 3)) % 4);
}

QString describe(const QList<QGraphicsItem *> &items)
{
    QStringList cells;
    for (const QGraphicsItem *item : items) {
        const Cell c = Probe::cellOf(item);
        cells.append(QStringLiteral("(%1, %2)").arg(c.first).arg(c.second));
    }
    return cells.join(QStringLiteral(", "));
}

struct Board : KeloLayout
{
    using KeloLayout::KeloLayout;

    // The falling blobs are where expected, and neither list has changed: a turn lands
    // nothing and reorders nothing.
    void check(const Cells &expected, const Cells &settled)
    {
        QCOMPARE(Probe::brokenInvariant(view), QString());
        QCOMPARE(Probe::falling(view), fallingBlobs);
        QCOMPARE(Probe::settled(view), settledBlobs);
        Cells cells;
        for (const QGraphicsItem *item : fallingBlobs)
            cells.append(Probe::cellOf(item));
        QVERIFY2(cells == expected,
            qPrintable(QStringLiteral("falling blobs at ") + describe(fallingBlobs)));
        for (int i = 0; i < settledBlobs.size(); ++i)
            QCOMPARE(Probe::cellOf(settledBlobs.at(i)), settled.at(i));
    }
};

} // namespace

Q_DECLARE_METATYPE(Turn)
Q_DECLARE_METATYPE(Side)

class TestRotation : public QObject
{
    Q_OBJECT

private slots:
    void fullCircle_data();
    void fullCircle();
    void turnAndTurnBack_data();
    void turnAndTurnBack();
    void turn_data();
    void turn();
    void turnedAboveTheWell_data();
    void turnedAboveTheWell();
    void turnsWhilePaused();
};

void TestRotation::fullCircle_data()
{
    QTest::addColumn<Cell>("pivot");
    QTest::addColumn<Side>("start");
    QTest::addColumn<Turn>("turn");

    const Cell pivots[] = { { 2, 5 }, { 1, 1 }, { 4, 9 } };
    const char *sides[] = { "north", "east", "south", "west" };
    for (const Cell &pivot : pivots) {
        for (int side = North; side <= West; ++side) {
            QTest::addRow("pivot (%d, %d), %s, clockwise", pivot.first, pivot.second, sides[side])
                << pivot << Side(side) << Turn::Clockwise;
            QTest::addRow(
                "pivot (%d, %d), %s, counter-clockwise", pivot.first, pivot.second, sides[side])
                << pivot << Side(side) << Turn::CounterClockwise;
        }
    }
}

// Away from the walls and the floor every turn is made, and four bring the pair back.
void TestRotation::fullCircle()
{
    QFETCH(Cell, pivot);
    QFETCH(Side, start);
    QFETCH(Turn, turn);

    Board board({ pivot, beside(pivot, start) }, {});
    Side side = start;
    for (int i = 0; i < 4; ++i) {
        apply(board.view, turn);
        side = next(side, turn);
        board.check({ pivot, beside(pivot, side) }, {});
    }
    QCOMPARE(side, start);
}

void TestRotation::turnAndTurnBack_data()
{
    QTest::addColumn<Cells>("falling");
    QTest::addColumn<Turn>("turn");

    QTest::newRow("north, clockwise") << Cells { { 3, 6 }, { 3, 5 } } << Turn::Clockwise;
    QTest::newRow("north, counter-clockwise")
        << Cells { { 3, 6 }, { 3, 5 } } << Turn::CounterClockwise;
    QTest::newRow("east, clockwise") << Cells { { 3, 6 }, { 4, 6 } } << Turn::Clockwise;
    QTest::newRow("east, counter-clockwise")
        << Cells { { 3, 6 }, { 4, 6 } } << Turn::CounterClockwise;
    QTest::newRow("south, clockwise") << Cells { { 3, 6 }, { 3, 7 } } << Turn::Clockwise;
    QTest::newRow("south, counter-clockwise")
        << Cells { { 3, 6 }, { 3, 7 } } << Turn::CounterClockwise;
    QTest::newRow("west, clockwise") << Cells { { 3, 6 }, { 2, 6 } } << Turn::Clockwise;
    QTest::newRow("west, counter-clockwise")
        << Cells { { 3, 6 }, { 2, 6 } } << Turn::CounterClockwise;
    QTest::newRow("west in row 0, up above the well and back")
        << Cells { { 2, 0 }, { 1, 0 } } << Turn::Clockwise;
    QTest::newRow("east in row 11, up and back")
        << Cells { { 2, 11 }, { 3, 11 } } << Turn::CounterClockwise;
}

void TestRotation::turnAndTurnBack()
{
    QFETCH(Cells, falling);
    QFETCH(Turn, turn);

    Board board(falling, { { 0, 11 }, { 5, 11 } });
    apply(board.view, turn);
    QVERIFY(Probe::cellOf(board.fallingBlobs.last()) != falling.last());
    QCOMPARE(Probe::cellOf(board.fallingBlobs.first()), falling.first());
    apply(board.view, opposite(turn));
    board.check(falling, { { 0, 11 }, { 5, 11 } });
}

void TestRotation::turn_data()
{
    QTest::addColumn<Cells>("falling");
    QTest::addColumn<Cells>("settled");
    QTest::addColumn<Turn>("turn");
    QTest::addColumn<Cells>("expected");

    const Turn CW = Turn::Clockwise;
    const Turn CCW = Turn::CounterClockwise;

    // At a wall the rotating blob would leave the well; both blobs shift back inwards.
    QTest::newRow("north at column 5, clockwise")
        << Cells { { 5, 5 }, { 5, 4 } } << Cells {} << CW << Cells { { 4, 5 }, { 5, 5 } };
    QTest::newRow("north at column 0, counter-clockwise")
        << Cells { { 0, 5 }, { 0, 4 } } << Cells {} << CCW << Cells { { 1, 5 }, { 0, 5 } };
    QTest::newRow("south at column 0, clockwise")
        << Cells { { 0, 5 }, { 0, 6 } } << Cells {} << CW << Cells { { 1, 5 }, { 0, 5 } };
    QTest::newRow("south at column 5, counter-clockwise")
        << Cells { { 5, 5 }, { 5, 6 } } << Cells {} << CCW << Cells { { 4, 5 }, { 5, 5 } };
    QTest::newRow("north at column 5 above the well, clockwise")
        << Cells { { 5, 0 }, { 5, -1 } } << Cells {} << CW << Cells { { 4, 0 }, { 5, 0 } };
    QTest::newRow("north at column 0 in row 11, counter-clockwise")
        << Cells { { 0, 11 }, { 0, 10 } } << Cells {} << CCW << Cells { { 1, 11 }, { 0, 11 } };
    QTest::newRow("north at column 5, clockwise, settled beside the rotating blob")
        << Cells { { 5, 5 }, { 5, 4 } } << Cells { { 4, 4 }, { 4, 6 } } << CW
        << Cells { { 4, 5 }, { 5, 5 } };
    // Turns at a wall that stay inside the well need no shift.
    QTest::newRow("east at column 0, clockwise")
        << Cells { { 0, 5 }, { 1, 5 } } << Cells {} << CW << Cells { { 0, 5 }, { 0, 6 } };
    QTest::newRow("north at column 0, clockwise")
        << Cells { { 0, 5 }, { 0, 4 } } << Cells {} << CW << Cells { { 0, 5 }, { 1, 5 } };
    QTest::newRow("west at column 5, counter-clockwise")
        << Cells { { 5, 5 }, { 4, 5 } } << Cells {} << CCW << Cells { { 5, 5 }, { 5, 6 } };
    QTest::newRow("north at column 5, counter-clockwise")
        << Cells { { 5, 5 }, { 5, 4 } } << Cells {} << CCW << Cells { { 5, 5 }, { 4, 5 } };

    // A settled blob in the cell the rotating blob would enter refuses the turn.
    QTest::newRow("east, settled below the pivot, clockwise")
        << Cells { { 2, 5 }, { 3, 5 } } << Cells { { 2, 6 } } << CW << Cells { { 2, 5 }, { 3, 5 } };
    QTest::newRow("east, settled below the pivot, counter-clockwise") << Cells { { 2, 5 },
        { 3, 5 } } << Cells { { 2, 6 } } << CCW << Cells { { 2, 5 }, { 2, 4 } };
    QTest::newRow("north, settled right of the pivot, clockwise")
        << Cells { { 2, 5 }, { 2, 4 } } << Cells { { 3, 5 } } << CW << Cells { { 2, 5 }, { 2, 4 } };
    QTest::newRow("north, settled right of the pivot, counter-clockwise") << Cells { { 2, 5 },
        { 2, 4 } } << Cells { { 3, 5 } } << CCW << Cells { { 2, 5 }, { 1, 5 } };
    QTest::newRow("north, settled on both sides, counter-clockwise") << Cells { { 2, 5 },
        { 2, 4 } } << Cells { { 3, 5 }, { 1, 5 } } << CCW << Cells { { 2, 5 }, { 2, 4 } };
    QTest::newRow("south, settled right of the pivot, counter-clockwise") << Cells { { 2, 5 },
        { 2, 6 } } << Cells { { 3, 5 } } << CCW << Cells { { 2, 5 }, { 2, 6 } };
    QTest::newRow("south, settled right of the pivot, clockwise")
        << Cells { { 2, 5 }, { 2, 6 } } << Cells { { 3, 5 } } << CW << Cells { { 2, 5 }, { 1, 5 } };
    QTest::newRow("south, settled left of the pivot, clockwise")
        << Cells { { 2, 5 }, { 2, 6 } } << Cells { { 1, 5 } } << CW << Cells { { 2, 5 }, { 2, 6 } };
    QTest::newRow("west, settled below the pivot, counter-clockwise") << Cells { { 2, 5 },
        { 1, 5 } } << Cells { { 2, 6 } } << CCW << Cells { { 2, 5 }, { 1, 5 } };
    QTest::newRow("west, settled below the pivot, clockwise")
        << Cells { { 2, 5 }, { 1, 5 } } << Cells { { 2, 6 } } << CW << Cells { { 2, 5 }, { 2, 4 } };
    // Settled blobs around the entered cell but not in it do not matter.
    QTest::newRow("north, settled blobs around the cell east of the pivot, clockwise")
        << Cells { { 2, 5 }, { 2, 4 } } << Cells { { 3, 4 }, { 4, 5 }, { 3, 6 }, { 4, 4 } } << CW
        << Cells { { 2, 5 }, { 3, 5 } };
    QTest::newRow("east, settled blobs around the cell south of the pivot, clockwise")
        << Cells { { 2, 5 }, { 3, 5 } } << Cells { { 1, 6 }, { 3, 6 }, { 2, 7 }, { 1, 7 } } << CW
        << Cells { { 2, 5 }, { 2, 6 } };
    QTest::newRow("south, settled blobs around the cell west of the pivot, clockwise")
        << Cells { { 2, 5 }, { 2, 6 } } << Cells { { 1, 4 }, { 0, 5 }, { 1, 6 }, { 0, 6 } } << CW
        << Cells { { 2, 5 }, { 1, 5 } };

    // The floor: nothing turns below row 11.
    QTest::newRow("east, pivot in row 11, clockwise")
        << Cells { { 2, 11 }, { 3, 11 } } << Cells {} << CW << Cells { { 2, 11 }, { 3, 11 } };
    QTest::newRow("east, pivot in row 11, counter-clockwise")
        << Cells { { 2, 11 }, { 3, 11 } } << Cells {} << CCW << Cells { { 2, 11 }, { 2, 10 } };
    QTest::newRow("west, pivot in row 11, counter-clockwise")
        << Cells { { 2, 11 }, { 1, 11 } } << Cells {} << CCW << Cells { { 2, 11 }, { 1, 11 } };
    QTest::newRow("west, pivot in row 11, clockwise")
        << Cells { { 2, 11 }, { 1, 11 } } << Cells {} << CW << Cells { { 2, 11 }, { 2, 10 } };
    QTest::newRow("south in row 11, clockwise")
        << Cells { { 2, 10 }, { 2, 11 } } << Cells {} << CW << Cells { { 2, 10 }, { 2, 11 } };
    QTest::newRow("south in row 11, counter-clockwise")
        << Cells { { 2, 10 }, { 2, 11 } } << Cells {} << CCW << Cells { { 2, 10 }, { 2, 11 } };
    QTest::newRow("south in row 11 at column 0, clockwise")
        << Cells { { 0, 10 }, { 0, 11 } } << Cells {} << CW << Cells { { 0, 10 }, { 0, 11 } };
    QTest::newRow("south in row 11 at column 5, counter-clockwise")
        << Cells { { 5, 10 }, { 5, 11 } } << Cells {} << CCW << Cells { { 5, 10 }, { 5, 11 } };

    // The turn up is never refused, even from the top row.
    QTest::newRow("west in row 0, clockwise")
        << Cells { { 3, 0 }, { 2, 0 } } << Cells {} << CW << Cells { { 3, 0 }, { 3, -1 } };
    QTest::newRow("east in row 0, counter-clockwise") << Cells { { 3, 0 },
        { 4, 0 } } << Cells { { 3, 1 } } << CCW << Cells { { 3, 0 }, { 3, -1 } };

    // A wall shift that would put the pivot on a settled blob refuses the whole turn.
    QTest::newRow("north at column 5, settled in column 4, clockwise")
        << Cells { { 5, 5 }, { 5, 4 } } << Cells { { 4, 5 } } << CW << Cells { { 5, 5 }, { 5, 4 } };
    QTest::newRow("north at column 0, settled in column 1, counter-clockwise") << Cells { { 0, 5 },
        { 0, 4 } } << Cells { { 1, 5 } } << CCW << Cells { { 0, 5 }, { 0, 4 } };
    QTest::newRow("south at column 0, settled in column 1, clockwise")
        << Cells { { 0, 5 }, { 0, 6 } } << Cells { { 1, 5 } } << CW << Cells { { 0, 5 }, { 0, 6 } };
    QTest::newRow("south at column 5, settled in column 4, counter-clockwise") << Cells { { 5, 5 },
        { 5, 6 } } << Cells { { 4, 5 } } << CCW << Cells { { 5, 5 }, { 5, 6 } };

    // With more than two falling blobs, the first and the last are turned; a third blob in
    // a cell either would end in refuses the turn.
    QTest::newRow("third blob in the entered cell, clockwise") << Cells { { 2, 5 }, { 3, 5 },
        { 2, 4 } } << Cells {} << CW << Cells { { 2, 5 }, { 3, 5 }, { 2, 4 } };
    QTest::newRow("third blob on the other side, counter-clockwise") << Cells { { 2, 5 }, { 3, 5 },
        { 2, 4 } } << Cells {} << CCW << Cells { { 2, 5 }, { 3, 5 }, { 1, 5 } };
    QTest::newRow("third blob above the pivot, west to north") << Cells { { 2, 5 }, { 2, 4 },
        { 1, 5 } } << Cells {} << CW << Cells { { 2, 5 }, { 2, 4 }, { 1, 5 } };
    QTest::newRow("third blob above the pivot, east to north") << Cells { { 2, 5 }, { 2, 4 },
        { 3, 5 } } << Cells {} << CCW << Cells { { 2, 5 }, { 2, 4 }, { 3, 5 } };
    QTest::newRow("third blob where the wall shift puts the pivot") << Cells { { 5, 5 }, { 4, 5 },
        { 5, 4 } } << Cells {} << CW << Cells { { 5, 5 }, { 4, 5 }, { 5, 4 } };
    QTest::newRow("first and last of three turned") << Cells { { 2, 5 }, { 4, 9 },
        { 2, 4 } } << Cells {} << CW << Cells { { 2, 5 }, { 4, 9 }, { 3, 5 } };

    // Nothing to turn.
    QTest::newRow("nothing falling, clockwise")
        << Cells {} << Cells { { 2, 11 } } << CW << Cells {};
    QTest::newRow("nothing falling, counter-clockwise")
        << Cells {} << Cells { { 2, 11 } } << CCW << Cells {};
    QTest::newRow("one blob, clockwise")
        << Cells { { 2, 5 } } << Cells {} << CW << Cells { { 2, 5 } };
    QTest::newRow("one blob, counter-clockwise")
        << Cells { { 2, 5 } } << Cells {} << CCW << Cells { { 2, 5 } };
    const Cell diagonals[] = { { 3, 4 }, { 3, 6 }, { 1, 6 }, { 1, 4 } };
    for (const Cell &d : diagonals) {
        QTest::addRow("diagonal (%d, %d), clockwise", d.first, d.second)
            << Cells { { 2, 5 }, d } << Cells {} << CW << Cells { { 2, 5 }, d };
        QTest::addRow("diagonal (%d, %d), counter-clockwise", d.first, d.second)
            << Cells { { 2, 5 }, d } << Cells {} << CCW << Cells { { 2, 5 }, d };
    }
}

void TestRotation::turn()
{
    QFETCH(Cells, falling);
    QFETCH(Cells, settled);
    QFETCH(Turn, turn);
    QFETCH(Cells, expected);

    Board board(falling, settled);
    apply(board.view, turn);
    board.check(expected, settled);
}

void TestRotation::turnedAboveTheWell_data()
{
    QTest::addColumn<bool>("resting");
    QTest::newRow("pivot free to fall") << false;
    QTest::newRow("pivot resting on a settled blob in row 1") << true;
}

// A blob turned up out of the well falls back in with its pivot, or, when the pivot cannot
// fall, leaves the board instead of settling outside the well.
void TestRotation::turnedAboveTheWell()
{
    QFETCH(bool, resting);

    const Cells settled = resting ? Cells { { 2, 1 } } : Cells {};
    Board board({ { 2, 0 }, { 1, 0 } }, settled);
    KeloBoardView &view = board.view;
    QGraphicsItem *pivot = board.fallingBlobs.first();
    QGraphicsItem *rotating = board.fallingBlobs.last();

    Probe::rotateClockWise(view);
    QCOMPARE(rotating->scenePos(), QPointF(-32, -224));
    QCOMPARE(Probe::cellOf(rotating), Cell(2, -1));
    board.check({ { 2, 0 }, { 2, -1 } }, settled);

    Probe::moveDown(view);
    QCOMPARE(Probe::brokenInvariant(view), QString());
    if (resting) {
        QCOMPARE(
            Probe::settled(view), (QList<QGraphicsItem *> { board.settledBlobs.first(), pivot }));
        QVERIFY(Probe::falling(view).isEmpty());
        QVERIFY(!view.scene()->items().contains(rotating));
        QCOMPARE(view.scene()->items().size(), 2);
    } else {
        QCOMPARE(Probe::falling(view), board.fallingBlobs);
        QCOMPARE(Probe::cellOf(pivot), Cell(2, 1));
        QCOMPARE(Probe::cellOf(rotating), Cell(2, 0));
    }
}

void TestRotation::turnsWhilePaused()
{
    Board board({ { 2, 5 }, { 2, 4 } }, {});
    Probe::pauseGame(board.view);
    Probe::rotateClockWise(board.view);
    board.check({ { 2, 5 }, { 3, 5 } }, {});
    Probe::rotateClockWise(board.view);
    board.check({ { 2, 5 }, { 2, 6 } }, {});
    Probe::rotateCounterClockWise(board.view);
    board.check({ { 2, 5 }, { 3, 5 } }, {});
    QVERIFY(Probe::isPaused(board.view));
}

QTEST_MAIN(TestRotation)
#include "tst_rotation.moc"
