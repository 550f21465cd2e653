// Falling, landing and the sideways moves: which blobs move, which settle and in what order,
// and that no two blobs ever end in one cell.

#include "keloboardprobe.h"

#include <QGraphicsScene>
#include <QTimer>
#include <QtTest>

#include <utility>

using Probe = KeloBoardProbe;
using Cell = std::pair<int, int>;
using Cells = QList<Cell>;

namespace {

enum class Move { Down, Left, Right };

void apply(KeloBoardView &view, Move move)
{
    switch (move) {
    case Move::Down:
        Probe::moveDown(view);
        break;
    case Move::Left:
        Probe::moveLeft(view);
        break;
    case Move::Right:
        Probe::moveRight(view);
        break;
    }
}

QString describe(const QGraphicsItem *item)
{
    const Cell c = Probe::cellOf(item);
    return QStringLiteral("(%1, %2)").arg(c.first).arg(c.second);
}

using Board = KeloLayout;

// Checks where each of the blobs that were falling ended, and how: 'F' still falling, 'S'
// settled, 'G' gone from the board. `settleOrder` lists, by their index among the falling
// blobs, those appended to the settled blobs, in the order they were appended.
void checkOutcome(Board &board, const Cells &cells, const QString &states,
    const QList<int> &settleOrder, const Cells &settledCells)
{
    KeloBoardView &view = board.view;
    QCOMPARE(Probe::brokenInvariant(view), QString());

    const QList<QGraphicsItem *> onBoard = view.scene()->items();
    QList<QGraphicsItem *> stillFalling;
    for (int i = 0; i < board.fallingBlobs.size(); ++i) {
        QGraphicsItem *item = board.fallingBlobs.at(i);
        const QString which = QStringLiteral("blob %1").arg(i);
        switch (states.at(i).toLatin1()) {
        case 'G':
            QVERIFY2(!onBoard.contains(item), qPrintable(which + " is still on the board"));
            QVERIFY2(!Probe::falling(view).contains(item), qPrintable(which));
            QVERIFY2(!Probe::settled(view).contains(item), qPrintable(which));
            continue;
        case 'F':
            stillFalling.append(item);
            break;
        case 'S':
            QVERIFY2(Probe::settled(view).contains(item), qPrintable(which + " has not settled"));
            break;
        }
        QVERIFY2(onBoard.contains(item), qPrintable(which + " is off the board"));
        QVERIFY2(Probe::cellOf(item) == cells.at(i),
            qPrintable(QStringLiteral("%1 at %2, expected (%3, %4)")
                           .arg(which, describe(item))
                           .arg(cells.at(i).first)
                           .arg(cells.at(i).second)));
    }
    // The falling list keeps its order; the settled list keeps its blobs and grows at its end.
    QCOMPARE(Probe::falling(view), stillFalling);
    QList<QGraphicsItem *> settled = board.settledBlobs;
    for (int i : settleOrder)
        settled.append(board.fallingBlobs.at(i));
    QCOMPARE(Probe::settled(view), settled);
    for (int i = 0; i < board.settledBlobs.size(); ++i)
        QCOMPARE(Probe::cellOf(board.settledBlobs.at(i)), settledCells.at(i));
}

} // namespace

Q_DECLARE_METATYPE(Move)

class TestMovement : public QObject
{
    Q_OBJECT

private slots:
    void fall_data();
    void fall();
    void sideways_data();
    void sideways();
    void nothingFalling_data();
    void nothingFalling();
    void splitPairFallsOnAlone();
    void blobAboveAFullWellLeavesSeventyTwo();
    void movesWhilePaused();
};

