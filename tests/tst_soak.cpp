// A long randomised game: ticks, every key and wheel turns in random order over many seeds,
// with the board's bookkeeping checked after every single event.
//
// KELO_SOAK_EVENTS sets the number of events over all seeds (default: enough for about a
// minute in an optimised build, less under the sanitizers); KELO_SOAK_SEED the first seed.

#include "keloboardprobe.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QtTest>

#include <array>
#include <deque>
#include <memory>
#include <random>

using Probe = KeloBoardProbe;
using namespace KeloGeometry;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif

constexpr qint64 DefaultEvents = Sanitized ? 100000 : 3000000;
constexpr qint64 EventsPerSeed = 5000;
constexpr qreal MinZoom = 0.5;
constexpr qreal MaxZoom = 4.0;

qint64 envNumber(const char *name, qint64 fallback)
{
    bool ok = false;
    const qint64 value = qEnvironmentVariable(name).toLongLong(&ok);
    return ok && value > 0 ? value : fallback;
}

// The keys of the game, and two that it passes on to the view.
const std::array<Qt::Key, 12> Keys = {
    Qt::Key_Left,
    Qt::Key_Right,
    Qt::Key_Down,
    Qt::Key_Up,
    Qt::Key_Z,
    Qt::Key_X,
    Qt::Key_Space,
    Qt::Key_Return,
    Qt::Key_Plus,
    Qt::Key_Minus,
    Qt::Key_Enter,
    Qt::Key_A,
};

// How often each kind of event comes, in parts: a tick, each key of `Keys` in order, a wheel
// turn. Players differ: one drops pairs fast and fills the well, one fiddles with moves, turns
// and the zoom, one does a bit of everything and pauses often.
struct Player
{
    const char *name;
    std::array<int, 1 + Keys.size() + 1> weights;
};
const std::array<Player, 3> Players = { {
    { "dropper", { 400, 60, 60, 300, 10, 40, 40, 1, 1, 10, 10, 10, 10, 20 } },
    { "fiddler", { 300, 120, 120, 60, 20, 120, 120, 5, 5, 60, 60, 10, 10, 80 } },
    { "pauser", { 300, 80, 80, 100, 20, 60, 60, 80, 60, 30, 30, 10, 10, 40 } },
} };

enum class Kind { Tick, Key, Wheel };

struct Event
{
    Kind kind;
    Qt::Key key = Qt::Key_unknown;
    QPoint angle;

    QString describe() const
    {
        switch (kind) {
        case Kind::Tick:
            return QStringLiteral("tick");
        case Kind::Key:
            return QStringLiteral("key %1").arg(QKeySequence(key).toString());
        case Kind::Wheel:
            return QStringLiteral("wheel (%1, %2)").arg(angle.x()).arg(angle.y());
        }
        return QString();
    }
};

// What the runs reached, so that a soak that never fills the well or never chains shows up.
struct Reached
{
    qint64 events = 0;
    qint64 chainSteps = 0;
    qint64 gameOvers = 0;
    qint64 restarts = 0;
    qint64 zoomLimits = 0;
    int mostSettled = 0;
};

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void soak_data();
    void soak();
    void cleanupTestCase();

private:
    static void send(KeloBoardView &view, const Event &event);
    Reached m_reached;
};

void TestSoak::soak_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<int>("player");
    QTest::addColumn<qint64>("events");

    const qint64 total = envNumber("KELO_SOAK_EVENTS", DefaultEvents);
    const auto first = unsigned(envNumber("KELO_SOAK_SEED", 1));
    const qint64 seeds = (total + EventsPerSeed - 1) / EventsPerSeed;
    for (qint64 i = 0; i < seeds; ++i) {
        const unsigned seed = first + unsigned(i);
        const int player = int(seed % Players.size());
        const qint64 events = qMin(EventsPerSeed, total - i * EventsPerSeed);
        QTest::addRow("seed %u %s", seed, Players[player].name) << seed << player << events;
    }
}

