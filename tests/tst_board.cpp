// The board as a whole: its settings, its meta-object and the game cycle that the timer runs.

#include "keloboardprobe.h"

#include <QApplication>
#include <QMetaMethod>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using Probe = KeloBoardProbe;
using namespace KeloGeometry;

class TestBoard : public QObject
{
    Q_OBJECT

private slots:
    void init() { std::srand(7); }

    void constructorSettings();
    void firstPairBeforeShow();
    void timerDrivesTheTick();
    void metaObject();
    void ticksWhilePausedChangeNothing();
    void pauseAndResume();
    void restart_data();
    void restart();
    void gameOverAtExactlyAFullWell_data();
    void gameOverAtExactlyAFullWell();
    void resumedGameOverPausesAgain();
    void gameOverTickStillResolves();
    void checksStayOn();

private:
    CoutCapture m_quiet;
};

void TestBoard::constructorSettings()
{
    KeloBoardView view;
    QVERIFY(view.scene());
    QCOMPARE(view.scene()->parent(), &view);
    QCOMPARE(view.scene()->sceneRect(), QRectF(-96, -192, 192, 384));
    QCOMPARE(view.sceneRect(), QRectF(-96, -192, 192, 384));
    QCOMPARE(view.scene()->itemIndexMethod(), QGraphicsScene::BspTreeIndex);
    QCOMPARE(view.cacheMode(), QGraphicsView::CacheMode(QGraphicsView::CacheBackground));
    QCOMPARE(view.viewportUpdateMode(), QGraphicsView::BoundingRectViewportUpdate);
    QVERIFY(view.renderHints().testFlag(QPainter::Antialiasing));
    QCOMPARE(view.transformationAnchor(), QGraphicsView::AnchorUnderMouse);
    QCOMPARE(view.resizeAnchor(), QGraphicsView::AnchorViewCenter);
    QCOMPARE(view.minimumSize(), QSize(192, 384));
    QCOMPARE(view.windowTitle(), QStringLiteral("Kelo Kelo by Quorvin"));
    QVERIFY(view.transform().isIdentity());
    QVERIFY(!view.parentWidget());
    QVERIFY(!Probe::isPaused(view));

    QTimer *timer = Probe::timer(view);
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QVERIFY(!timer->isSingleShot());
    QCOMPARE(timer->interval(), 250);
    QVERIFY(!timer->parent());
}

void TestBoard::firstPairBeforeShow()
{
    KeloBoardView view;
    QVERIFY(!view.isVisible());
    const auto &falling = Probe::falling(view);
    QCOMPARE(falling.size(), 2);
    QCOMPARE(view.scene()->items().size(), 2);
    QVERIFY(Probe::settled(view).isEmpty());
    for (const QGraphicsItem *item : falling) {
        QCOMPARE(item->scene(), view.scene());
        QVERIFY(Probe::cellOf(item).second <= 1);
    }
    QVERIFY(Probe::brokenInvariant(view).isEmpty());
}

void TestBoard::timerDrivesTheTick()
{
    KeloBoardView view;
    QGraphicsItem *first = Probe::falling(view).first();
    const QPointF start = first->scenePos();
    // Two ticks drop the pair two rows; the event loop runs them from the timer.
    QTRY_VERIFY_WITH_TIMEOUT(first->scenePos().y() >= start.y() + 2 * CellSize, 3000);
    QCOMPARE(first->scenePos().x(), start.x());
}

void TestBoard::metaObject()
{
    const QMetaObject &meta = KeloBoardView::staticMetaObject;
    QCOMPARE(meta.className(), "KeloBoardView");
    QCOMPARE(meta.superClass(), &QGraphicsView::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 1);
    const QMetaMethod advance = meta.method(meta.methodOffset());
    QCOMPARE(advance.methodSignature(), QByteArray("advance()"));
    QCOMPARE(advance.methodType(), QMetaMethod::Slot);
    QCOMPARE(advance.access(), QMetaMethod::Private);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
    QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());
    QCOMPARE(meta.constructorCount(), 0);

    KeloBoardView view;
    QCOMPARE(view.metaObject(), &meta);
    QCOMPARE(view.qt_metacast("KeloBoardView"), static_cast<void *>(&view));
    QVERIFY(!view.qt_metacast(nullptr));
    QVERIFY(view.qt_metacast("QGraphicsView"));
    QVERIFY(qobject_cast<KeloBoardView *>(static_cast<QObject *>(&view)));

    // The slot runs one tick when invoked by name.
    Probe::timer(view)->stop();
    const qreal y = Probe::falling(view).first()->y();
    QVERIFY(QMetaObject::invokeMethod(&view, "advance"));
    QCOMPARE(Probe::falling(view).first()->y(), y + CellSize);
}

void TestBoard::ticksWhilePausedChangeNothing()
{
    KeloBoardView view;
    Probe::timer(view)->stop();
    // A pair resting on the floor, a group ready to be removed, nothing else.
    Probe::clear(view);
    for (int column = 0; column < 4; ++column)
        Probe::settle(view, column, 11, 2);
    Probe::fall(view, 5, 11, 3);
    Probe::pauseGame(view);

    const auto scene = view.scene()->items();
    const auto falling = Probe::falling(view);
    const auto settled = Probe::settled(view);
    QList<QPointF> positions;
    for (const QGraphicsItem *item : scene)
        positions.append(item->scenePos());
    for (int i = 0; i < 20; ++i)
        Probe::tick(view);

    QCOMPARE(view.scene()->items(), scene);
    QCOMPARE(Probe::falling(view), falling);
    QCOMPARE(Probe::settled(view), settled);
    for (int i = 0; i < scene.size(); ++i)
        QCOMPARE(scene.at(i)->scenePos(), positions.at(i));
    QVERIFY(Probe::isPaused(view));
}

