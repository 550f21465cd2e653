// The keyboard and the wheel, through real events sent to the view.

#include "keloboardprobe.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>

using Probe = KeloBoardProbe;
using namespace KeloGeometry;

class TestInput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void moveKeys_data();
    void moveKeys();
    void turnKeys_data();
    void turnKeys();
    void keysActWhilePaused();
    void spacePausesAndResumes();
    void returnRestarts_data();
    void returnRestarts();
    void tableKeysAreTakenOthersPassedOn_data();
    void tableKeysAreTakenOthersPassedOn();
    void keysNeverScroll();
    void zoomKeys_data();
    void zoomKeys();
    void plusThenMinus();
    void wheel_data();
    void wheel();
    void wheelStopsAtTheLimits();
    void wheelNeverScrolls();

private:
    qreal zoom() const { return m_view->transform().m11(); }
    void sendWheel(QPoint angleDelta);

    CoutCapture m_quiet;
    KeloBoardView *m_view = nullptr;
    KeloItem *m_pivot = nullptr;
    KeloItem *m_rotating = nullptr;
};

void TestInput::init()
{
    m_view = new KeloBoardView;
    Probe::timer(*m_view)->stop();
    Probe::clear(*m_view);
    // A vertical pair in the middle of the well, rotating blob on top.
    m_pivot = Probe::fall(*m_view, 2, 5, 1);
    m_rotating = Probe::fall(*m_view, 2, 4, 2);
}

void TestInput::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

void TestInput::moveKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QPointF>("step");
    QTest::newRow("Left") << int(Qt::Key_Left) << QPointF(-CellSize, 0);
    QTest::newRow("Right") << int(Qt::Key_Right) << QPointF(CellSize, 0);
    QTest::newRow("Down") << int(Qt::Key_Down) << QPointF(0, CellSize);
    QTest::newRow("Up") << int(Qt::Key_Up) << QPointF(0, 0);
    QTest::newRow("Shift+Left acts as Left") << int(Qt::Key_Left) << QPointF(-CellSize, 0);
}

void TestInput::moveKeys()
{
    QFETCH(int, key);
    QFETCH(QPointF, step);
    const QPointF pivot = m_pivot->scenePos();
    const QPointF rotating = m_rotating->scenePos();
    const Qt::KeyboardModifiers modifiers = QByteArray(QTest::currentDataTag()).startsWith("Shift")
        ? Qt::ShiftModifier
        : Qt::NoModifier;
    QTest::keyClick(m_view, Qt::Key(key), modifiers);
    QCOMPARE(m_pivot->scenePos(), pivot + step);
    QCOMPARE(m_rotating->scenePos(), rotating + step);
}

void TestInput::turnKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QPointF>("rotatingStep");
    QTest::newRow("Z turns clockwise") << int(Qt::Key_Z) << QPointF(CellSize, CellSize);
    QTest::newRow("X turns counter-clockwise") << int(Qt::Key_X) << QPointF(-CellSize, CellSize);
}

void TestInput::turnKeys()
{
    QFETCH(int, key);
    QFETCH(QPointF, rotatingStep);
    const QPointF pivot = m_pivot->scenePos();
    const QPointF rotating = m_rotating->scenePos();
    QTest::keyClick(m_view, Qt::Key(key));
    QCOMPARE(m_pivot->scenePos(), pivot);
    QCOMPARE(m_rotating->scenePos(), rotating + rotatingStep);
}

void TestInput::keysActWhilePaused()
{
    Probe::pauseGame(*m_view);
    const QPointF pivot = m_pivot->scenePos();
    QTest::keyClick(m_view, Qt::Key_Left);
    QTest::keyClick(m_view, Qt::Key_Down);
    QTest::keyClick(m_view, Qt::Key_Z);
    QCOMPARE(m_pivot->scenePos(), pivot + QPointF(-CellSize, CellSize));
    QCOMPARE(m_rotating->scenePos(), m_pivot->scenePos() + QPointF(CellSize, 0));
    QVERIFY(Probe::isPaused(*m_view));
}

void TestInput::spacePausesAndResumes()
{
    QTest::keyClick(m_view, Qt::Key_Space);
    QVERIFY(Probe::isPaused(*m_view));
    const QPointF pivot = m_pivot->scenePos();
    Probe::tick(*m_view);
    QCOMPARE(m_pivot->scenePos(), pivot);
    QTest::keyClick(m_view, Qt::Key_Space);
    QVERIFY(!Probe::isPaused(*m_view));
    Probe::tick(*m_view);
    QCOMPARE(m_pivot->scenePos(), pivot + QPointF(0, CellSize));
}

