// The smallest Qt Widgets program that shows a QGraphicsView: the yardstick for the game's
// start-up. It reports its first painted frame and quits.
#include "firstpaint.h"

#include <QApplication>
#include <QGraphicsView>

int main(int argc, char **argv)
{
    FirstPaint::mark("main");
    QApplication app(argc, argv);
    FirstPaint::mark("application");
    QGraphicsView view;
    // The size the game's window starts with.
    view.resize(256, 432);
    FirstPaint::mark("view");
    FirstPaint::watch(view.viewport());
    view.show();
    FirstPaint::mark("shown");
    return app.exec();
}