void TestMovement::fall_data()
{
    QTest::addColumn<Cells>("falling");
    QTest::addColumn<Cells>("settled");
    QTest::addColumn<Cells>("cells");
    QTest::addColumn<QString>("states");
    QTest::addColumn<QList<int>>("settleOrder");

    // One blob.
    QTest::newRow("row 11 lands") << Cells { { 2, 11 } } << Cells {} << Cells { { 2, 11 } } << "S"
                                  << QList<int> { 0 };
    QTest::newRow("row 10 falls to row 11")
        << Cells { { 2, 10 } } << Cells {} << Cells { { 2, 11 } } << "F" << QList<int> {};
    QTest::newRow("row 0 falls") << Cells { { 5, 0 } } << Cells {} << Cells { { 5, 1 } } << "F"
                                 << QList<int> {};
    QTest::newRow("rests on a settled blob") << Cells { { 3, 5 } } << Cells { { 3, 6 } }
                                             << Cells { { 3, 5 } } << "S" << QList<int> { 0 };
    QTest::newRow("settled blob two below")
        << Cells { { 3, 4 } } << Cells { { 3, 6 } } << Cells { { 3, 5 } } << "F" << QList<int> {};
    QTest::newRow("settled blobs beside the cell below")
        << Cells { { 3, 4 } } << Cells { { 2, 5 }, { 4, 5 }, { 2, 4 }, { 4, 4 } }
        << Cells { { 3, 5 } } << "F" << QList<int> {};

    // A vertical pair lands as a whole, and the blob listed first is appended first.
    QTest::newRow("vertical, lower first, on the floor")
        << Cells { { 1, 11 }, { 1, 10 } } << Cells {} << Cells { { 1, 11 }, { 1, 10 } } << "SS"
        << QList<int> { 0, 1 };
    QTest::newRow("vertical, upper first, on the floor")
        << Cells { { 1, 10 }, { 1, 11 } } << Cells {} << Cells { { 1, 10 }, { 1, 11 } } << "SS"
        << QList<int> { 0, 1 };
    QTest::newRow("vertical, upper first, rows 3 and 4")
        << Cells { { 2, 3 }, { 2, 4 } } << Cells {} << Cells { { 2, 4 }, { 2, 5 } } << "FF"
        << QList<int> {};
    QTest::newRow("vertical, lower first, rows 3 and 4")
        << Cells { { 2, 4 }, { 2, 3 } } << Cells {} << Cells { { 2, 5 }, { 2, 4 } } << "FF"
        << QList<int> {};
    QTest::newRow("vertical, upper first, on a settled blob in row 6")
        << Cells { { 2, 4 }, { 2, 5 } } << Cells { { 2, 6 } } << Cells { { 2, 4 }, { 2, 5 } }
        << "SS" << QList<int> { 0, 1 };
    QTest::newRow("vertical, lower first, on a settled blob in row 6")
        << Cells { { 2, 5 }, { 2, 4 } } << Cells { { 2, 6 } } << Cells { { 2, 5 }, { 2, 4 } }
        << "SS" << QList<int> { 0, 1 };
    QTest::newRow("vertical, upper first, settled blob two below")
        << Cells { { 2, 3 }, { 2, 4 } } << Cells { { 2, 6 } } << Cells { { 2, 4 }, { 2, 5 } }
        << "FF" << QList<int> {};

    // A horizontal pair splits when only one blob rests on something.
    QTest::newRow("horizontal, left first, settled under the left")
        << Cells { { 1, 7 }, { 2, 7 } } << Cells { { 1, 8 } } << Cells { { 1, 7 }, { 2, 8 } }
        << "SF" << QList<int> { 0 };
    QTest::newRow("horizontal, right first, settled under the left")
        << Cells { { 2, 7 }, { 1, 7 } } << Cells { { 1, 8 } } << Cells { { 2, 8 }, { 1, 7 } }
        << "FS" << QList<int> { 1 };
    QTest::newRow("horizontal, settled under the right")
        << Cells { { 4, 7 }, { 5, 7 } } << Cells { { 5, 8 } } << Cells { { 4, 8 }, { 5, 7 } }
        << "FS" << QList<int> { 1 };
    QTest::newRow("horizontal, on the floor")
        << Cells { { 4, 11 }, { 3, 11 } } << Cells {} << Cells { { 4, 11 }, { 3, 11 } } << "SS"
        << QList<int> { 0, 1 };

    // Lifted blobs standing three or more in a column.
    QTest::newRow("column of three, top first, obstacle two below the middle")
        << Cells { { 2, 5 }, { 2, 6 }, { 2, 7 } } << Cells { { 2, 8 } }
        << Cells { { 2, 5 }, { 2, 6 }, { 2, 7 } } << "SSS" << QList<int> { 0, 1, 2 };
    QTest::newRow("column of three, bottom first, obstacle below")
        << Cells { { 2, 7 }, { 2, 6 }, { 2, 5 } } << Cells { { 2, 8 } }
        << Cells { { 2, 7 }, { 2, 6 }, { 2, 5 } } << "SSS" << QList<int> { 0, 1, 2 };
    QTest::newRow("column of three, middle first, obstacle below")
        << Cells { { 2, 6 }, { 2, 5 }, { 2, 7 } } << Cells { { 2, 8 } }
        << Cells { { 2, 6 }, { 2, 5 }, { 2, 7 } } << "SSS" << QList<int> { 0, 1, 2 };
    QTest::newRow("column of three, top first, on the floor")
        << Cells { { 0, 9 }, { 0, 10 }, { 0, 11 } } << Cells {}
        << Cells { { 0, 9 }, { 0, 10 }, { 0, 11 } } << "SSS" << QList<int> { 0, 1, 2 };
    QTest::newRow("column of four, top first, on the floor")
        << Cells { { 5, 8 }, { 5, 9 }, { 5, 10 }, { 5, 11 } } << Cells {}
        << Cells { { 5, 8 }, { 5, 9 }, { 5, 10 }, { 5, 11 } } << "SSSS"
        << QList<int> { 0, 1, 2, 3 };
    QTest::newRow("column of three, top first, free below")
        << Cells { { 0, 3 }, { 0, 4 }, { 0, 5 } } << Cells {}
        << Cells { { 0, 4 }, { 0, 5 }, { 0, 6 } } << "FFF" << QList<int> {};
    QTest::newRow("column with a gap, top first")
        << Cells { { 5, 2 }, { 5, 3 }, { 5, 5 } } << Cells { { 5, 6 } }
        << Cells { { 5, 3 }, { 5, 4 }, { 5, 5 } } << "FFS" << QList<int> { 2 };
    QTest::newRow("two columns, one resting")
        << Cells { { 1, 4 }, { 4, 4 }, { 1, 5 }, { 4, 5 } } << Cells { { 4, 6 } }
        << Cells { { 1, 5 }, { 4, 4 }, { 1, 6 }, { 4, 5 } } << "FSFS" << QList<int> { 1, 3 };

    // A blob that comes to rest above the top row leaves the board; it is not a landing.
    QTest::newRow("above the well, on a pivot resting in row 0")
        << Cells { { 3, 0 }, { 3, -1 } } << Cells { { 3, 1 } } << Cells { { 3, 0 }, { 3, -1 } }
        << "SG" << QList<int> { 0 };
    QTest::newRow("above the well, listed first")
        << Cells { { 3, -1 }, { 3, 0 } } << Cells { { 3, 1 } } << Cells { { 3, -1 }, { 3, 0 } }
        << "GS" << QList<int> { 1 };
    QTest::newRow("above the well, on a settled blob in row 0")
        << Cells { { 0, -1 } } << Cells { { 0, 0 } } << Cells { { 0, -1 } } << "G" << QList<int> {};
    QTest::newRow("above the well, free below")
        << Cells { { 4, 0 }, { 4, -1 } } << Cells {} << Cells { { 4, 1 }, { 4, 0 } } << "FF"
        << QList<int> {};
}

