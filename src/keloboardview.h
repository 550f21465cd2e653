#ifndef KELOBOARDVIEW_H
#define KELOBOARDVIEW_H

#include <QGraphicsView>
#include <QList>

class QGraphicsItem;
class QTimer;

// The game: the well, its blobs, the fall timer and every rule. The scene is the board; a cell
// is looked at by probing the scene at a single point, there is no grid array.
class KeloBoardView : public QGraphicsView
{
    Q_OBJECT

public:
    KeloBoardView();

protected:
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;

    void scaleView(qreal scaleFactor);
    bool findRensa();
    void moveDown();
    void moveLeft();
    void moveRight();
    void rotateClockWise();
    void rotateCounterClockWise();
    void releaseKelo();
    void checkGameOver();
    void restartGame();
    void pauseGame();
    void resumeGame();
    bool isPaused() const;

private slots:
    void advance();

private:
    struct Turn;
    using Probe = QGraphicsItem *(KeloBoardView::*)(const QPointF &) const;

    // Probes: the topmost blob at a cell's centre, the middle of its top edge or its corner.
    QGraphicsItem *itemAtCentre(const QPointF &corner) const;
    QGraphicsItem *itemAtTopEdge(const QPointF &corner) const;
    QGraphicsItem *itemAtCorner(const QPointF &corner) const;
    bool isFalling(const QGraphicsItem *item) const;
    bool isSettled(const QGraphicsItem *item) const;

    bool canMoveFrom(const QPointF &corner, const QPointF &step, Probe probe) const;
    QList<bool> movers(const QPointF &step, Probe probe) const;
    void moveSideways(const QPointF &step, Probe probe);
    void settle(QGraphicsItem *item);
    void discard(QGraphicsItem *item);
    void turn(const Turn (&turns)[4]);
    bool holdsOther(
        const QPointF &corner, const QGraphicsItem *pivot, const QGraphicsItem *rotating) const;
    void removeGroup(const QList<int> &intList, qsizetype size_before);

    QTimer *autoFallTimer;
    QList<QGraphicsItem *> activeGroupItems;
    QList<QGraphicsItem *> stillGroupItems;
    bool paused;

    // The tests look at the lists and call the rules directly.
    friend class KeloBoardProbe;
};

#endif
