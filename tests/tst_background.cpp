// The well's background, checked on real pixels.

#include "keloboardprobe.h"

#include <QApplication>
#include <QPainter>
#include <QtTest>

using Probe = KeloBoardProbe;

namespace {

const QColor white(255, 255, 255);
const QColor lightGray(192, 192, 192);
const QColor darkGray(128, 128, 128);
const QColor unpainted(255, 0, 255);

bool near(QColor actual, QColor expected, int tolerance = 3)
{
    return qAbs(actual.red() - expected.red()) <= tolerance
        && qAbs(actual.green() - expected.green()) <= tolerance
        && qAbs(actual.blue() - expected.blue()) <= tolerance;
}

QByteArray describe(QColor colour)
{
    return QByteArray("rgb(") + QByteArray::number(colour.red()) + ", "
        + QByteArray::number(colour.green()) + ", " + QByteArray::number(colour.blue()) + ")";
}

} // namespace

class TestBackground : public QObject
{
    Q_OBJECT

private slots:
    void shownWell_data();
    void shownWell();
    void exposedPartsOnly_data();
    void exposedPartsOnly();
    void gradientAlongTheDiagonal();

private:
    CoutCapture m_quiet;
};

void TestBackground::shownWell_data()
{
    QTest::addColumn<int>("plusPresses");
    QTest::newRow("zoom 1") << 0;
    QTest::newRow("zoom 1.44") << 2;
    QTest::newRow("zoom 1.2 to the fourth") << 4;
}

void TestBackground::shownWell()
{
    QFETCH(int, plusPresses);
    KeloBoardView view;
    Probe::timer(view)->stop();
    Probe::clear(view);
    view.resize(800, 1000);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (int i = 0; i < plusPresses; ++i)
        QTest::keyClick(&view, Qt::Key_Plus);
    view.centerOn(0, 0);
    const QImage image = view.viewport()->grab().toImage();
    const qreal zoom = view.transform().m11();

    // A point given in scene units, nudged by whole device pixels.
    auto pixel = [&](QPointF scenePoint, QPoint nudge = QPoint()) {
        const QPoint at = view.mapFromScene(scenePoint) + nudge;
        return image.pixelColor(at);
    };
    auto check = [&](const char *what, QColor actual, QColor expected, int tolerance = 3) {
        QVERIFY2(near(actual, expected, tolerance),
            QByteArray(what) + ": " + describe(actual) + ", expected " + describe(expected));
    };

    // The gradient runs from white at the top-left to light grey at the bottom-right.
    check("top-left inside", pixel({ -96, -192 }, { 2, 2 }), white, 2);
    check("bottom-right inside", pixel({ 96, 192 }, { -3, -3 }), lightGray, 2);
    check("centre", pixel({ 0, 0 }), QColor(224, 224, 224), 2);
    // The shadow: right and below the well, set off by five units.
    check("right strip", pixel({ 98.5, 0 }), darkGray);
    check("bottom strip", pixel({ 0, 194.5 }), darkGray);
    check("corner square", pixel({ 98.5, 194.5 }), darkGray);
    const QColor base = view.palette().color(QPalette::Base);
    check("beside the well, above the right strip", pixel({ 98.5, -189.5 }), base);
    check("below the well, left of the bottom strip", pixel({ -93.5, 194.5 }), base);
    check("outside the shadow", pixel({ 110, 0 }), base);
    // The frame: a thin dark line on the well's edge, at every zoom.
    for (const QPointF &edge :
        { QPointF(-96, 0), QPointF(96, 0), QPointF(0, -192), QPointF(0, 192) }) {
        int darkest = 255;
        for (int d = -1; d <= 1; ++d) {
            const QPoint nudge = edge.x() == 0 ? QPoint(0, d) : QPoint(d, 0);
            darkest = qMin(darkest, pixel(edge, nudge).red());
        }
        QVERIFY2(darkest < 110,
            QByteArray("frame at ") + QByteArray::number(edge.x()) + ", "
                + QByteArray::number(edge.y()) + ": " + QByteArray::number(darkest));
    }
    // The well is drawn at the zoom: its width in pixels follows the scale.
    QCOMPARE(view.mapFromScene(96, 0).x() - view.mapFromScene(-96, 0).x(), qRound(192 * zoom));
}

void TestBackground::exposedPartsOnly_data()
{
    QTest::addColumn<QRectF>("exposed");
    QTest::addColumn<bool>("rightShadow");
    QTest::addColumn<bool>("bottomShadow");
    QTest::newRow("inside the well") << QRectF(-40, -40, 60, 60) << false << false;
    QTest::newRow("the right strip") << QRectF(97, -100, 2, 50) << true << false;
    QTest::newRow("the bottom strip") << QRectF(-50, 193, 30, 2) << false << true;
    QTest::newRow("the corner square") << QRectF(97, 193, 2, 2) << true << true;
    QTest::newRow("far outside") << QRectF(200, 300, 50, 50) << false << false;
    QTest::newRow("everything") << QRectF(-300, -300, 600, 600) << true << true;
}

void TestBackground::exposedPartsOnly()
{
    QFETCH(QRectF, exposed);
    QFETCH(bool, rightShadow);
    QFETCH(bool, bottomShadow);
    KeloBoardView view;
    Probe::timer(view)->stop();

    // Scene (-150, -250) maps to the image's top-left corner, one pixel per unit.
    QImage image(300, 500, QImage::Format_RGB32);
    image.fill(unpainted);
    QPainter painter(&image);
    painter.translate(150, 250);
    painter.setBrush(Qt::red);
    Probe::drawBackground(view, &painter, exposed);
    QCOMPARE(painter.brush().style(), Qt::NoBrush);
    painter.end();

    auto at = [&](qreal x, qreal y) { return image.pixelColor(int(x + 150), int(y + 250)); };
    QCOMPARE(at(99, 0) == darkGray, rightShadow);
    QCOMPARE(at(0, 195) == darkGray, bottomShadow);
    // The gradient fills just the exposed part of the well.
    const QRectF well(-96, -192, 192, 384);
    const QRectF filled = exposed.intersected(well);
    for (const QPointF &p : { QPointF(-60, -150), QPointF(0, 0), QPointF(-10, -10),
             QPointF(60, 150), QPointF(-94, 190) }) {
        const bool inside = filled.contains(p);
        QVERIFY2((at(p.x(), p.y()) != unpainted) == inside,
            QByteArray::number(p.x()) + ", " + QByteArray::number(p.y()));
    }
    // The frame is drawn whatever the exposed area; clipping limits what shows.
    QVERIFY(at(-96, 0).red() < 128);
    QVERIFY(at(0, -192).red() < 128);
}

void TestBackground::gradientAlongTheDiagonal()
{
    KeloBoardView view;
    Probe::timer(view)->stop();
    QImage image(192, 384, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.translate(96, 192);
    Probe::drawBackground(view, &painter, QRectF(-96, -192, 192, 384));
    painter.end();
    auto at = [&](int x, int y) { return image.pixelColor(x + 96, y + 192); };
    // Points with the same projection on the diagonal share a colour.
    const QColor centre = at(0, 0);
    QVERIFY(near(at(64, -32), centre, 1));
    QVERIFY(near(at(-64, 32), centre, 1));
    QVERIFY(at(-50, -100).red() > centre.red());
    QVERIFY(at(50, 100).red() < centre.red());
}

QTEST_MAIN(TestBackground)
#include "tst_background.moc"
