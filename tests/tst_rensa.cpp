// Chain resolution: finding a group of four or more blobs of one colour, removing it, lifting
// the blobs above it, and a whole chain played out through the ticks of the game cycle.

#include "keloboardprobe.h"

#include <QGraphicsScene>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <string>

using namespace KeloGeometry;
using Items = KeloBoardProbe::Items;

struct LaidBlob
{
    int column;
    int row;
    int type;
};
using Layout = QList<LaidBlob>;
Q_DECLARE_METATYPE(Layout)

namespace {

enum Colour { Blue = 1, Green = 2, Red = 3, Yellow = 4 };

// One letter per colour type, in type order, for the pictures of the well.
const QString ColourLetters = QStringLiteral("BGRY");

// A blob that notes its own destruction, so that a removed blob can be told from a lost one.
class TrackedKelo : public KeloItem
{
public:
    TrackedKelo(KeloBoardView *view, QSet<const QGraphicsItem *> *destroyed)
        : KeloItem(view)
        , m_destroyed(destroyed)
    { }
    ~TrackedKelo() override { m_destroyed->insert(this); }

private:
    QSet<const QGraphicsItem *> *m_destroyed;
};

// A picture of the bottom of the well, one string per row, the last one being the bottom row:
// B, G, R and Y for the colours and '.' for a free cell; short rows are free on the right. The
// blobs settle from the bottom row up, left to right within a row.
Layout fromArt(const QStringList &rows)
{
    Layout layout;
    const int top = WellRows - int(rows.size());
    for (int r = int(rows.size()) - 1; r >= 0; --r) {
        for (int c = 0; c < int(rows.at(r).size()); ++c) {
            const int type = int(ColourLetters.indexOf(rows.at(r).at(c))) + 1;
            if (type > 0)
                layout.append({ c, top + r, type });
        }
    }
    return layout;
}

// The whole well as one line, rows from the top separated by '|', for comparison with what the
// board shows. Settled blobs are capitals, falling blobs small letters.
QString picture(const QStringList &rows)
{
    QStringList well;
    for (int r = 0; r < WellRows - int(rows.size()); ++r)
        well << QString(WellColumns, QLatin1Char('.'));
    for (const QString &row : rows)
        well << row.leftJustified(WellColumns, QLatin1Char('.'));
    return well.join(QLatin1Char('|'));
}

// A well picture of `count` rows whose bottom row is `bottom`, taking turns with `other` upward.
QStringList alternating(int count, const QString &bottom, const QString &other)
{
    QStringList rows;
    for (int r = 0; r < count; ++r)
        rows << ((count - 1 - r) % 2 == 0 ? bottom : other);
    return rows;
}

QStringList repeated(int count, const QString &row)
{
    return QStringList(count, row);
}

QString line(const char *text, int number)
{
    return QString::fromLatin1(text) + QString::number(number);
}

// A board with nothing on it and its timer stopped: the test lays out the blobs and drives the
// rules itself.
class Board
{
public:
    Board()
    {
        KeloBoardProbe::timer(view)->stop();
        KeloBoardProbe::clear(view);
    }

    // Settles the blobs of a layout, in its order.
    Items lay(const Layout &layout)
    {
        Items items;
        for (const LaidBlob &blob : layout) {
            auto *item = new TrackedKelo(&view, &destroyed);
            item->setKeloType(blob.type);
            item->setPos(cellCorner(blob.column, blob.row));
            view.scene()->addItem(item);
            settled().append(item);
            items.append(item);
        }
        return items;
    }

    bool resolve()
    {
        const CoutCapture capture;
        const bool removed = KeloBoardProbe::findRensa(view);
        output = capture.text();
        return removed;
    }

    void tick()
    {
        const CoutCapture capture;
        KeloBoardProbe::tick(view);
        output += capture.text();
    }

