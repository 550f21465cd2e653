// Blob images that cannot be used: corrupt, empty, a directory in place of a file, or missing;
// and images of odd sizes that can. The game plays on with the built-in image wherever a file
// fails, says so once per file on standard error, and shows every image filling its cell.
//
// The warnings are once per process, so each layout of ./images is also played by a child
// process: this same binary, started with KELO_BADIMAGES_CHILD set to the directory to play in.

#include "keloboardprobe.h"
#include "kelofactory.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <array>
#include <map>
#include <memory>

using Probe = KeloBoardProbe;
using namespace KeloGeometry;

namespace {

const char *const ChildVariable = "KELO_BADIMAGES_CHILD";
const std::array<const char *, 4> ImageNames = {
    "kelo_blue.png",
    "kelo_green.png",
    "kelo_red.png",
    "kelo_yellow.png",
};

// What ./images holds under one colour's name.
enum class Kind {
    Custom, // a valid 128 x 128 image that differs from the built-in one
    Tiny, // a valid 1 x 1 image of one colour
    Wide, // a valid 1000 x 20 image, its left half one colour, its right half another
    Corrupt, // a PNG signature followed by garbage
    Empty, // a file of no bytes
    Directory, // a directory with the image's name
    Missing, // nothing at all
};
using Layout = std::array<Kind, 4>;

bool usable(Kind kind)
{
    return kind == Kind::Custom || kind == Kind::Tiny || kind == Kind::Wide;
}

const QColor TinyColour(200, 30, 160);
const QColor WideLeft(20, 180, 60);
const QColor WideRight(240, 200, 10);

// An image as a pixmap holds it: premultiplied, so compared after the same round trip.
QImage asPixmap(const QString &path)
{
    return QPixmap(path).toImage().convertToFormat(QImage::Format_ARGB32);
}

QString builtInPath(int colour)
{
    return QStringLiteral(":/images/") + QLatin1String(ImageNames[colour]);
}

QString filePath(int colour)
{
    return QStringLiteral("images/") + QLatin1String(ImageNames[colour]);
}

QImage customImage(int colour)
{
    QImage image(builtInPath(colour));
    image.invertPixels();
    return image;
}

// Writes one image file (or what stands in its place) into `dir`.
bool writeImage(const QString &dir, int colour, Kind kind)
{
    const QString path = dir + QLatin1Char('/') + QLatin1String(ImageNames[colour]);
    switch (kind) {
    case Kind::Custom:
        return customImage(colour).save(path, "PNG");
    case Kind::Tiny: {
        QImage image(1, 1, QImage::Format_ARGB32);
        image.fill(TinyColour);
        return image.save(path, "PNG");
    }
    case Kind::Wide: {
        QImage image(1000, 20, QImage::Format_ARGB32);
        image.fill(WideRight);
        QPainter(&image).fillRect(0, 0, 500, 20, WideLeft);
        return image.save(path, "PNG");
    }
    case Kind::Corrupt: {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        QByteArray bytes("\x89PNG\r\n\x1a\n", 8);
        for (int i = 0; i < 600; ++i)
            bytes.append(char((i * 97 + 13) % 251));
        return file.write(bytes) == bytes.size();
    }
    case Kind::Empty: {
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    }
    case Kind::Directory:
        return QDir(dir).mkdir(QLatin1String(ImageNames[colour]));
    case Kind::Missing:
        return true;
    }
    return false;
}

bool writeLayout(const QString &root, const Layout &layout)
{
    if (!QDir(root).mkdir(QStringLiteral("images")))
        return false;
    for (int colour = 0; colour < 4; ++colour) {
        if (!writeImage(root + QStringLiteral("/images"), colour, layout[colour]))
            return false;
    }
    return true;
}

// Plays until more blobs have settled than fit in the bottom row, so that some must have
// landed on others, which they do only if the probes find the blobs below them. Returns what
// went wrong, or nothing.
QString play(KeloBoardView &view)
{
    for (int tick = 0; tick < 3000; ++tick) {
        Probe::tick(view);
        const QString broken = Probe::brokenInvariant(view);
        if (!broken.isEmpty())
            return QStringLiteral("tick %1: %2").arg(tick).arg(broken);
        const auto &settled = Probe::settled(view);
        if (settled.size() > 2 * WellColumns) {
            for (const QGraphicsItem *item : settled) {
                if (Probe::cellOf(item).second < WellRows - 1)
                    return QString();
            }
            return QStringLiteral("nothing settled above the bottom row");
        }
    }
    return QStringLiteral("the well never held more than a row of settled blobs");
}

int runChild(const QString &dir)
{
    if (!QDir::setCurrent(dir))
        return 2;
    CoutCapture quiet;
    std::srand(5);
    KeloBoardView view;
    Probe::timer(view)->stop();
    const QString broken = play(view);
    if (!broken.isEmpty()) {
        std::cerr << "broken: " << broken.toStdString() << std::endl;
        return 3;
    }
    // Many more blobs of every colour: the warnings must not repeat.
    for (int i = 0; i < 200; ++i)
        delete KeloFactory::instance()->createKelo(&view);
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestBadImages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void blobsShowAFittingImage_data() { layouts_data(); }
    void blobsShowAFittingImage();
    void gamePlaysByTheRules_data() { layouts_data(); }
    void gamePlaysByTheRules();
    void warnsOncePerFile_data() { layouts_data(); }
    void warnsOncePerFile();

private:
    static void layouts_data();
    bool enter(const Layout &layout);

    QString m_home;
    std::unique_ptr<QTemporaryDir> m_dir;
    CoutCapture m_quiet;
};

void TestBadImages::initTestCase()
{
    m_home = QDir::currentPath();
}

void TestBadImages::cleanup()
{
    QDir::setCurrent(m_home);
    m_dir.reset();
}

void TestBadImages::layouts_data()
{
    QTest::addColumn<Layout>("layout");
    using K = Kind;
    QTest::newRow("corrupt PNG") << Layout { K::Corrupt, K::Custom, K::Custom, K::Custom };
    QTest::newRow("empty file") << Layout { K::Custom, K::Empty, K::Custom, K::Custom };
    QTest::newRow("1 x 1 image") << Layout { K::Custom, K::Custom, K::Tiny, K::Custom };
    QTest::newRow("1000 x 20 image") << Layout { K::Custom, K::Custom, K::Custom, K::Wide };
    QTest::newRow("directory") << Layout { K::Directory, K::Custom, K::Custom, K::Custom };
    QTest::newRow("none usable") << Layout { K::Corrupt, K::Empty, K::Directory, K::Missing };
    QTest::newRow("all kinds") << Layout { K::Tiny, K::Wide, K::Corrupt, K::Directory };
    QTest::newRow("odd sizes only") << Layout { K::Wide, K::Tiny, K::Wide, K::Tiny };
}

bool TestBadImages::enter(const Layout &layout)
{
    m_dir = std::make_unique<QTemporaryDir>();
    return m_dir->isValid() && writeLayout(m_dir->path(), layout)
        && QDir::setCurrent(m_dir->path());
}

void TestBadImages::blobsShowAFittingImage()
{
    QFETCH(Layout, layout);
    QVERIFY(enter(layout));

    KeloBoardView view;
    Probe::timer(view)->stop();
    std::srand(11);
    std::map<int, std::unique_ptr<KeloItem>> blobs;
    for (int i = 0; i < 100 && blobs.size() < 4; ++i) {
        std::unique_ptr<KeloItem> item(KeloFactory::instance()->createKelo(&view));
        const int type = item->keloType();
        blobs.emplace(type, std::move(item));
    }
    QCOMPARE(int(blobs.size()), 4);

    for (const auto &[type, item] : blobs) {
        const int colour = type - 1;
        const Kind kind = layout[colour];
        const QString name = QLatin1String(ImageNames[colour]);
        const QPixmap pixmap = item->pixmap();
        QVERIFY2(!pixmap.isNull(), qPrintable(name));
        QCOMPARE(item->boundingRect(), QRectF(0, 0, CellSize, CellSize));
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(CellSize, CellSize));

        const QImage shown = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage builtIn = asPixmap(builtInPath(colour));
        QVERIFY(!builtIn.isNull());
        if (!usable(kind)) {
            QVERIFY2(shown == builtIn, qPrintable(name + " is not the built-in image"));
        } else if (kind == Kind::Custom) {
            // The file wins over the built-in image.
            const QImage file = asPixmap(filePath(colour));
            QVERIFY(!file.isNull() && file != builtIn);
            QVERIFY2(shown == file, qPrintable(name + " is not the file's image"));
        }

        // Rendered alone in a scene with a margin around its cell, the blob covers exactly its
        // cell: inside, what the image shows; outside, nothing.
        constexpr int Margin = 8;
        QGraphicsScene scene(-Margin, -Margin, CellSize + 2 * Margin, CellSize + 2 * Margin);
        KeloItem *raw = item.get();
        scene.addItem(raw);
        QImage render(
            CellSize + 2 * Margin, CellSize + 2 * Margin, QImage::Format_ARGB32_Premultiplied);
        render.fill(Qt::transparent);
        {
            QPainter painter(&render);
            scene.render(&painter);
        }
        scene.removeItem(raw);

        int opaqueInside = 0;
        for (int y = 0; y < render.height(); ++y) {
            for (int x = 0; x < render.width(); ++x) {
                const QColor c = render.pixelColor(x, y);
                const int cx = x - Margin, cy = y - Margin;
                const bool inside = cx >= 0 && cx < CellSize && cy >= 0 && cy < CellSize;
                const QString where = QStringLiteral("%1 at (%2, %3): rgba(%4, %5, %6, %7)")
                                          .arg(name)
                                          .arg(cx)
                                          .arg(cy)
                                          .arg(c.red())
                                          .arg(c.green())
                                          .arg(c.blue())
                                          .arg(c.alpha());
                if (!inside) {
                    QVERIFY2(c.alpha() == 0, qPrintable(where + " drawn outside the cell"));
                    continue;
                }
                opaqueInside += c.alpha() == 255;
                if (kind == Kind::Tiny) {
                    QVERIFY2(c == TinyColour, qPrintable(where));
                } else if (kind == Kind::Wide) {
                    // Stretched to the cell, not cropped: left half and right half each
                    // show their own colour, across the whole height.
                    QVERIFY2(c.alpha() == 255, qPrintable(where));
                    const QColor want = cx < CellSize / 2 - 2 ? WideLeft
                        : cx >= CellSize / 2 + 2              ? WideRight
                                                              : QColor();
                    if (want.isValid()) {
                        QVERIFY2(qAbs(c.red() - want.red()) <= 2
                                && qAbs(c.green() - want.green()) <= 2
                                && qAbs(c.blue() - want.blue()) <= 2,
                            qPrintable(where));
                    }
                }
            }
        }
        // Whatever the artwork, most of the cell is covered (the round blobs leave their
        // corners clear).
        QVERIFY2(opaqueInside > CellSize * CellSize / 2,
            qPrintable(QStringLiteral("%1 covers only %2 pixels").arg(name).arg(opaqueInside)));
    }
}