void TestBoard::pauseAndResume()
{
    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::pauseGame(view);
    QVERIFY(Probe::isPaused(view));
    Probe::pauseGame(view);
    QVERIFY(Probe::isPaused(view));
    Probe::resumeGame(view);
    QVERIFY(!Probe::isPaused(view));
    const qreal y = Probe::falling(view).first()->y();
    Probe::tick(view);
    QCOMPARE(Probe::falling(view).first()->y(), y + CellSize);
}

enum class RestartFrom { Falling, Paused, BetweenPairs };
Q_DECLARE_METATYPE(RestartFrom)

void TestBoard::restart_data()
{
    QTest::addColumn<RestartFrom>("from");
    QTest::newRow("falling") << RestartFrom::Falling;
    QTest::newRow("paused") << RestartFrom::Paused;
    QTest::newRow("between pairs") << RestartFrom::BetweenPairs;
}

void TestBoard::restart()
{
    QFETCH(RestartFrom, from);
    KeloBoardView view;
    Probe::timer(view)->stop();
    view.scale(1.2, 1.2);
    for (int column = 0; column < 6; ++column)
        Probe::settle(view, column, 11, column % 4 + 1);
    if (from == RestartFrom::Paused)
        Probe::pauseGame(view);
    if (from == RestartFrom::BetweenPairs)
        Probe::falling(view).clear();
    QGraphicsScene *scene = view.scene();

    Probe::restartGame(view);
    QVERIFY(Probe::falling(view).isEmpty());
    QVERIFY(Probe::settled(view).isEmpty());
    QVERIFY(scene->items().isEmpty());
    QVERIFY(!Probe::isPaused(view));
    QCOMPARE(view.scene(), scene);
    QCOMPARE(view.transform().m11(), 1.2);
    QVERIFY(Probe::timer(view));

    // The next tick places the first pair of the new game.
    Probe::tick(view);
    QCOMPARE(Probe::falling(view).size(), 2);
    QCOMPARE(scene->items().size(), 2);
    QVERIFY(Probe::brokenInvariant(view).isEmpty());
}

// Fills the well with settled blobs in a pattern with no group of four: 2 x 1 bricks of one
// colour, no two bricks of a colour side by side.
static void fillWithoutGroups(KeloBoardView &view, int count)
{
    for (int i = 0; i < count; ++i) {
        const int row = WellRows - 1 - i / WellColumns;
        const int column = i % WellColumns;
        Probe::settle(view, column, row, (column / 2 + row) % 4 + 1);
    }
}

void TestBoard::gameOverAtExactlyAFullWell_data()
{
    QTest::addColumn<int>("settled");
    QTest::addColumn<bool>("over");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("71") << 71 << false;
    QTest::newRow("72") << 72 << true;
}

void TestBoard::gameOverAtExactlyAFullWell()
{
    QFETCH(int, settled);
    QFETCH(bool, over);
    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    fillWithoutGroups(view, settled);
    Probe::checkGameOver(view);
    QCOMPARE(Probe::isPaused(view), over);
    Probe::tick(view);
    QCOMPARE(Probe::isPaused(view), over);
    QCOMPARE(Probe::settled(view).size(), settled);
    // With 71 settled blobs no pair fits: the game goes on retrying.
    QCOMPARE(Probe::falling(view).size(), settled < 71 ? 2 : 0);
}

void TestBoard::resumedGameOverPausesAgain()
{
    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    fillWithoutGroups(view, 72);
    Probe::tick(view);
    QVERIFY(Probe::isPaused(view));
    Probe::resumeGame(view);
    Probe::tick(view);
    QVERIFY(Probe::isPaused(view));
    QCOMPARE(view.scene()->items().size(), 72);
}

void TestBoard::gameOverTickStillResolves()
{
    // The last settling fills the well and completes a group in the top row: the tick pauses
    // the game and still removes the group; play goes on after resuming.
    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    fillWithoutGroups(view, 68);
    const int green = 2; // no green blob touches the top row's right four cells
    for (int column = 2; column < WellColumns; ++column)
        Probe::settle(view, column, 0, green);
    QCOMPARE(Probe::settled(view).size(), 72);

    Probe::tick(view);
    QVERIFY(Probe::isPaused(view));
    QCOMPARE(Probe::settled(view).size(), 68);
    QVERIFY(Probe::falling(view).isEmpty());
    Probe::tick(view);
    QCOMPARE(Probe::settled(view).size(), 68);

    Probe::resumeGame(view);
    for (int i = 0; i < 100 && Probe::falling(view).isEmpty(); ++i)
        Probe::tick(view);
    QVERIFY(!Probe::isPaused(view));
    QCOMPARE(Probe::falling(view).size(), 2);
    QVERIFY(Probe::brokenInvariant(view).isEmpty());
}

void TestBoard::checksStayOn()
{
    // A board asked to resolve chains while a pair is still falling must stop at once with the
    // failed check, whatever the build configuration.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--break-a-check") });
    QVERIFY(child.waitForFinished(20000));
#ifdef Q_OS_WIN
    // Windows' abort() ends the process with exit code 3 rather than with a signal.
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 3);
#else
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
#endif
    QVERIFY2(child.readAllStandardError().contains("activeGroupItems.isEmpty()"),
        "the failed check names its expression");
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--break-a-check") == 0) {
        KeloBoardView view;
        Probe::findRensa(view);
        return 0;
    }
    TestBoard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_board.moc"
