#include "MainWindow.h"
#include "ParseCommandSting.h"
#include "SingleInstance.h"
#include "platform/MessageBox.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictoferry"));

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    const QString programFolder = QApplication::applicationDirPath();
    SingleInstance instance(programFolder);
    if (!instance.tryAcquire()) {
        Platform::ShowMessage(nullptr, QStringLiteral("Программа уже запущена!"), QStringLiteral("Внимание!"),
            Platform::MessageIcon::Information);
        return 0;
    }

    MainWindow window(programFolder, ParseCommandSting::CommandLineText(QApplication::arguments().mid(1)));
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, &QWidget::close);
    window.StartUp();
    window.show();
    return QApplication::exec();
}
