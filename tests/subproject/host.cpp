#include "keloboardview.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    KeloBoardView view;
    return 0;
}