    // The lines written by the last call of resolve(), or by the ticks so far.
    QStringList outputLines() const
    {
        QStringList lines = QString::fromStdString(output).split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    QStringList rensaSizeLines() const
    {
        return outputLines().filter(QRegularExpression(QStringLiteral("^rensa size ")));
    }

    // What the board shows, probed at every cell centre: capitals for settled blobs, small
    // letters for falling ones, '?' for a blob in neither list and '#' for one in both.
    QString picture()
    {
        QStringList well;
        for (int r = 0; r < WellRows; ++r) {
            QString row;
            for (int c = 0; c < WellColumns; ++c) {
                QGraphicsItem *item
                    = view.scene()->itemAt(cellCentre(cellCorner(c, r)), QTransform());
                row += letter(item);
            }
            well << row;
        }
        return well.join(QLatin1Char('|'));
    }

    Items &settled() { return KeloBoardProbe::settled(view); }
    Items &falling() { return KeloBoardProbe::falling(view); }
    int onBoard() const { return int(view.scene()->items().size()); }

    // Declared before the view, which destroys the blobs still on the board when it goes.
    QSet<const QGraphicsItem *> destroyed;
    KeloBoardView view;
    std::string output;

private:
    QChar letter(QGraphicsItem *item)
    {
        if (!item)
            return QLatin1Char('.');
        const auto *kelo = qgraphicsitem_cast<KeloItem *>(item);
        if (!kelo || kelo->keloType() < 1 || kelo->keloType() > 4)
            return QLatin1Char('?');
        const QChar colour = ColourLetters.at(kelo->keloType() - 1);
        const bool isSettled = settled().contains(item);
        const bool isFalling = falling().contains(item);
        if (isSettled && isFalling)
            return QLatin1Char('#');
        if (isFalling)
            return colour.toLower();
        return isSettled ? colour : QLatin1Char('?');
    }
};

// What every call leaves behind, given the settled blobs before it: a blob that is gone was
// destroyed and is in no list and off the scene, every other blob is in exactly one list, the
// counts add up, and the first and last lines written tell the counts.
void checkBookkeeping(Board &board, const Items &before, bool removed)
{
    const Items onScene = board.view.scene()->items();
    int gone = 0;
    for (QGraphicsItem *item : before) {
        if (board.destroyed.contains(item)) {
            ++gone;
            QVERIFY(!board.settled().contains(item));
            QVERIFY(!board.falling().contains(item));
            QVERIFY(!onScene.contains(item));
        } else {
            QCOMPARE(int(board.settled().count(item) + board.falling().count(item)), 1);
            QVERIFY(onScene.contains(item));
        }
    }
    QCOMPARE(int(board.settled().size() + board.falling().size()), int(before.size()) - gone);
    QCOMPARE(KeloBoardProbe::brokenInvariant(board.view), QString());

    const QStringList lines = board.outputLines();
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QString::number(before.size()));
    if (removed) {
        QVERIFY2(gone >= 4, qPrintable(QStringLiteral("%1 blobs removed").arg(gone)));
        QCOMPARE(lines.last(), line("size after rensa ", int(before.size()) - gone));
        for (QGraphicsItem *item : board.falling())
            QVERIFY2(before.contains(item), "a falling blob that was not settled before");
    } else {
        QCOMPARE(gone, 0);
        QCOMPARE(board.settled(), before);
        QVERIFY(board.falling().isEmpty());
        QVERIFY(lines.filter(QStringLiteral("size after rensa")).isEmpty());
    }
}

// Lays out `before`, resolves once and compares the result and the board left behind.
void resolveOnce(Board &board, const QStringList &before, bool removes, const QStringList &after)
{
    const Items laid = board.lay(fromArt(before));
    QCOMPARE(board.picture(), picture(before));
    QCOMPARE(board.resolve(), removes);
    QCOMPARE(board.picture(), picture(after));
    checkBookkeeping(board, laid, removes);
}

void addResolveOnceColumns()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<bool>("removes");
    QTest::addColumn<QStringList>("after");
}

