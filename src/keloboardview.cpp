#include "keloboardview.h"

#include "kelofactory.h"
#include "kelogeometry.h"
#include "keloitem.h"

#include <QGraphicsScene>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/connected_components.hpp>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <vector>

// The consistency checks guard the game's bookkeeping and stay on in every build.
#undef NDEBUG
#include <cassert>

using namespace KeloGeometry;

namespace {

constexpr int TickMilliseconds = 250;
constexpr int GroupSize = 4;
constexpr int SpawnOrientations = 3;
constexpr qreal MinZoom = 0.5;
constexpr qreal MaxZoom = 4.0;
constexpr qreal ZoomStep = 1.2;
// One ordinary wheel notch is 120 eighths of a degree; two notches double or halve the zoom.
constexpr qreal WheelDeltaPerOctave = 240.0;
// With more than this many settled blobs the well is nearly full, and Return restarts without
// a pause first.
constexpr int RestartWithoutPause = 66;
constexpr int ShadowSize = 5;

enum SpawnOrientation { SecondLeft, SecondAbove, SecondRight };

const QPointF StepDown(0, CellSize);
const QPointF StepLeft(-CellSize, 0);
const QPointF StepRight(CellSize, 0);

// Chain resolution's diagnostic lines: one line each, flushed at once.
template<typename... Parts>
void logLine(const Parts &...parts)
{
    (std::cout << ... << parts) << std::endl;
}

// Where the rotating blob lies, seen from the pivot.
enum class Orientation { West, North, East, South, None };

// Where a rotating blob lands after a turn that triggers a wall shift.
constexpr qreal BeyondLeftWall = WellLeft - CellSize;
constexpr qreal BeyondRightWall = WellRight;
constexpr qreal NoWall = 0;

Orientation orientationOf(const QPointF &firstKeloPos, const QPointF &secondKeloPos)
{
    const qreal fx = firstKeloPos.x(), fy = firstKeloPos.y();
    const qreal sx = secondKeloPos.x(), sy = secondKeloPos.y();
    if (fx > sx && sy == fy)
        return Orientation::West;
    if (sx == fx && fy > sy)
        return Orientation::North;
    if (sx > fx && sy == fy)
        return Orientation::East;
    if (sx == fx && sy > fy)
        return Orientation::South;
    return Orientation::None;
}

// The fall timer has no parent object: each board makes one and it lasts as long as the
// process, so nothing can stop or replace it behind the board's back.
QTimer *makeFallTimer()
{
    auto *timer = new QTimer;
    timer->setInterval(TickMilliseconds);
    return timer;
}

} // namespace

// One quarter turn from one orientation. A conditional turn needs the cell that the rotating
// blob enters free of settled blobs and the rotating blob above the bottom row. When the
// rotating blob lands on the column just beyond a wall, both blobs shift back inwards.
struct KeloBoardView::Turn
{
    Orientation before;
    bool conditional;
    QPointF step;
    qreal wallX;
    qreal shiftX;
};

KeloBoardView::KeloBoardView()
    : QGraphicsView(static_cast<QWidget *>(nullptr))
    , autoFallTimer(nullptr)
    , paused(false)
{
    auto *boardScene = new QGraphicsScene(this);
    boardScene->setItemIndexMethod(QGraphicsScene::BspTreeIndex);
    boardScene->setSceneRect(wellRect());
    setScene(boardScene);

    setCacheMode(CacheBackground);
    setViewportUpdateMode(BoundingRectViewportUpdate);
    setRenderHint(QPainter::Antialiasing);
    setTransformationAnchor(AnchorUnderMouse);
    setResizeAnchor(AnchorViewCenter);

    autoFallTimer = makeFallTimer();
    connect(autoFallTimer, &QTimer::timeout, this, &KeloBoardView::advance);
    autoFallTimer->start();

    // The first pair is on the board before the window is first shown.
    releaseKelo();

    setMinimumSize(WellWidth, WellHeight);
    setWindowTitle(tr("Kelo Kelo by Quorvin"));
}

