#ifndef KELOITEM_H
#define KELOITEM_H

#include <QGraphicsPixmapItem>

class KeloBoardView;

// One blob: a pixmap item that carries its colour type (1 blue, 2 green, 3 red, 4 yellow;
// 0 until the factory sets it). Two blobs match when their colour types are equal.
class KeloItem : public QGraphicsPixmapItem
{
public:
    explicit KeloItem(KeloBoardView *view);

    void setKeloType(int type);
    int keloType() const;

    // The rules find blobs by probing single points on cell centres, edges and corners. The hit
    // area is the blob's own cell, with its top and left edges and without its bottom and
    // right edges, so that a point on a shared edge or corner belongs to exactly one cell,
    // whatever the image holds (or fails to hold).
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    bool contains(const QPointF &point) const override;

private:
    int m_keloType;
};

#endif
