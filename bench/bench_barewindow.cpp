// The smallest Qt Widgets program that shows a window: the reference for how long the program takes from
// exec to its main window on screen. bench_mapwatch starts it and ends it once the window is mapped.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Pictoferry"));
    window.resize(560, 420);
    window.show();
    return QApplication::exec();
}