void TestMovement::fall()
{
    QFETCH(Cells, falling);
    QFETCH(Cells, settled);
    QFETCH(Cells, cells);
    QFETCH(QString, states);
    QFETCH(QList<int>, settleOrder);

    Board board(falling, settled);
    Probe::moveDown(board.view);
    checkOutcome(board, cells, states, settleOrder, settled);
}

void TestMovement::sideways_data()
{
    QTest::addColumn<Move>("move");
    QTest::addColumn<Cells>("falling");
    QTest::addColumn<Cells>("settled");
    QTest::addColumn<Cells>("cells");

    const Move L = Move::Left;
    const Move R = Move::Right;

    // One blob.
    QTest::newRow("left, free") << L << Cells { { 3, 5 } } << Cells {} << Cells { { 2, 5 } };
    QTest::newRow("left, column 0") << L << Cells { { 0, 5 } } << Cells {} << Cells { { 0, 5 } };
    QTest::newRow("left, against a settled blob")
        << L << Cells { { 3, 5 } } << Cells { { 2, 5 } } << Cells { { 3, 5 } };
    QTest::newRow("left, settled blobs above and below the target")
        << L << Cells { { 3, 5 } } << Cells { { 2, 4 }, { 2, 6 } } << Cells { { 2, 5 } };
    QTest::newRow("left, in row 11 without landing")
        << L << Cells { { 3, 11 } } << Cells {} << Cells { { 2, 11 } };
    QTest::newRow("right, free") << R << Cells { { 3, 5 } } << Cells {} << Cells { { 4, 5 } };
    QTest::newRow("right, column 5") << R << Cells { { 5, 5 } } << Cells {} << Cells { { 5, 5 } };
    QTest::newRow("right, against a settled blob")
        << R << Cells { { 3, 5 } } << Cells { { 4, 5 } } << Cells { { 3, 5 } };
    QTest::newRow("right, settled blobs above and below the target")
        << R << Cells { { 3, 5 } } << Cells { { 4, 4 }, { 4, 6 } } << Cells { { 4, 5 } };

    // A horizontal pair moves as a whole or not at all, whichever blob is listed first.
    QTest::newRow("left, pair in columns 0 and 1")
        << L << Cells { { 0, 3 }, { 1, 3 } } << Cells {} << Cells { { 0, 3 }, { 1, 3 } };
    QTest::newRow("left, pair in columns 1 and 0")
        << L << Cells { { 1, 3 }, { 0, 3 } } << Cells {} << Cells { { 1, 3 }, { 0, 3 } };
    QTest::newRow("left, pair in columns 1 and 2")
        << L << Cells { { 1, 3 }, { 2, 3 } } << Cells {} << Cells { { 0, 3 }, { 1, 3 } };
    QTest::newRow("left, pair in columns 2 and 1")
        << L << Cells { { 2, 3 }, { 1, 3 } } << Cells {} << Cells { { 1, 3 }, { 0, 3 } };
    QTest::newRow("left, pair in columns 1 and 2, settled in column 0")
        << L << Cells { { 1, 3 }, { 2, 3 } } << Cells { { 0, 3 } } << Cells { { 1, 3 }, { 2, 3 } };
    QTest::newRow("left, pair in columns 2 and 1, settled in column 0")
        << L << Cells { { 2, 3 }, { 1, 3 } } << Cells { { 0, 3 } } << Cells { { 2, 3 }, { 1, 3 } };
    QTest::newRow("left, pair in columns 3 and 2, settled in column 0")
        << L << Cells { { 3, 3 }, { 2, 3 } } << Cells { { 0, 3 } } << Cells { { 2, 3 }, { 1, 3 } };
    QTest::newRow("right, pair in columns 4 and 5")
        << R << Cells { { 4, 8 }, { 5, 8 } } << Cells {} << Cells { { 4, 8 }, { 5, 8 } };
    QTest::newRow("right, pair in columns 5 and 4")
        << R << Cells { { 5, 8 }, { 4, 8 } } << Cells {} << Cells { { 5, 8 }, { 4, 8 } };
    QTest::newRow("right, pair in columns 3 and 4")
        << R << Cells { { 3, 8 }, { 4, 8 } } << Cells {} << Cells { { 4, 8 }, { 5, 8 } };
    QTest::newRow("right, pair in columns 4 and 3")
        << R << Cells { { 4, 8 }, { 3, 8 } } << Cells {} << Cells { { 5, 8 }, { 4, 8 } };
    QTest::newRow("right, pair in columns 3 and 4, settled in column 5")
        << R << Cells { { 3, 8 }, { 4, 8 } } << Cells { { 5, 8 } } << Cells { { 3, 8 }, { 4, 8 } };
    QTest::newRow("right, pair in columns 4 and 3, settled in column 5")
        << R << Cells { { 4, 8 }, { 3, 8 } } << Cells { { 5, 8 } } << Cells { { 4, 8 }, { 3, 8 } };

    // A vertical pair's blobs are tested each against its own side: the pair can split.
    QTest::newRow("left, vertical, settled beside the lower blob")
        << L << Cells { { 3, 6 }, { 3, 5 } } << Cells { { 2, 6 } } << Cells { { 3, 6 }, { 2, 5 } };
    QTest::newRow("left, vertical upper first, settled beside the lower blob")
        << L << Cells { { 3, 5 }, { 3, 6 } } << Cells { { 2, 6 } } << Cells { { 2, 5 }, { 3, 6 } };
    QTest::newRow("left, vertical, settled beside the upper blob")
        << L << Cells { { 3, 6 }, { 3, 5 } } << Cells { { 2, 5 } } << Cells { { 2, 6 }, { 3, 5 } };
    QTest::newRow("right, vertical, settled beside the upper blob")
        << R << Cells { { 2, 6 }, { 2, 5 } } << Cells { { 3, 5 } } << Cells { { 3, 6 }, { 2, 5 } };
    QTest::newRow("right, vertical, settled beside the lower blob")
        << R << Cells { { 2, 6 }, { 2, 5 } } << Cells { { 3, 6 } } << Cells { { 2, 6 }, { 3, 5 } };
    QTest::newRow("left, vertical, free")
        << L << Cells { { 3, 6 }, { 3, 5 } } << Cells {} << Cells { { 2, 6 }, { 2, 5 } };

    // Lifted blobs standing three or more in a row.
    QTest::newRow("left, row of three, trailing first, settled beside the leading")
        << L << Cells { { 4, 4 }, { 3, 4 }, { 2, 4 } } << Cells { { 1, 4 } }
        << Cells { { 4, 4 }, { 3, 4 }, { 2, 4 } };
    QTest::newRow("left, row of three, leading first, settled beside the leading")
        << L << Cells { { 2, 4 }, { 3, 4 }, { 4, 4 } } << Cells { { 1, 4 } }
        << Cells { { 2, 4 }, { 3, 4 }, { 4, 4 } };
    QTest::newRow("left, row of three, middle first, settled beside the leading")
        << L << Cells { { 3, 4 }, { 4, 4 }, { 2, 4 } } << Cells { { 1, 4 } }
        << Cells { { 3, 4 }, { 4, 4 }, { 2, 4 } };
    QTest::newRow("left, row of three at the wall")
        << L << Cells { { 2, 4 }, { 1, 4 }, { 0, 4 } } << Cells {}
        << Cells { { 2, 4 }, { 1, 4 }, { 0, 4 } };
    QTest::newRow("left, row of three, free") << L << Cells { { 4, 4 }, { 3, 4 }, { 2, 4 } }
                                              << Cells {} << Cells { { 3, 4 }, { 2, 4 }, { 1, 4 } };
    QTest::newRow("left, row with a gap, trailing first")
        << L << Cells { { 4, 4 }, { 3, 4 }, { 1, 4 } } << Cells { { 0, 4 } }
        << Cells { { 3, 4 }, { 2, 4 }, { 1, 4 } };
    QTest::newRow("left, row of six")
        << L << Cells { { 5, 4 }, { 4, 4 }, { 3, 4 }, { 2, 4 }, { 1, 4 }, { 0, 4 } } << Cells {}
        << Cells { { 5, 4 }, { 4, 4 }, { 3, 4 }, { 2, 4 }, { 1, 4 }, { 0, 4 } };
    QTest::newRow("right, row of three, trailing first, settled beside the leading")
        << R << Cells { { 1, 4 }, { 2, 4 }, { 3, 4 } } << Cells { { 4, 4 } }
        << Cells { { 1, 4 }, { 2, 4 }, { 3, 4 } };
    QTest::newRow("right, row of three, leading first, settled beside the leading")
        << R << Cells { { 3, 4 }, { 2, 4 }, { 1, 4 } } << Cells { { 4, 4 } }
        << Cells { { 3, 4 }, { 2, 4 }, { 1, 4 } };
    QTest::newRow("right, row of three at the wall")
        << R << Cells { { 3, 4 }, { 4, 4 }, { 5, 4 } } << Cells {}
        << Cells { { 3, 4 }, { 4, 4 }, { 5, 4 } };
    QTest::newRow("right, row of three, free")
        << R << Cells { { 0, 4 }, { 1, 4 }, { 2, 4 } } << Cells {}
        << Cells { { 1, 4 }, { 2, 4 }, { 3, 4 } };
}

