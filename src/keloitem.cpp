#include "keloitem.h"

#include "kelogeometry.h"

#include <QPainterPath>

using namespace KeloGeometry;

KeloItem::KeloItem(KeloBoardView *view)
    : QGraphicsPixmapItem(nullptr)
    , m_keloType(0)
{
    Q_UNUSED(view);
    setCacheMode(DeviceCoordinateCache);
    // Any image is drawn scaled into the cell; smooth scaling keeps it sharp when zoomed.
    setTransformationMode(Qt::SmoothTransformation);
}

void KeloItem::setKeloType(int type)
{
    m_keloType = type;
}

int KeloItem::keloType() const
{
    return m_keloType;
}

QRectF KeloItem::boundingRect() const
{
    return QRectF(0, 0, CellSize, CellSize);
}

QPainterPath KeloItem::shape() const
{
    QPainterPath path;
    path.addRect(boundingRect());
    return path;
}

bool KeloItem::contains(const QPointF &point) const
{
    return point.x() >= 0 && point.x() < CellSize && point.y() >= 0 && point.y() < CellSize;
}
