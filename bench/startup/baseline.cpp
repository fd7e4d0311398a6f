// The smallest program of the kind: a maximised main window with a menu bar.
#include "ReadySignal.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    QMenu *file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("E&xit"), &window, &QWidget::close);
    window.menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    ReadySignal ready(&window, [] { return true; });
    window.showMaximized();
    return app.exec();
}