void TestMovement::sideways()
{
    QFETCH(Move, move);
    QFETCH(Cells, falling);
    QFETCH(Cells, settled);
    QFETCH(Cells, cells);

    Board board(falling, settled);
    apply(board.view, move);
    // A sideways move never lands a blob.
    checkOutcome(board, cells, QString(falling.size(), QLatin1Char('F')), {}, settled);
}

void TestMovement::nothingFalling_data()
{
    QTest::addColumn<Move>("move");
    QTest::newRow("down") << Move::Down;
    QTest::newRow("left") << Move::Left;
    QTest::newRow("right") << Move::Right;
}

void TestMovement::nothingFalling()
{
    QFETCH(Move, move);
    const Cells settled { { 0, 11 }, { 1, 11 }, { 1, 10 }, { 5, 11 } };
    Board board({}, settled);
    apply(board.view, move);
    checkOutcome(board, {}, {}, {}, settled);
    QCOMPARE(board.view.scene()->items().size(), settled.size());
}

// The blob left falling after a split goes on alone, one row per step, and lands in turn.
void TestMovement::splitPairFallsOnAlone()
{
    Board board({ { 1, 7 }, { 2, 7 } }, { { 1, 8 } });
    KeloBoardView &view = board.view;
    QGraphicsItem *left = board.fallingBlobs.at(0);
    QGraphicsItem *right = board.fallingBlobs.at(1);

    Probe::moveDown(view);
    QCOMPARE(Probe::falling(view), QList<QGraphicsItem *> { right });
    for (int row = 9; row <= 11; ++row) {
        Probe::moveDown(view);
        QCOMPARE(Probe::cellOf(right), Cell(2, row));
        QCOMPARE(Probe::falling(view), QList<QGraphicsItem *> { right });
    }
    Probe::moveDown(view);
    QVERIFY(Probe::falling(view).isEmpty());
    QCOMPARE(
        Probe::settled(view), (QList<QGraphicsItem *> { board.settledBlobs.first(), left, right }));
    QCOMPARE(Probe::cellOf(right), Cell(2, 11));
    QCOMPARE(Probe::cellOf(left), Cell(1, 7));
    QCOMPARE(Probe::brokenInvariant(view), QString());
}

