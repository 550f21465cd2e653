#include "keloboardview.h"

#include <QApplication>
#include <QTime>

#include <cstdlib>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Seeded before the board exists: its constructor already draws the first pair.
    std::srand(QTime(0, 0, 0).secsTo(QTime::currentTime()));
    KeloBoardView view;
    // Room for the well and its shadow at zoom 1, so that no scroll bar shows at the start.
    view.resize(view.minimumSize() + QSize(64, 48));
    view.show();
    return app.exec();
}