// Plays ticks until one places a new pair, writing a letter per tick: 'f' for a tick in which
// blobs were falling, 'X' for one that removed a group, 'N' for one that placed a pair, '.' for
// one that did nothing and '!' for anything else. `atRelease` is the board just before the tick
// that placed the pair.
void playUntilRelease(Board &board, QString &script, QString &atRelease)
{
    constexpr int MaxTicks = 60;
    for (int t = 0; t < MaxTicks; ++t) {
        const bool wasFalling = !board.falling().isEmpty();
        const int destroyedBefore = int(board.destroyed.size());
        const int onBoardBefore = board.onBoard();
        const Items settledBefore = board.settled();
        const QString pictureBefore = board.picture();

        board.tick();

        const int gone = int(board.destroyed.size()) - destroyedBefore;
        const int added = board.onBoard() - (onBoardBefore - gone);
        QChar step = QLatin1Char('!');
        if (wasFalling) {
            if (gone == 0 && added == 0)
                step = QLatin1Char('f');
        } else if (gone >= 4 && added == 0) {
            step = QLatin1Char('X');
        } else if (gone == 0 && added == 2) {
            step = QLatin1Char('N');
        } else if (gone == 0 && added == 0) {
            step = QLatin1Char('.');
        }
        script += step;
        QVERIFY2(KeloBoardProbe::brokenInvariant(board.view).isEmpty(),
            qPrintable(QStringLiteral("after tick %1 (%2): %3")
                           .arg(t + 1)
                           .arg(script, KeloBoardProbe::brokenInvariant(board.view))));

        if (step == QLatin1Char('X')) {
            for (QGraphicsItem *item : board.falling())
                QVERIFY2(settledBefore.contains(item), "a blob lifted that was not settled");
        }
        if (step == QLatin1Char('N')) {
            atRelease = pictureBefore;
            QCOMPARE(board.settled(), settledBefore);
            QCOMPARE(int(board.falling().size()), 2);
            const auto first = KeloBoardProbe::cellOf(board.falling().first());
            const auto second = KeloBoardProbe::cellOf(board.falling().last());
            for (const auto &cell : { first, second }) {
                QVERIFY2(cell.second == 0 || cell.second == 1, "a new blob below the top rows");
                QVERIFY(cell.first >= 0 && cell.first < WellColumns);
            }
            const int apart
                = std::abs(first.first - second.first) + std::abs(first.second - second.second);
            QCOMPARE(apart, 1);
            return;
        }
        if (step == QLatin1Char('!'))
            return;
    }
}

} // namespace

class TestRensa : public QObject
{
    Q_OBJECT

private slots:
    void workedExamples_data();
    void workedExamples();
    void removesGroupsOfFourOrMore_data();
    void removesGroupsOfFourOrMore();
    void keepsSmallerGroups_data();
    void keepsSmallerGroups();
    void liftsEverythingAboveInItsColumn_data();
    void liftsEverythingAboveInItsColumn();
    void probesAtTheWallsTopAndBottom_data();
    void probesAtTheWallsTopAndBottom();
    void removesOneGroupPerCall_data();
    void removesOneGroupPerCall();
    void orderOfTheLiftedBlobs_data();
    void orderOfTheLiftedBlobs();
    void chainPlayedThroughTicks_data();
    void chainPlayedThroughTicks();
    void pausedTicksResolveNothing();
};

void TestRensa::workedExamples_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<bool>("removes");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("empty board") << Layout() << false << QStringList()
                                 << QByteArray("0\n"
                                               "Total number of blue components: 0\n"
                                               "\n");

    QTest::newRow("two blues and a red")
        << Layout { { 0, 11, Blue }, { 1, 11, Blue }, { 0, 10, Red } } << false
        << QStringList { "R.", "BB" }
        << QByteArray("3\n"
                      "Total number of blue components: 2\n"
                      "Vertex 0 is in component 0\n"
                      "Vertex 1 is in component 0\n"
                      "Vertex 2 is in component 1\n"
                      "\n"
                      "rensa size 2\n"
                      "rensa size 1\n"
                      "rensa size 1\n");

    QTest::newRow("blue square under a red") << Layout { { 0, 11, Blue }, { 1, 11, Blue },
        { 0, 10, Blue }, { 1, 10, Blue }, { 0, 9, Red } }
                                             << true << QStringList { "r.", "..", ".." }
                                             << QByteArray("5\n"
                                                           "Total number of blue components: 2\n"
                                                           "Vertex 0 is in component 0\n"
                                                           "Vertex 1 is in component 0\n"
                                                           "Vertex 2 is in component 0\n"
                                                           "Vertex 3 is in component 0\n"
                                                           "Vertex 4 is in component 1\n"
                                                           "\n"
                                                           "rensa size 4\n"
                                                           "size after rensa 1\n");
}