void TestBadImages::gamePlaysByTheRules()
{
    QFETCH(Layout, layout);
    QVERIFY(enter(layout));

    std::srand(3);
    KeloBoardView view;
    Probe::timer(view)->stop();
    // The first pair falls one row per tick, found by the probes wherever it is.
    const auto falling = Probe::falling(view);
    QCOMPARE(falling.size(), 2);
    const QPointF start = falling.first()->pos();
    Probe::tick(view);
    QCOMPARE(falling.first()->pos(), start + QPointF(0, CellSize));
    for (const QGraphicsItem *item : falling) {
        const QPointF centre = cellCentre(item->pos());
        QCOMPARE(view.scene()->itemAt(centre, QTransform()), item);
    }

    const QString broken = play(view);
    QVERIFY2(broken.isEmpty(), qPrintable(broken));
}

void TestBadImages::warnsOncePerFile()
{
    QFETCH(Layout, layout);
    QVERIFY(enter(layout));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(ChildVariable), m_dir->path());
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(m_dir->path());
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(120000));
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
        qPrintable(QStringLiteral("child exited with %1:\n%2").arg(child.exitCode()).arg(err)));
    QVERIFY2(!err.contains(QLatin1String("Assertion")), qPrintable(err));

    const QStringList lines = err.split(QLatin1Char('\n'));
    for (int colour = 0; colour < 4; ++colour) {
        const QString name = QLatin1String(ImageNames[colour]);
        const auto count = std::count_if(
            lines.begin(), lines.end(), [&](const QString &line) { return line.contains(name); });
        const int expected = usable(layout[colour]) ? 0 : 1;
        QVERIFY2(count == expected,
            qPrintable(QStringLiteral("%1 named on %2 lines, expected %3:\n%4")
                           .arg(name)
                           .arg(count)
                           .arg(expected)
                           .arg(err)));
    }
}

int main(int argc, char **argv)
{
    const QString childDir = qEnvironmentVariable(ChildVariable);
    QApplication app(argc, argv);
    if (!childDir.isEmpty())
        return runChild(childDir);
    TestBadImages test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_badimages.moc"
