// The game as src/main.cpp starts it, with a hook that reports the first painted frame of the
// board and quits. Keep the body in step with src/main.cpp.
#include "firstpaint.h"
#include "keloboardview.h"

#include <QApplication>
#include <QTime>

#include <cstdlib>

int main(int argc, char **argv)
{
    FirstPaint::mark("main");
    QApplication app(argc, argv);
    FirstPaint::mark("application");
    std::srand(QTime(0, 0, 0).secsTo(QTime::currentTime()));
    KeloBoardView view;
    view.resize(view.minimumSize() + QSize(64, 48));
    FirstPaint::mark("view");
    FirstPaint::watch(view.viewport());
    view.show();
    FirstPaint::mark("shown");
    return app.exec();
}
