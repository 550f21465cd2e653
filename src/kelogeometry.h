#ifndef KELOGEOMETRY_H
#define KELOGEOMETRY_H

#include <QPointF>
#include <QRectF>

// The well and its cells, in scene units with y growing downward. Every blob sits with its
// position on the top-left corner of its cell, so positions are whole multiples of a cell
// away from the well's corner and comparing coordinates is exact.
namespace KeloGeometry {

constexpr int CellSize = 32;
constexpr int HalfCell = CellSize / 2;
constexpr int WellColumns = 6;
constexpr int WellRows = 12;
constexpr int WellCells = WellColumns * WellRows;
constexpr int WellWidth = WellColumns * CellSize;
constexpr int WellHeight = WellRows * CellSize;
constexpr int WellLeft = -WellWidth / 2;
constexpr int WellTop = -WellHeight / 2;
constexpr int WellRight = WellLeft + WellWidth;
constexpr int WellBottom = WellTop + WellHeight;
constexpr int LastColumnX = WellRight - CellSize;
constexpr int LastRowY = WellBottom - CellSize;

inline QRectF wellRect()
{
    return QRectF(WellLeft, WellTop, WellWidth, WellHeight);
}

// Top-left corner of the cell in column `column` and row `row`.
inline QPointF cellCorner(int column, int row)
{
    return QPointF(WellLeft + column * CellSize, WellTop + row * CellSize);
}

inline QPointF cellCentre(const QPointF &corner)
{
    return corner + QPointF(HalfCell, HalfCell);
}

inline QPointF cellTopEdgeMiddle(const QPointF &corner)
{
    return corner + QPointF(HalfCell, 0);
}

// True when a cell corner lies inside the walls and above the floor. The open top is not a
// limit: a blob turned above the top row falls back into the well.
inline bool insideWalls(const QPointF &corner)
{
    return corner.x() >= WellLeft && corner.x() <= LastColumnX && corner.y() <= LastRowY;
}

} // namespace KeloGeometry

#endif