void TestInput::returnRestarts_data()
{
    QTest::addColumn<bool>("paused");
    QTest::addColumn<int>("settled");
    QTest::addColumn<bool>("restarts");
    QTest::newRow("playing, few settled") << false << 10 << false;
    QTest::newRow("playing, 66 settled") << false << 66 << false;
    QTest::newRow("playing, 67 settled") << false << 67 << true;
    QTest::newRow("paused, none settled") << true << 0 << true;
    QTest::newRow("paused, 66 settled") << true << 66 << true;
}

void TestInput::returnRestarts()
{
    QFETCH(bool, paused);
    QFETCH(int, settled);
    QFETCH(bool, restarts);
    Probe::clear(*m_view);
    for (int i = 0; i < settled; ++i)
        Probe::settle(*m_view, i % WellColumns, WellRows - 1 - i / WellColumns, i % 4 + 1);
    if (paused)
        Probe::pauseGame(*m_view);

    QTest::keyClick(m_view, Qt::Key_Return);
    QCOMPARE(Probe::settled(*m_view).size(), restarts ? 0 : settled);
    QCOMPARE(m_view->scene()->items().size(), restarts ? 0 : settled);
    QCOMPARE(Probe::isPaused(*m_view), paused && !restarts);

    // The keypad's Enter is not Return.
    Probe::pauseGame(*m_view);
    Probe::settle(*m_view, 0, 0);
    QTest::keyClick(m_view, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(Probe::isPaused(*m_view));
    QVERIFY(!Probe::settled(*m_view).isEmpty());
}

void TestInput::tableKeysAreTakenOthersPassedOn_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("taken");
    const struct
    {
        Qt::Key key;
        bool taken;
    } keys[] = {
        { Qt::Key_Left, true },
        { Qt::Key_Right, true },
        { Qt::Key_Down, true },
        { Qt::Key_Up, true },
        { Qt::Key_Z, true },
        { Qt::Key_X, true },
        { Qt::Key_Space, true },
        { Qt::Key_Return, true },
        { Qt::Key_Plus, true },
        { Qt::Key_Minus, true },
        { Qt::Key_Enter, false },
        { Qt::Key_A, false },
        { Qt::Key_Escape, false },
        { Qt::Key_Tab, false },
    };
    for (const auto &k : keys)
        QTest::addRow("%s", QKeySequence(k.key).toString().toLatin1().constData())
            << int(k.key) << k.taken;
}

void TestInput::tableKeysAreTakenOthersPassedOn()
{
    QFETCH(int, key);
    QFETCH(bool, taken);
    // An unhandled key is ignored by the view and goes on to its parent.
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(m_view, &press);
    QCOMPARE(press.isAccepted(), taken);
}

void TestInput::keysNeverScroll()
{
    m_view->resize(300, 300);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(m_view, Qt::Key_Plus);
    QScrollBar *vertical = m_view->verticalScrollBar();
    QScrollBar *horizontal = m_view->horizontalScrollBar();
    QVERIFY(vertical->maximum() > vertical->minimum());
    QVERIFY(horizontal->maximum() > horizontal->minimum());
    vertical->setValue((vertical->minimum() + vertical->maximum()) / 2);
    horizontal->setValue((horizontal->minimum() + horizontal->maximum()) / 2);
    const int v = vertical->value(), h = horizontal->value();

    for (Qt::Key key : { Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right }) {
        QTest::keyClick(m_view, key);
        QCOMPARE(vertical->value(), v);
        QCOMPARE(horizontal->value(), h);
    }
    // A key the board does not take still reaches the view's own handling.
    QTest::keyClick(m_view, Qt::Key_PageDown);
    QVERIFY(vertical->value() > v);
}

void TestInput::zoomKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<int>("allowed");
    QTest::newRow("Plus seven times") << int(Qt::Key_Plus) << 7 << 7;
    QTest::newRow("Plus eight times") << int(Qt::Key_Plus) << 8 << 7;
    QTest::newRow("Plus twelve times") << int(Qt::Key_Plus) << 12 << 7;
    QTest::newRow("Minus three times") << int(Qt::Key_Minus) << 3 << 3;
    QTest::newRow("Minus four times") << int(Qt::Key_Minus) << 4 << 3;
}

void TestInput::zoomKeys()
{
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(int, allowed);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(m_view, Qt::Key(key));
    const qreal step = key == Qt::Key_Plus ? 1.2 : 1 / 1.2;
    QVERIFY(qFuzzyCompare(zoom(), std::pow(step, allowed)));
    QCOMPARE(m_view->transform().m22(), m_view->transform().m11());
    QVERIFY(!m_view->transform().isRotating());
}

