#ifndef KELOBOARDPROBE_H
#define KELOBOARDPROBE_H

#include "keloboardview.h"
#include "kelogeometry.h"
#include "keloitem.h"

#include <QGraphicsScene>
#include <QString>
#include <QTimer>

#include <iostream>
#include <set>
#include <sstream>
#include <utility>

// The tests' window into the board: its two lists, its rules, and a way to lay out blobs.
class KeloBoardProbe
{
public:
    using Items = QList<QGraphicsItem *>;

    static Items &falling(KeloBoardView &view) { return view.activeGroupItems; }
    static Items &settled(KeloBoardView &view) { return view.stillGroupItems; }
    static QTimer *timer(KeloBoardView &view) { return view.autoFallTimer; }

    static void tick(KeloBoardView &view) { view.advance(); }
    static void moveDown(KeloBoardView &view) { view.moveDown(); }
    static void moveLeft(KeloBoardView &view) { view.moveLeft(); }
    static void moveRight(KeloBoardView &view) { view.moveRight(); }
    static void rotateClockWise(KeloBoardView &view) { view.rotateClockWise(); }
    static void rotateCounterClockWise(KeloBoardView &view) { view.rotateCounterClockWise(); }
    static void releaseKelo(KeloBoardView &view) { view.releaseKelo(); }
    static bool findRensa(KeloBoardView &view) { return view.findRensa(); }
    static void checkGameOver(KeloBoardView &view) { view.checkGameOver(); }
    static void restartGame(KeloBoardView &view) { view.restartGame(); }
    static void pauseGame(KeloBoardView &view) { view.pauseGame(); }
    static void resumeGame(KeloBoardView &view) { view.resumeGame(); }
    static bool isPaused(const KeloBoardView &view) { return view.isPaused(); }
    static void scaleView(KeloBoardView &view, qreal factor) { view.scaleView(factor); }
    static void drawBackground(KeloBoardView &view, QPainter *painter, const QRectF &rect)
    {
        view.drawBackground(painter, rect);
    }

    // Empties the board: the tests lay out their own blobs.
    static void clear(KeloBoardView &view) { view.restartGame(); }

    // A blob of the given colour type in a cell, added to the scene and appended to a list.
    static KeloItem *put(KeloBoardView &view, int column, int row, int type, Items &list)
    {
        auto *item = new KeloItem(&view);
        item->setKeloType(type);
        item->setPos(KeloGeometry::cellCorner(column, row));
        view.scene()->addItem(item);
        list.append(item);
        return item;
    }
    static KeloItem *settle(KeloBoardView &view, int column, int row, int type = 1)
    {
        return put(view, column, row, type, view.stillGroupItems);
    }
    static KeloItem *fall(KeloBoardView &view, int column, int row, int type = 1)
    {
        return put(view, column, row, type, view.activeGroupItems);
    }

    // Column and row of a blob's cell (rows above the well are negative).
    static std::pair<int, int> cellOf(const QGraphicsItem *item)
    {
        const QPointF p = item->scenePos();
        return { int(p.x() - KeloGeometry::WellLeft) / KeloGeometry::CellSize,
            int(p.y() - KeloGeometry::WellTop + 2 * KeloGeometry::CellSize) / KeloGeometry::CellSize
                - 2 };
    }

    // What must always hold between two events, or a description of what does not.
    static QString brokenInvariant(KeloBoardView &view)
    {
        const Items items = view.scene()->items();
        std::set<std::pair<qreal, qreal>> cells;
        for (const QGraphicsItem *item : items) {
            const QPointF p = item->scenePos();
            if (!cells.insert({ p.x(), p.y() }).second)
                return QStringLiteral("two blobs in the cell at (%1, %2)").arg(p.x()).arg(p.y());
            if (std::fmod(p.x() - KeloGeometry::WellLeft, KeloGeometry::CellSize) != 0
                || std::fmod(p.y() - KeloGeometry::WellTop, KeloGeometry::CellSize) != 0)
                return QStringLiteral("blob off the grid at (%1, %2)").arg(p.x()).arg(p.y());
            const int lists
                = int(view.activeGroupItems.count(item)) + int(view.stillGroupItems.count(item));
            if (lists != 1)
                return QStringLiteral("blob in %1 list entries").arg(lists);
            if (p.x() < KeloGeometry::WellLeft || p.x() > KeloGeometry::LastColumnX
                || p.y() > KeloGeometry::LastRowY)
                return QStringLiteral("blob outside the walls at (%1, %2)").arg(p.x()).arg(p.y());
        }
        if (view.activeGroupItems.size() + view.stillGroupItems.size() != items.size())
            return QStringLiteral("a list holds a blob that is not on the board");
        for (const QGraphicsItem *item : view.stillGroupItems) {
            if (!KeloGeometry::wellRect().contains(item->scenePos()))
                return QStringLiteral("settled blob above the well");
        }
        if (view.stillGroupItems.size() > KeloGeometry::WellCells)
            return QStringLiteral("more than a full well of settled blobs");
        return QString();
    }
};

// A stopped board laid out from cells (column, row): the settled blobs first, then the falling
// ones in list order.
struct KeloLayout
{
    using Cells = QList<std::pair<int, int>>;

    KeloBoardView view;
    QList<QGraphicsItem *> fallingBlobs;
    QList<QGraphicsItem *> settledBlobs;

    KeloLayout(const Cells &falling, const Cells &settled)
    {
        KeloBoardProbe::timer(view)->stop();
        KeloBoardProbe::clear(view);
        for (const auto &c : settled)
            settledBlobs.append(KeloBoardProbe::settle(view, c.first, c.second));
        for (const auto &c : falling)
            fallingBlobs.append(KeloBoardProbe::fall(view, c.first, c.second));
    }
};

// Collects what the board writes to standard output while it lives.
class CoutCapture
{
public:
    CoutCapture()
        : m_old(std::cout.rdbuf(m_buffer.rdbuf()))
    { }
    ~CoutCapture() { std::cout.rdbuf(m_old); }
    std::string text() const { return m_buffer.str(); }

private:
    std::ostringstream m_buffer;
    std::streambuf *m_old;
};

#endif
