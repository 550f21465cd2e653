#include "kelofactory.h"

#include "kelogeometry.h"
#include "keloitem.h"

#include <QPixmap>
#include <QString>

#include <cstdlib>
#include <iostream>

KeloFactory *KeloFactory::m_instance = nullptr;

namespace {

constexpr int ColourCount = 4;
// Images are kept at most this many pixels a side once scaled to a square, so that an
// oversized file cannot make every blob carry megabytes.
constexpr int MaxImageSide = 256;

const char *const imageFiles[ColourCount] = {
    "kelo_blue.png",
    "kelo_green.png",
    "kelo_red.png",
    "kelo_yellow.png",
};

// The last image prepared for each colour, keyed by the loaded pixmap it came from, and
// whether its file has already been reported as unusable.
struct ColourImage
{
    qint64 sourceKey = 0;
    QPixmap pixmap;
    bool warned = false;
};

// Made on first use, once a GUI application exists, and kept with the factory for the
// life of the process.
ColourImage &colourImage(int colour)
{
    static ColourImage *const images = new ColourImage[ColourCount];
    return images[colour];
}

// Square, of a sensible size, and with the pixel ratio that makes it span exactly one cell.
QPixmap fitToCell(const QPixmap &source)
{
    using KeloGeometry::CellSize;
    QPixmap pixmap = source;
    const int side = qBound(CellSize, qMax(source.width(), source.height()), MaxImageSide);
    if (source.width() != side || source.height() != side)
        pixmap = source.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(qreal(side) / CellSize);
    return pixmap;
}

// The image file is read again for every blob (QPixmap's own cache makes an unchanged file
// cheap); when it cannot be used the copy built into the program takes its place.
QPixmap blobPixmap(int colour)
{
    ColourImage &image = colourImage(colour);
    const QString file = QStringLiteral("./images/") + QLatin1String(imageFiles[colour]);
    QPixmap source(file);
    if (source.isNull()) {
        if (!image.warned) {
            image.warned = true;
            std::cerr << "kelokelo: cannot load " << file.toStdString()
                      << ", using the built-in image" << std::endl;
        }
        source = QPixmap(QStringLiteral(":/images/") + QLatin1String(imageFiles[colour]));
    }
    if (source.cacheKey() != image.sourceKey || image.pixmap.isNull()) {
        image.sourceKey = source.cacheKey();
        image.pixmap = fitToCell(source);
    }
    return image.pixmap;
}

} // namespace

KeloFactory *KeloFactory::instance()
{
    if (!m_instance)
        m_instance = new KeloFactory;
    return m_instance;
}

KeloItem *KeloFactory::createKelo(KeloBoardView *view)
{
    auto *item = new KeloItem(view);
    const int colour = std::rand() % ColourCount;
    item->setPixmap(blobPixmap(colour));
    item->setKeloType(colour + 1);
    return item;
}