// ---- game cycle -------------------------------------------------------------------------

void KeloBoardView::advance()
{
    if (isPaused())
        return;
    if (!activeGroupItems.isEmpty()) {
        moveDown();
        return;
    }
    checkGameOver();
    if (!findRensa())
        releaseKelo();
    update();
}

void KeloBoardView::checkGameOver()
{
    if (stillGroupItems.size() == WellCells)
        pauseGame();
    update();
}

void KeloBoardView::restartGame()
{
    activeGroupItems.clear();
    stillGroupItems.clear();
    const QList<QGraphicsItem *> items = scene()->items();
    for (QGraphicsItem *item : items) {
        scene()->removeItem(item);
        delete item;
    }
    scene()->clear();
    update();
    paused = false;
}

void KeloBoardView::pauseGame()
{
    paused = true;
}

void KeloBoardView::resumeGame()
{
    paused = false;
}

bool KeloBoardView::isPaused() const
{
    return paused;
}

// ---- probes -----------------------------------------------------------------------------

QGraphicsItem *KeloBoardView::itemAtCentre(const QPointF &corner) const
{
    return scene()->itemAt(cellCentre(corner), QTransform());
}

QGraphicsItem *KeloBoardView::itemAtTopEdge(const QPointF &corner) const
{
    return scene()->itemAt(cellTopEdgeMiddle(corner), QTransform());
}

QGraphicsItem *KeloBoardView::itemAtCorner(const QPointF &corner) const
{
    return scene()->itemAt(corner, QTransform());
}

bool KeloBoardView::isFalling(const QGraphicsItem *item) const
{
    return item && activeGroupItems.contains(item);
}

bool KeloBoardView::isSettled(const QGraphicsItem *item) const
{
    return item && stillGroupItems.contains(item);
}

// ---- spawning ---------------------------------------------------------------------------

void KeloBoardView::releaseKelo()
{
    if (!activeGroupItems.isEmpty())
        return;

    KeloItem *keloItem1 = KeloFactory::instance()->createKelo(this);
    KeloItem *keloItem2 = KeloFactory::instance()->createKelo(this);

    const int column = std::rand() % WellColumns;
    keloItem1->setPos(cellCorner(column, 0));
    const QPointF p = keloItem1->pos();

    // The second blob goes beside or above the first; at a wall the pair is pushed back in,
    // and a vertical pair is lowered so that both blobs start inside the well.
    QPointF shift(0, 0);
    switch (std::rand() % SpawnOrientations) {
    case SecondLeft:
        keloItem2->setPos(p + StepLeft);
        if (p.x() == WellLeft)
            shift = StepRight;
        break;
    case SecondAbove:
        keloItem2->setPos(p - StepDown);
        shift = StepDown;
        break;
    case SecondRight:
        keloItem2->setPos(p + StepRight);
        if (p.x() == LastColumnX)
            shift = StepLeft;
        break;
    }
    keloItem1->moveBy(shift.x(), shift.y());
    keloItem2->moveBy(shift.x(), shift.y());

    if (isSettled(itemAtCentre(keloItem1->pos())) || isSettled(itemAtCentre(keloItem2->pos()))) {
        delete keloItem1;
        delete keloItem2;
        return;
    }

    scene()->addItem(keloItem1);
    scene()->addItem(keloItem2);
    activeGroupItems.clear();
    activeGroupItems.append(keloItem1);
    activeGroupItems.append(keloItem2);
}

// ---- movement and landing ---------------------------------------------------------------

// A blob moves by `step` when the cell it would enter is inside the walls and floor and either
// free or held by a falling blob that moves too. Following the line of falling blobs to its
// end keeps two blobs out of one cell however many stand in a row.
bool KeloBoardView::canMoveFrom(const QPointF &corner, const QPointF &step, Probe probe) const
{
    const QPointF target = corner + step;
    if (!insideWalls(target))
        return false;
    const QGraphicsItem *found = (this->*probe)(target);
    if (!found)
        return true;
    return isFalling(found) && canMoveFrom(target, step, probe);
}