void TestInput::plusThenMinus()
{
    QTest::keyClick(m_view, Qt::Key_Plus);
    QTest::keyClick(m_view, Qt::Key_Minus);
    QVERIFY(qAbs(zoom() - 1.0) < 1e-12);
    QTest::keyClick(m_view, Qt::Key_Minus);
    QTest::keyClick(m_view, Qt::Key_Plus);
    QVERIFY(qAbs(zoom() - 1.0) < 1e-12);
}

void TestInput::sendWheel(QPoint angleDelta)
{
    const QPointF at(m_view->viewport()->width() / 2.0, m_view->viewport()->height() / 2.0);
    QWheelEvent event(at, m_view->viewport()->mapToGlobal(at), QPoint(), angleDelta, Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_view->viewport(), &event);
    QVERIFY(event.isAccepted());
}

void TestInput::wheel_data()
{
    QTest::addColumn<QList<QPoint>>("deltas");
    QTest::addColumn<qreal>("expected");
    QTest::newRow("one notch away zooms out") << QList<QPoint> { { 0, 120 } } << std::sqrt(0.5);
    QTest::newRow("one notch towards zooms in") << QList<QPoint> { { 0, -120 } } << std::sqrt(2.0);
    QTest::newRow("two notches towards double")
        << QList<QPoint> { { 0, -120 }, { 0, -120 } } << 2.0;
    QTest::newRow("fine delta") << QList<QPoint> { { 0, 15 } } << std::pow(2.0, -15 / 240.0);
    QTest::newRow("horizontal wheel") << QList<QPoint> { { -120, 0 } } << std::sqrt(2.0);
    QTest::newRow("vertical wins over horizontal")
        << QList<QPoint> { { 120, -120 } } << std::sqrt(2.0);
    QTest::newRow("zero delta") << QList<QPoint> { { 0, 0 } } << 1.0;
    QTest::newRow("out to the limit") << QList<QPoint> { { 0, 120 }, { 0, 120 } } << 0.5;
    QTest::newRow("past the lower limit refused")
        << QList<QPoint> { { 0, 120 }, { 0, 120 }, { 0, 60 } } << 0.5;
    QTest::newRow("past the upper limit refused")
        << QList<QPoint> { { 0, -120 }, { 0, -120 }, { 0, -240 } } << 2.0;
    QTest::newRow("four notches at once reach exactly the upper limit")
        << QList<QPoint> { { 0, -480 } } << 4.0;
    QTest::newRow("two notches at once reach exactly the lower limit")
        << QList<QPoint> { { 0, 240 } } << 0.5;
}

void TestInput::wheel()
{
    QFETCH(QList<QPoint>, deltas);
    QFETCH(qreal, expected);
    for (const QPoint &delta : deltas)
        sendWheel(delta);
    QVERIFY2(qAbs(zoom() - expected) < 1e-9, qPrintable(QString::number(zoom(), 'g', 17)));
}

void TestInput::wheelStopsAtTheLimits()
{
    // However far the wheel turns, the zoom stays within its limits and a refused step is
    // refused whole, so the zoom stays within one step of the limit.
    for (int i = 0; i < 20; ++i)
        sendWheel({ 0, -120 });
    QVERIFY(zoom() <= 4.0);
    QVERIFY(zoom() > 4.0 / std::sqrt(2.0) - 1e-9);
    for (int i = 0; i < 40; ++i)
        sendWheel({ 0, 120 });
    QVERIFY(zoom() >= 0.5);
    QVERIFY(zoom() < 0.5 * std::sqrt(2.0) + 1e-9);
}

void TestInput::wheelNeverScrolls()
{
    m_view->resize(300, 300);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    sendWheel({ 0, -120 });
    sendWheel({ 0, -120 });
    QScrollBar *vertical = m_view->verticalScrollBar();
    QVERIFY(vertical->maximum() > vertical->minimum());
    vertical->setValue((vertical->minimum() + vertical->maximum()) / 2);
    // Zooming may move the view around the mouse, but a refused step at the limit has nothing
    // to zoom: the wheel must then leave the view where it is.
    for (int i = 0; i < 20; ++i)
        sendWheel({ 0, -120 });
    const int v = vertical->value();
    const qreal zoomed = zoom();
    sendWheel({ 0, -120 });
    sendWheel({ 0, -120 });
    QCOMPARE(zoom(), zoomed);
    QCOMPARE(vertical->value(), v);
}

QTEST_MAIN(TestInput)
#include "tst_input.moc"