void TestRensa::workedExamples()
{
    QFETCH(Layout, layout);
    QFETCH(bool, removes);
    QFETCH(QStringList, after);
    QFETCH(QByteArray, output);

    Board board;
    const Items laid = board.lay(layout);
    QCOMPARE(board.resolve(), removes);
    QCOMPARE(QByteArray::fromStdString(board.output), output);
    QCOMPARE(board.picture(), picture(after));
    checkBookkeeping(board, laid, removes);
}

void TestRensa::removesGroupsOfFourOrMore_data()
{
    addResolveOnceColumns();
    const QStringList none;

    QTest::newRow("row") << QStringList { "BBBB" } << true << none;
    QTest::newRow("row between other colours")
        << QStringList { "RBBBBG" } << true << QStringList { "R....G" };
    QTest::newRow("column") << QStringList { "B", "B", "B", "B" } << true << none;
    QTest::newRow("column on another colour")
        << QStringList { "Y", "Y", "Y", "Y", "R" } << true << QStringList { "R" };
    QTest::newRow("square") << QStringList { "GG", "GG" } << true << none;
    QTest::newRow("L") << QStringList { "R.", "R.", "RR" } << true << none;
    QTest::newRow("L lying down") << QStringList { "B..", "BBB" } << true << none;
    QTest::newRow("T") << QStringList { "YYY", "BYR" } << true << QStringList { "...", "B.R" };
    QTest::newRow("T upside down") << QStringList { ".G.", "GGG" } << true << none;
    QTest::newRow("S") << QStringList { ".RR", "RR." } << true << none;
    QTest::newRow("five in a row") << QStringList { "BBBBB" } << true << none;
    QTest::newRow("cross of five") << QStringList { ".Y.", "YYY", ".Y." } << true << none;
    QTest::newRow("snake of seven around a green three")
        << QStringList { "RRRR", "RGGG", "RRYB" } << true << QStringList { "....", ".gGG", "..YB" };
    QTest::newRow("whole well of one colour") << repeated(WellRows, "BBBBBB") << true << none;
    QTest::newRow("on top of the stacks, lifting nothing") << QStringList { "BBBB", "RGYR", "GYRG",
        "YRGY" } << true << QStringList { "....", "RGYR", "GYRG", "YRGY" };
}

void TestRensa::removesGroupsOfFourOrMore()
{
    QFETCH(QStringList, before);
    QFETCH(bool, removes);
    QFETCH(QStringList, after);

    Board board;
    resolveOnce(board, before, removes, after);
}

void TestRensa::keepsSmallerGroups_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("components");
    QTest::addColumn<int>("firstRensaSize");

    QTest::newRow("three in a row") << QStringList { "BBB" } << 1 << 3;
    QTest::newRow("three in a column") << QStringList { "G", "G", "G" } << 1 << 3;
    QTest::newRow("three bent") << QStringList { "R.", "RR" } << 1 << 3;
    QTest::newRow("threes apart, of one colour") << QStringList { "GGG", "RRR", "GGG" } << 3 << 3;
    QTest::newRow("corner contact only")
        << QStringList { "...B", "..BR", ".BRG", "BRGY" } << 10 << 1;
    QTest::newRow("checkerboard") << alternating(4, "BRBRBR", "RBRBRB") << 24 << 1;
    QTest::newRow("pairs of each colour") << QStringList { "BBGGRR", "YYBBGG" } << 6 << 2;
}

void TestRensa::keepsSmallerGroups()
{
    QFETCH(QStringList, before);
    QFETCH(int, components);
    QFETCH(int, firstRensaSize);

    Board board;
    resolveOnce(board, before, false, before);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(board.outputLines().contains(line("Total number of blue components: ", components)));
    // Every blob is examined when none qualifies.
    const QStringList sizes = board.rensaSizeLines();
    QCOMPARE(int(sizes.size()), int(fromArt(before).size()));
    QCOMPARE(sizes.first(), line("rensa size ", firstRensaSize));
}