// Which falling blobs move, decided on the board as it stands before any of them moves.
QList<bool> KeloBoardView::movers(const QPointF &step, Probe probe) const
{
    QList<bool> moves;
    moves.reserve(activeGroupItems.size());
    for (const QGraphicsItem *item : activeGroupItems)
        moves.append(canMoveFrom(item->scenePos(), step, probe));
    return moves;
}

void KeloBoardView::moveDown()
{
    const QList<QGraphicsItem *> falling = activeGroupItems;
    const QList<bool> moves = movers(StepDown, &KeloBoardView::itemAtCentre);
    for (qsizetype i = 0; i < falling.size(); ++i) {
        if (moves.at(i))
            falling.at(i)->moveBy(StepDown.x(), StepDown.y());
        else
            settle(falling.at(i));
    }
    update();
}

void KeloBoardView::moveLeft()
{
    moveSideways(StepLeft, &KeloBoardView::itemAtTopEdge);
}

void KeloBoardView::moveRight()
{
    moveSideways(StepRight, &KeloBoardView::itemAtTopEdge);
}

void KeloBoardView::moveSideways(const QPointF &step, Probe probe)
{
    const QList<QGraphicsItem *> falling = activeGroupItems;
    const QList<bool> moves = movers(step, probe);
    for (qsizetype i = 0; i < falling.size(); ++i) {
        if (moves.at(i))
            falling.at(i)->moveBy(step.x(), step.y());
    }
}

// A blob that cannot fall joins the settled blobs. One that comes to rest above the top row
// (turned up there with nothing to fall into) would sit outside the well, so it is dropped.
void KeloBoardView::settle(QGraphicsItem *item)
{
    if (item->scenePos().y() < WellTop) {
        activeGroupItems.removeAll(item);
        discard(item);
        return;
    }
    const qsizetype keloNumber = activeGroupItems.size() + stillGroupItems.size();
    activeGroupItems.removeAll(item);
    stillGroupItems.append(item);
    const qsizetype keloNumber2 = activeGroupItems.size() + stillGroupItems.size();
    assert(keloNumber == keloNumber2);
}

void KeloBoardView::discard(QGraphicsItem *item)
{
    scene()->removeItem(item);
    delete item;
}

// ---- rotation ---------------------------------------------------------------------------

void KeloBoardView::rotateClockWise()
{
    static const Turn turns[4] = {
        { Orientation::West, false, QPointF(CellSize, -CellSize), NoWall, 0 },
        { Orientation::North, true, QPointF(CellSize, CellSize), BeyondRightWall, -CellSize },
        { Orientation::East, true, QPointF(-CellSize, CellSize), NoWall, 0 },
        { Orientation::South, true, QPointF(-CellSize, -CellSize), BeyondLeftWall, CellSize },
    };
    turn(turns);
}

void KeloBoardView::rotateCounterClockWise()
{
    static const Turn turns[4] = {
        { Orientation::East, false, QPointF(-CellSize, -CellSize), NoWall, 0 },
        { Orientation::West, true, QPointF(CellSize, CellSize), NoWall, 0 },
        { Orientation::North, true, QPointF(-CellSize, CellSize), BeyondLeftWall, CellSize },
        { Orientation::South, true, QPointF(CellSize, -CellSize), BeyondRightWall, -CellSize },
    };
    turn(turns);
}

