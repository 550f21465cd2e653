// Blobs, their factory, their images and their hit area.

#include "keloboardprobe.h"
#include "kelofactory.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using Probe = KeloBoardProbe;
using namespace KeloGeometry;

namespace {

const char *const colourFiles[]
    = { "kelo_blue.png", "kelo_green.png", "kelo_red.png", "kelo_yellow.png" };

// The pixels alone, whatever pixel ratio they are shown at.
QImage asImage(const QPixmap &pixmap)
{
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1);
    return image;
}

// Collects what is written to standard error while it lives.
class CerrCapture
{
public:
    CerrCapture()
        : m_old(std::cerr.rdbuf(m_buffer.rdbuf()))
    { }
    ~CerrCapture() { std::cerr.rdbuf(m_old); }
    QString text() const { return QString::fromStdString(m_buffer.str()); }

private:
    std::ostringstream m_buffer;
    std::streambuf *m_old;
};

} // namespace

class TestBlobs : public QObject
{
    Q_OBJECT

private slots:
    void factoryIsOneInstance();
    void freshBlob();
    void plainItem();
    void coloursFollowTheSeed();
    void imageFillsItsCell();
    void hitArea_data();
    void hitArea();
    void probesFindTheRightNeighbour();
    void mouseMovesNothing();
    // Last: it leaves the process without a usable ./images for the rest of its life.
    void builtInImagesWhenFilesAreMissing();
};

void TestBlobs::factoryIsOneInstance()
{
    KeloFactory *factory = KeloFactory::instance();
    QVERIFY(factory);
    QCOMPARE(KeloFactory::instance(), factory);
    QVERIFY(!std::is_copy_constructible_v<KeloFactory>);
    QVERIFY(!std::is_copy_assignable_v<KeloFactory>);
    QVERIFY(!std::is_default_constructible_v<KeloFactory>);
}

void TestBlobs::freshBlob()
{
    std::unique_ptr<KeloItem> item(KeloFactory::instance()->createKelo(nullptr));
    QVERIFY(item->keloType() >= 1 && item->keloType() <= 4);
    QCOMPARE(item->pos(), QPointF(0, 0));
    QVERIFY(!item->scene());
    QVERIFY(!item->parentItem());
    QVERIFY(!item->flags().testFlag(QGraphicsItem::ItemIsMovable));
    QCOMPARE(item->cacheMode(), QGraphicsItem::DeviceCoordinateCache);
    QCOMPARE(item->type(), int(QGraphicsPixmapItem::Type));
    QCOMPARE(qgraphicsitem_cast<KeloItem *>(static_cast<QGraphicsItem *>(item.get())), item.get());
    QCOMPARE(qgraphicsitem_cast<KeloItem *>(static_cast<QGraphicsItem *>(nullptr)), nullptr);
}

void TestBlobs::plainItem()
{
    KeloItem item(nullptr);
    QCOMPARE(item.keloType(), 0);
    QVERIFY(item.pixmap().isNull());
    item.setKeloType(9);
    QCOMPARE(item.keloType(), 9);
    QVERIFY(item.pixmap().isNull());
}