void TestRensa::liftsEverythingAboveInItsColumn_data()
{
    addResolveOnceColumns();

    // Every colour, one to five rows above; the columns beside the group are higher and stay.
    QTest::newRow("row under a stack, beside higher columns")
        << QStringList { "....GR", "R...YG", "Y...RY", "B...GR", "G...YG", "R..YRY", "BBBBGR" }
        << true
        << QStringList { "....GR", "r...YG", "y...RY", "b...GR", "g...YG", "r..yRY", "....GR" };

    QTest::newRow("column under two, between higher columns")
        << QStringList { ".Y....", ".G.Y..", ".YBG..", ".GRY..", ".YBG..", ".GBY..", ".YBG..",
               ".GBY.." }
        << true
        << QStringList { ".Y....", ".G.Y..", ".YbG..", ".GrY..", ".Y.G..", ".G.Y..", ".Y.G..",
               ".G.Y.." };

    QStringList tall, tallAfter;
    for (int r = 0; r < 10; ++r) {
        tall << (r % 2 == 0 ? "RGY" : "GRG");
        tallAfter << (r % 2 == 0 ? "rgY" : "grG");
    }
    QTest::newRow("square under stacks up to the top, beside a full column")
        << (tall + QStringList { "BBY", "BBG" }) << true
        << (tallAfter + QStringList { "..Y", "..G" });
}

void TestRensa::liftsEverythingAboveInItsColumn()
{
    QFETCH(QStringList, before);
    QFETCH(bool, removes);
    QFETCH(QStringList, after);

    Board board;
    resolveOnce(board, before, removes, after);
}

void TestRensa::probesAtTheWallsTopAndBottom_data()
{
    addResolveOnceColumns();
    const QStringList none;

    QStringList corners = repeated(WellRows, "......");
    corners.first() = "B....G";
    corners.last() = "R....Y";
    QTest::newRow("four corners") << corners << false << corners;

    QStringList topRow = repeated(WellRows, "......");
    topRow.first() = "YYYYYY";
    QTest::newRow("top row") << topRow << true << none;

    QStringList onFullColumns = alternating(WellRows - 1, "..RGRG", "..GRGR");
    onFullColumns.prepend("..YYYY");
    QStringList fullColumnsLeft = onFullColumns;
    fullColumnsLeft.first() = "......";
    QTest::newRow("top row on full columns") << onFullColumns << true << fullColumnsLeft;

    QTest::newRow("left wall, top to bottom") << repeated(WellRows, "G") << true << none;
    QTest::newRow("right wall, top to bottom") << repeated(WellRows, ".....R") << true << none;
    QTest::newRow("bottom row") << QStringList { "GGGGGG" } << true << none;

    const QStringList full = alternating(WellRows, "BGBGBG", "RYRYRY");
    QTest::newRow("full well without a group") << full << false << full;

    QStringList fullWithGroup = full;
    fullWithGroup[10] = "RYRYBB";
    fullWithGroup[11] = "BGBGBB";
    QStringList fullAfter;
    for (int r = 0; r < 9; ++r)
        fullAfter << (r % 2 == 0 ? "RYRYry" : "BGBGbg");
    fullAfter << "BGBG.g"
              << "RYRY.."
              << "BGBG..";
    QTest::newRow("full well with a group in the corner") << fullWithGroup << true << fullAfter;
}

void TestRensa::probesAtTheWallsTopAndBottom()
{
    QFETCH(QStringList, before);
    QFETCH(bool, removes);
    QFETCH(QStringList, after);

    Board board;
    resolveOnce(board, before, removes, after);
}