// A blob turned above the well over its pivot, when the pivot fills the last cell, would
// make a 73rd settled blob; it leaves the board instead and the game ends at 72.
void TestMovement::blobAboveAFullWellLeavesSeventyTwo()
{
    CoutCapture quiet;
    Board board({}, {});
    KeloBoardView &view = board.view;
    for (int column = 0; column < 6; ++column) {
        for (int row = 0; row < 12; ++row) {
            if (column != 4 || row != 0)
                Probe::settle(view, column, row, (column + 2 * row) % 4 + 1);
        }
    }
    QGraphicsItem *pivot = Probe::fall(view, 4, 0, 4);
    QGraphicsItem *above = Probe::fall(view, 4, -1, 1);

    Probe::moveDown(view);
    QVERIFY(Probe::falling(view).isEmpty());
    QCOMPARE(Probe::settled(view).size(), 72);
    QCOMPARE(Probe::settled(view).last(), pivot);
    QVERIFY(!view.scene()->items().contains(above));
    QCOMPARE(view.scene()->items().size(), 72);
    QCOMPARE(Probe::brokenInvariant(view), QString());

    Probe::tick(view);
    QVERIFY(Probe::isPaused(view));
    QCOMPARE(Probe::brokenInvariant(view), QString());
}

// The keys act while the game is paused; only the tick stands still.
void TestMovement::movesWhilePaused()
{
    Board board({ { 2, 9 } }, {});
    KeloBoardView &view = board.view;
    QGraphicsItem *blob = board.fallingBlobs.first();
    Probe::pauseGame(view);

    Probe::tick(view);
    QCOMPARE(Probe::cellOf(blob), Cell(2, 9));
    Probe::moveLeft(view);
    QCOMPARE(Probe::cellOf(blob), Cell(1, 9));
    Probe::moveRight(view);
    Probe::moveRight(view);
    QCOMPARE(Probe::cellOf(blob), Cell(3, 9));
    Probe::moveDown(view);
    Probe::moveDown(view);
    QCOMPARE(Probe::cellOf(blob), Cell(3, 11));
    // Down lands the resting blob; the next pair waits for the game to resume.
    Probe::moveDown(view);
    QCOMPARE(Probe::settled(view), QList<QGraphicsItem *> { blob });
    QVERIFY(Probe::falling(view).isEmpty());
    {
        CoutCapture quiet;
        Probe::tick(view);
        QVERIFY(Probe::falling(view).isEmpty());
        QCOMPARE(view.scene()->items().size(), 1);
        Probe::resumeGame(view);
        Probe::tick(view);
    }
    QCOMPARE(Probe::falling(view).size(), 2);
    QCOMPARE(Probe::brokenInvariant(view), QString());
}

QTEST_MAIN(TestMovement)
#include "tst_movement.moc"