// The pivot is the first falling blob and the rotating blob the last; the orientation is read
// from their positions at every call. A turn is refused whole when a cell that either blob
// would end in, wall shift included, holds any other blob.
void KeloBoardView::turn(const Turn (&turns)[4])
{
    if (!activeGroupItems.isEmpty()) {
        QGraphicsItem *pivot = activeGroupItems.first();
        QGraphicsItem *rotating = activeGroupItems.last();
        const QPointF firstKeloPos = pivot->scenePos();
        const QPointF secondKeloPos = rotating->scenePos();
        const Orientation orientation = orientationOf(firstKeloPos, secondKeloPos);
        for (const Turn &t : turns) {
            if (t.before != orientation)
                continue;
            const QPointF target = secondKeloPos + t.step;
            // The probe is on the corner of the cell that the rotating blob enters.
            const bool allowed = !t.conditional
                || (!isSettled(itemAtCorner(target)) && secondKeloPos.y() < LastRowY);
            const QPointF shift(t.shiftX != 0 && target.x() == t.wallX ? t.shiftX : 0, 0);
            if (allowed && !holdsOther(firstKeloPos + shift, pivot, rotating)
                && !holdsOther(target + shift, pivot, rotating)) {
                rotating->moveBy(t.step.x(), t.step.y());
                pivot->moveBy(shift.x(), shift.y());
                rotating->moveBy(shift.x(), shift.y());
            }
            break;
        }
    }
    update();
}

bool KeloBoardView::holdsOther(
    const QPointF &corner, const QGraphicsItem *pivot, const QGraphicsItem *rotating) const
{
    const QGraphicsItem *found = itemAtCorner(corner);
    return found && found != pivot && found != rotating;
}

// ---- chain resolution -------------------------------------------------------------------

bool KeloBoardView::findRensa()
{
    logLine(stillGroupItems.size());
    const qsizetype size_before = stillGroupItems.size();
    // 72 is every cell of the well.
    assert(stillGroupItems.size() <= 72);
    assert(activeGroupItems.isEmpty());

    typedef boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS> Graph;
    Graph rensaGraph;
    const int n = int(size_before);
    for (int i = 0; i < n; ++i) {
        // The self-loop makes every settled blob a vertex, even one with no partner.
        boost::add_edge(i, i, rensaGraph);
        const KeloItem *keloItem = qgraphicsitem_cast<KeloItem *>(stillGroupItems.at(i));
        const QPointF keloPos = keloItem->scenePos();
        const QGraphicsItem *neighbours[] = {
            itemAtCentre(keloPos + StepRight), // east
            itemAtCentre(keloPos - StepDown), // north
            itemAtCentre(keloPos + StepLeft), // west
            itemAtCentre(keloPos + StepDown), // south
        };
        for (const QGraphicsItem *neighbour : neighbours) {
            const KeloItem *neighbourKelo = qgraphicsitem_cast<const KeloItem *>(neighbour);
            if (!neighbourKelo || neighbourKelo->keloType() != keloItem->keloType())
                continue;
            const qsizetype j = stillGroupItems.indexOf(neighbour);
            if (j >= 0)
                boost::add_edge(i, int(j), rensaGraph);
        }
    }

    std::vector<int> component(boost::num_vertices(rensaGraph));
    const int num = boost::connected_components(rensaGraph, component.data());

    logLine("Total number of blue components: ", num);
    for (int v = 0; v < n; ++v)
        logLine("Vertex ", v, " is in component ", component[v]);
    logLine();

    for (int i = 0; i < n; ++i) {
        int rensaCount = 1;
        QList<int> intList { i };
        for (int j = i + 1; j < n; ++j) {
            if (component[j] == component[i]) {
                intList.append(j);
                ++rensaCount;
            }
        }
        logLine("rensa size ", rensaCount);
        if (rensaCount >= GroupSize) {
            removeGroup(intList, size_before);
            return true;
        }
    }
    return false;
}