void TestRensa::removesOneGroupPerCall_data()
{
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QStringList>("rensaSizes");
    QTest::addColumn<QStringList>("afterFirst");
    QTest::addColumn<QStringList>("afterSecond");

    const Layout blue { { 0, 11, Blue }, { 0, 10, Blue }, { 0, 9, Blue }, { 0, 8, Blue } };
    const Layout red { { 5, 11, Red }, { 5, 10, Red }, { 5, 9, Red }, { 5, 8, Red } };
    const QStringList blueLeft = repeated(4, "B");
    const QStringList redLeft = repeated(4, ".....R");
    const QStringList foundAtOnce { "rensa size 4" };
    const QStringList none;

    QTest::newRow("blue settled first") << (blue + red) << foundAtOnce << redLeft << none;
    QTest::newRow("red settled first") << (red + blue) << foundAtOnce << blueLeft << none;
    QTest::newRow("one red settled first")
        << (red.mid(3) + blue + red.mid(0, 3)) << foundAtOnce << blueLeft << none;
    QTest::newRow("taking turns, blue first")
        << Layout { blue[0], red[0], blue[1], red[1], blue[2], red[2], blue[3], red[3] }
        << foundAtOnce << redLeft << none;
    QTest::newRow("taking turns, red first")
        << Layout { red[0], blue[0], red[1], blue[1], red[2], blue[2], red[3], blue[3] }
        << foundAtOnce << blueLeft << none;
    QTest::newRow("larger group settled later")
        << (blue + red + Layout { { 5, 7, Red } }) << foundAtOnce << repeated(5, ".....R") << none;
    const Layout greens { { 2, 11, Green }, { 3, 11, Green }, { 2, 10, Green } };
    QTest::newRow("group of three settled first")
        << (greens + blue + red)
        << QStringList { "rensa size 3", "rensa size 2", "rensa size 1", "rensa size 4" }
        << QStringList { ".....R", ".....R", "..G..R", "..GG.R" } << QStringList { "..G", "..GG" };
}

void TestRensa::removesOneGroupPerCall()
{
    QFETCH(Layout, layout);
    QFETCH(QStringList, rensaSizes);
    QFETCH(QStringList, afterFirst);
    QFETCH(QStringList, afterSecond);

    Board board;
    const Items laid = board.lay(layout);
    QVERIFY(board.resolve());
    QCOMPARE(board.rensaSizeLines(), rensaSizes);
    QCOMPARE(board.picture(), picture(afterFirst));
    checkBookkeeping(board, laid, true);
    if (QTest::currentTestFailed())
        return;

    const Items left = board.settled();
    QVERIFY(board.resolve());
    QCOMPARE(board.picture(), picture(afterSecond));
    checkBookkeeping(board, left, true);
    if (QTest::currentTestFailed())
        return;

    const Items last = board.settled();
    QVERIFY(!board.resolve());
    QCOMPARE(board.picture(), picture(afterSecond));
    checkBookkeeping(board, last, false);
}

void TestRensa::orderOfTheLiftedBlobs_data()
{
    QTest::addColumn<Layout>("layout");
    // Indices into the layout.
    QTest::addColumn<QList<int>>("lifted");

    // Above the first removed blob: the red and the yellow; above the second: the green.
    QTest::newRow("square under two columns") << Layout { { 0, 11, Blue }, { 1, 11, Blue },
        { 0, 10, Blue }, { 1, 10, Blue }, { 0, 9, Red }, { 1, 9, Green }, { 0, 8, Yellow } }
                                              << QList<int> { 4, 6, 5 };

    QTest::newRow("row settled out of order") << Layout { { 2, 11, Blue }, { 0, 11, Blue },
        { 3, 11, Blue }, { 1, 11, Blue }, { 0, 10, Red }, { 2, 10, Green }, { 0, 9, Yellow },
        { 2, 9, Red }, { 1, 10, Yellow } } << QList<int> { 5, 7, 4, 6, 8 };

    QTest::newRow("stack listed from the top") << Layout { { 3, 5, Yellow }, { 3, 6, Green },
        { 3, 7, Red }, { 3, 11, Blue }, { 3, 10, Blue }, { 3, 9, Blue }, { 3, 8, Blue } }
                                               << QList<int> { 0, 1, 2 };

    QTest::newRow("column settled from the top") << Layout { { 4, 8, Blue }, { 4, 9, Blue },
        { 4, 10, Blue }, { 4, 11, Blue }, { 4, 6, Green }, { 4, 7, Yellow }, { 3, 11, Red },
        { 3, 10, Red } } << QList<int> { 4, 5 };
}