void TestSoak::send(KeloBoardView &view, const Event &event)
{
    switch (event.kind) {
    case Kind::Tick:
        Probe::tick(view);
        break;
    case Kind::Key:
        QTest::keyClick(&view, event.key);
        break;
    case Kind::Wheel: {
        const QPointF at(view.viewport()->rect().center());
        QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), QPoint(), event.angle, Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &wheel);
        break;
    }
    }
}

void TestSoak::soak()
{
    QFETCH(unsigned, seed);
    QFETCH(int, player);
    QFETCH(qint64, events);

    CoutCapture quiet;
    std::srand(seed);
    std::mt19937 random(seed);
    const auto &weights = Players[player].weights;
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    // Whole notches, half notches and the fine steps of a touchpad, both ways, either axis.
    const std::array<int, 8> deltas = { 120, -120, 60, -60, 15, -15, 240, -240 };
    std::uniform_int_distribution<int> pickDelta(0, int(deltas.size()) - 1);

    KeloBoardView view;
    // The ticks come from the run itself, in their random places among the other events.
    Probe::timer(view)->stop();

    std::deque<QString> recent;
    int settledBefore = int(Probe::settled(view).size());
    for (qint64 i = 0; i < events; ++i) {
        Event event { Kind::Tick, Qt::Key_unknown, QPoint() };
        const int choice = pick(random);
        if (choice == int(weights.size()) - 1) {
            event.kind = Kind::Wheel;
            const int delta = deltas[pickDelta(random)];
            event.angle = random() % 4 == 0 ? QPoint(delta, 0) : QPoint(0, delta);
        } else if (choice > 0) {
            event.kind = Kind::Key;
            event.key = Keys[choice - 1];
        }
        recent.push_back(event.describe());
        if (recent.size() > 12)
            recent.pop_front();

        const bool wasPaused = Probe::isPaused(view);
        const qreal zoomBefore = view.transform().m11();
        send(view, event);

        const QString broken = Probe::brokenInvariant(view);
        const QTransform t = view.transform();
        const qreal zoom = t.m11();
        QString why;
        if (!broken.isEmpty())
            why = broken;
        else if (zoom < MinZoom || zoom > MaxZoom)
            why = QStringLiteral("zoom %1 outside [0.5, 4]").arg(zoom);
        else if (t.m22() != zoom || t.m12() != 0 || t.m21() != 0)
            why = QStringLiteral("the view is no longer a uniform scaling");
        if (!why.isEmpty()) {
            QStringList history(recent.begin(), recent.end());
            QFAIL(qPrintable(QStringLiteral("seed %1, event %2: %3; last events: %4")
                                 .arg(seed)
                                 .arg(i)
                                 .arg(why, history.join(QStringLiteral(", ")))));
        }

        const int settled = int(Probe::settled(view).size());
        m_reached.mostSettled = qMax(m_reached.mostSettled, settled);
        if (event.kind == Kind::Tick && settled < settledBefore && !wasPaused)
            ++m_reached.chainSteps;
        if (event.kind == Kind::Tick && !wasPaused && Probe::isPaused(view))
            ++m_reached.gameOvers;
        if (event.kind == Kind::Key && event.key == Qt::Key_Return && settled == 0
            && settledBefore > 0)
            ++m_reached.restarts;
        if (event.kind != Kind::Tick && zoom == zoomBefore
            && (zoom * 1.2 > MaxZoom || zoom / 1.2 < MinZoom))
            ++m_reached.zoomLimits;
        settledBefore = settled;
        ++m_reached.events;
    }
}

void TestSoak::cleanupTestCase()
{
    qInfo("%lld events: %lld chain steps, %lld games over, %lld restarts, %lld refused zooms, "
          "at most %d settled blobs",
        m_reached.events, m_reached.chainSteps, m_reached.gameOvers, m_reached.restarts,
        m_reached.zoomLimits, m_reached.mostSettled);
    // A long enough run that never got to the interesting states would prove little.
    if (m_reached.events >= 50000) {
        QVERIFY(m_reached.chainSteps > 0);
        QVERIFY(m_reached.restarts > 0);
        QVERIFY(m_reached.zoomLimits > 0);
    }
    if (m_reached.events >= 500000) {
        QVERIFY(m_reached.gameOvers > 0);
        QCOMPARE(m_reached.mostSettled, WellCells);
    }
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
