// The smallest Qt Widgets program that shows a window: the reference for how long the program takes from
// exec to its main window on screen. bench_mapwatch starts it and ends it once the window is mapped.
//
// Given a fixed size, the window is mapped before its text is ever measured, so it loads no font at all
// before it appears. With --lay-out-text it takes its size from its caption, as a window of controls
// does, so the system's font configuration is read before the window is mapped.
#include <QApplication>
#include <QLabel>

#include <cstring>

int main(int argc, char* argv[])
{
    const bool layOutText = argc > 1 && std::strcmp(argv[1], "--lay-out-text") == 0;
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Pictoferry"));
    if (layOutText)
        window.setMinimumSize(560, 420);
    else
        window.resize(560, 420);
    window.show();
    return QApplication::exec();
}