void TestRensa::orderOfTheLiftedBlobs()
{
    QFETCH(Layout, layout);
    QFETCH(QList<int>, lifted);

    Board board;
    const Items laid = board.lay(layout);
    QVERIFY(board.resolve());
    checkBookkeeping(board, laid, true);
    if (QTest::currentTestFailed())
        return;

    Items expectedFalling;
    for (int index : lifted)
        expectedFalling << laid.at(index);
    QCOMPARE(board.falling(), expectedFalling);

    // The blobs that stay settled keep the order in which they settled.
    Items expectedSettled;
    for (QGraphicsItem *item : laid) {
        if (!board.destroyed.contains(item) && !expectedFalling.contains(item))
            expectedSettled << item;
    }
    QCOMPARE(board.settled(), expectedSettled);
}

void TestRensa::chainPlayedThroughTicks_data()
{
    QTest::addColumn<QStringList>("before");
    // One letter per tick: X a group removed, f blobs falling, N the next pair placed.
    QTest::addColumn<QString>("ticks");
    QTest::addColumn<QStringList>("atRelease");

    QTest::newRow("nothing to remove")
        << QStringList { "BBB" } << QStringLiteral("N") << QStringList { "BBB" };
    QTest::newRow("square under a red")
        << QStringList { "R.", "BB", "BB" } << QStringLiteral("XfffN") << QStringList { "R" };
    QTest::newRow("two groups lifting nothing") << QStringList { ".....R", ".....R", ".....R",
        "BBBB.R" } << QStringLiteral("XXN") << QStringList();
    // The blue L goes and lifts three reds; they land next to the fourth and go in turn.
    QTest::newRow("reds brought together by the fall")
        << QStringList { "R.....", "BR....", "BRR...", "BBGY.." } << QStringLiteral("XffffXN")
        << QStringList { "..GY.." };
    // The red column waits until the red lifted off the blues has landed.
    QTest::newRow("second group waits for the landing")
        << QStringList { "R.....", "B....R", "B....R", "B....R", "B....R" }
        << QStringLiteral("XfffffXN") << QStringList { "R....." };
}

void TestRensa::chainPlayedThroughTicks()
{
    QFETCH(QStringList, before);
    QFETCH(QString, ticks);
    QFETCH(QStringList, atRelease);

    std::srand(4);
    Board board;
    board.lay(fromArt(before));
    QString script, released;
    playUntilRelease(board, script, released);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(script, ticks);
    QCOMPARE(released, picture(atRelease));
    QCOMPARE(int(board.outputLines().filter(QStringLiteral("size after rensa")).size()),
        int(ticks.count(QLatin1Char('X'))));
}

void TestRensa::pausedTicksResolveNothing()
{
    std::srand(4);
    Board board;
    const QStringList before { "R.", "BB", "BB" };
    board.lay(fromArt(before));

    KeloBoardProbe::pauseGame(board.view);
    for (int t = 0; t < 4; ++t)
        board.tick();
    QCOMPARE(board.output, std::string());
    QCOMPARE(board.picture(), picture(before));
    QVERIFY(board.destroyed.isEmpty());
    QVERIFY(board.falling().isEmpty());

    // Resumed, the group goes; paused again, the lifted red stays where it is.
    KeloBoardProbe::resumeGame(board.view);
    board.tick();
    QCOMPARE(board.picture(), picture({ "r.", "..", ".." }));
    KeloBoardProbe::pauseGame(board.view);
    for (int t = 0; t < 3; ++t)
        board.tick();
    QCOMPARE(board.picture(), picture({ "r.", "..", ".." }));

    KeloBoardProbe::resumeGame(board.view);
    QString script, released;
    playUntilRelease(board, script, released);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(script, QStringLiteral("fffN"));
    QCOMPARE(released, picture({ "R" }));
}

QTEST_MAIN(TestRensa)
#include "tst_rensa.moc"