// Takes one group off the board and lifts every settled blob that stood above one of its blobs
// in the same column back into the falling blobs.
void KeloBoardView::removeGroup(const QList<int> &intList, qsizetype size_before)
{
    QList<QGraphicsItem *> removeList;
    for (int k : intList) {
        assert(intList.size() >= 4);
        removeList.append(stillGroupItems.at(k));
    }

    for (const QGraphicsItem *item1 : removeList) {
        for (QGraphicsItem *item2 : stillGroupItems) {
            if (item2->y() < item1->y() && item2->x() == item1->x()
                && !activeGroupItems.contains(item2))
                activeGroupItems.append(item2);
        }
    }

    // Each removal is made outside its check, so that it happens in every build.
    for (QGraphicsItem *item : removeList) {
        const qsizetype removed = stillGroupItems.removeAll(item);
        assert(removed && "stillGroupItems.removeAll(item)");
    }
    for (QGraphicsItem *item : removeList) {
        if (!activeGroupItems.contains(item))
            continue;
        const qsizetype removed = activeGroupItems.removeAll(item);
        assert(removed && "activeGroupItems.removeAll(item)");
    }
    const QList<QGraphicsItem *> settled = stillGroupItems;
    for (QGraphicsItem *item : settled) {
        if (!activeGroupItems.contains(item))
            continue;
        const qsizetype removed = stillGroupItems.removeAll(item);
        assert(removed && "stillGroupItems.removeAll(item)");
    }
    for (QGraphicsItem *item : removeList)
        discard(item);

    const qsizetype size_after = stillGroupItems.size() + activeGroupItems.size();
    logLine("size after rensa ", size_after);
    assert(size_after == size_before - removeList.size());
    update();
}

// ---- input ------------------------------------------------------------------------------

void KeloBoardView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        moveLeft();
        break;
    case Qt::Key_Right:
        moveRight();
        break;
    case Qt::Key_Down:
        moveDown();
        break;
    case Qt::Key_Up:
        // Taken, so that it never scrolls the view.
        break;
    case Qt::Key_Z:
        rotateClockWise();
        break;
    case Qt::Key_X:
        rotateCounterClockWise();
        break;
    case Qt::Key_Space:
        if (!isPaused())
            pauseGame();
        else
            resumeGame();
        break;
    case Qt::Key_Return:
        if (isPaused() || stillGroupItems.size() > RestartWithoutPause)
            restartGame();
        break;
    case Qt::Key_Plus:
        scaleView(ZoomStep);
        break;
    case Qt::Key_Minus:
        scaleView(1 / ZoomStep);
        break;
    default:
        QGraphicsView::keyPressEvent(event);
    }
}

void KeloBoardView::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    scaleView(std::pow(2.0, -delta / WheelDeltaPerOctave));
    event->accept();
}

void KeloBoardView::scaleView(qreal scaleFactor)
{
    const qreal factor
        = transform().scale(scaleFactor, scaleFactor).mapRect(QRectF(0, 0, 1, 1)).width();
    if (factor < MinZoom || factor > MaxZoom)
        return;
    scale(scaleFactor, scaleFactor);
}

// ---- background -------------------------------------------------------------------------

void KeloBoardView::drawBackground(QPainter *painter, const QRectF &rect)
{
    const QRectF sceneRect = this->sceneRect();
    const QRectF rightShadow(
        sceneRect.right(), sceneRect.top() + ShadowSize, ShadowSize, sceneRect.height());
    const QRectF bottomShadow(
        sceneRect.left() + ShadowSize, sceneRect.bottom(), sceneRect.width(), ShadowSize);
    if (rightShadow.intersects(rect) || rightShadow.contains(rect))
        painter->fillRect(rightShadow, Qt::darkGray);
    if (bottomShadow.intersects(rect) || bottomShadow.contains(rect))
        painter->fillRect(bottomShadow, Qt::darkGray);

    QLinearGradient gradient(sceneRect.topLeft(), sceneRect.bottomRight());
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, Qt::lightGray);
    painter->fillRect(rect.intersected(sceneRect), gradient);

    painter->setBrush(Qt::NoBrush);
    painter->drawRect(sceneRect);
}
