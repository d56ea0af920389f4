#include "MainWindow.h"
#include "SingleInstance.h"
#include "platform/MessageBox.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The arguments as one command-line text: the first in double quotes, each further one after a space.
QString commandLineText(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return {};
    QString text = QLatin1Char('"') + arguments.at(1) + QLatin1Char('"');
    for (qsizetype i = 2; i < arguments.size(); ++i)
        text += QLatin1Char(' ') + arguments.at(i);
    return text;
}

} // namespace

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

    MainWindow window(programFolder, commandLineText(QApplication::arguments()));
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, &QWidget::close);
    window.StartUp();
    window.show();
    return QApplication::exec();
}