void TestBlobs::coloursFollowTheSeed()
{
    for (unsigned seed : { 0u, 1u, 86399u }) {
        std::srand(seed);
        QList<int> expected;
        for (int i = 0; i < 40; ++i)
            expected.append(std::rand() % 4 + 1);
        const int next = std::rand();

        std::srand(seed);
        for (int i = 0; i < 40; ++i) {
            std::unique_ptr<KeloItem> item(KeloFactory::instance()->createKelo(nullptr));
            QCOMPARE(item->keloType(), expected.at(i));
            const QImage file(QStringLiteral("images/") + colourFiles[expected.at(i) - 1]);
            QCOMPARE(
                asImage(item->pixmap()), file.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }
        // Each blob draws exactly one number.
        QCOMPARE(std::rand(), next);
    }
}

void TestBlobs::imageFillsItsCell()
{
    std::unique_ptr<KeloItem> item(KeloFactory::instance()->createKelo(nullptr));
    QCOMPARE(item->pixmap().size(), QSize(128, 128));
    QCOMPARE(item->pixmap().devicePixelRatio(), 4.0);
    QCOMPARE(item->pixmap().deviceIndependentSize(), QSizeF(32, 32));
    QCOMPARE(item->boundingRect(), QRectF(0, 0, 32, 32));
    QCOMPARE(item->transformationMode(), Qt::SmoothTransformation);

    // Drawn at zoom 4, the blob covers its 128-pixel cell pixel for pixel.
    QGraphicsScene scene;
    scene.addItem(item.get());
    QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    scene.render(&painter, QRectF(0, 0, 128, 128), QRectF(0, 0, 32, 32));
    painter.end();
    scene.removeItem(item.get());
    QCOMPARE(image, asImage(item->pixmap()));
}

enum class Image { None, Transparent, Artwork };
Q_DECLARE_METATYPE(Image)

void TestBlobs::hitArea_data()
{
    QTest::addColumn<Image>("image");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("found");

    const struct
    {
        const char *name;
        QPointF point;
        bool found;
    } points[] = {
        { "centre", { 16, 16 }, true },
        { "top-left corner", { 0, 0 }, true },
        { "top edge middle", { 16, 0 }, true },
        { "left edge middle", { 0, 16 }, true },
        { "just inside bottom-right", { 31.5, 31.5 }, true },
        { "top-right corner", { 32, 0 }, false },
        { "bottom-left corner", { 0, 32 }, false },
        { "bottom-right corner", { 32, 32 }, false },
        { "bottom edge middle", { 16, 32 }, false },
        { "right edge middle", { 32, 16 }, false },
        { "left of the cell", { -0.5, 16 }, false },
        { "above the cell", { 16, -0.5 }, false },
    };
    const struct
    {
        const char *name;
        Image image;
    } images[] = { { "no image", Image::None }, { "transparent", Image::Transparent },
        { "artwork", Image::Artwork } };
    for (const auto &image : images) {
        for (const auto &p : points)
            QTest::addRow("%s, %s", image.name, p.name) << image.image << p.point << p.found;
    }
}

void TestBlobs::hitArea()
{
    QFETCH(Image, image);
    QFETCH(QPointF, point);
    QFETCH(bool, found);

    QGraphicsScene scene;
    scene.setItemIndexMethod(QGraphicsScene::BspTreeIndex);
    KeloItem *item = image == Image::Artwork ? KeloFactory::instance()->createKelo(nullptr)
                                             : new KeloItem(nullptr);
    if (image == Image::Transparent) {
        QPixmap clear(32, 32);
        clear.fill(Qt::transparent);
        item->setPixmap(clear);
    }
    const QPointF corner = cellCorner(2, 5);
    item->setPos(corner);
    scene.addItem(item);
    QCOMPARE(scene.itemAt(corner + point, QTransform()) == item, found);
    QCOMPARE(item->contains(point), found);
}

void TestBlobs::probesFindTheRightNeighbour()
{
    // A 3 x 3 block of blobs: every probe point on a shared edge or corner finds the blob whose
    // cell has that point on its top or left side, whichever blob was added last.
    for (bool reversed : { false, true }) {
        QGraphicsScene scene;
        scene.setItemIndexMethod(QGraphicsScene::BspTreeIndex);
        KeloItem *blobs[3][3];
        for (int n = 0; n < 9; ++n) {
            const int i = reversed ? 8 - n : n;
            auto *item = KeloFactory::instance()->createKelo(nullptr);
            item->setPos(cellCorner(1 + i % 3, 4 + i / 3));
            scene.addItem(item);
            blobs[i % 3][i / 3] = item;
        }
        for (int c = 0; c < 3; ++c) {
            for (int r = 0; r < 3; ++r) {
                const QPointF corner = cellCorner(1 + c, 4 + r);
                QCOMPARE(scene.itemAt(corner, QTransform()), blobs[c][r]);
                QCOMPARE(scene.itemAt(cellTopEdgeMiddle(corner), QTransform()), blobs[c][r]);
                QCOMPARE(scene.itemAt(cellCentre(corner), QTransform()), blobs[c][r]);
                QCOMPARE(scene.itemAt(corner + QPointF(0, HalfCell), QTransform()), blobs[c][r]);
            }
        }
    }
}

void TestBlobs::mouseMovesNothing()
{
    CoutCapture quiet;
    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    KeloItem *settled = Probe::settle(view, 2, 11);
    KeloItem *falling = Probe::fall(view, 3, 4);
    view.resize(400, 500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    for (KeloItem *item : { settled, falling }) {
        const QPointF before = item->scenePos();
        const QPoint at = view.mapFromScene(cellCentre(before));
        QWidget *viewport = view.viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, at);
        for (int step = 1; step <= 5; ++step)
            QTest::mouseMove(viewport, at + QPoint(step * 20, -step * 15));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at + QPoint(100, -75));
        QCOMPARE(item->scenePos(), before);
    }
    QCOMPARE(Probe::settled(view), QList<QGraphicsItem *>({ settled }));
    QCOMPARE(Probe::falling(view), QList<QGraphicsItem *>({ falling }));
    QVERIFY(Probe::brokenInvariant(view).isEmpty());
}

void TestBlobs::builtInImagesWhenFilesAreMissing()
{
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString home = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));

    CerrCapture errors;
    std::srand(3);
    QList<int> seen;
    for (int i = 0; i < 200; ++i) {
        std::unique_ptr<KeloItem> item(KeloFactory::instance()->createKelo(nullptr));
        const QImage builtIn(QStringLiteral(":/images/") + colourFiles[item->keloType() - 1]);
        QVERIFY(!builtIn.isNull());
        QCOMPARE(
            asImage(item->pixmap()), builtIn.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QCOMPARE(item->pixmap().deviceIndependentSize(), QSizeF(32, 32));
        if (!seen.contains(item->keloType()))
            seen.append(item->keloType());
    }
    QCOMPARE(seen.size(), 4);
    QVERIFY(QDir::setCurrent(home));

    // One line for each image that fell back, once for the whole process, naming the file.
    const QStringList lines = errors.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    for (const char *file : colourFiles) {
        const QString path = QStringLiteral("./images/") + QLatin1String(file);
        QCOMPARE(lines.filter(path).size(), 1);
    }
}

QTEST_MAIN(TestBlobs)
#include "tst_blobs.moc"
