#include "FontWarmup.h"
#include "MainWindow.h"
#include "ParseCommandSting.h"
#include "SingleInstance.h"
#include "cli/TerminalCommand.h"
#include "cli/TerminalUpload.h"
#include "platform/TerminationSignals.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>

namespace
{

// The terminal mode: no QApplication, so no display is needed.
int runInTerminal(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pictoferry"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return TerminalUpload::Run(
        QCoreApplication::applicationDirPath(), QCoreApplication::arguments().mid(1), QDir::currentPath(), out, err);
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (TerminalCommand::ModeOf(arguments) != TerminalCommand::Mode::Window)
        return runInTerminal(argc, argv);

    FontWarmup fonts;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pictoferry"));
    fonts.prepare(QApplication::font());
    // The font thread ends before the application object does, however main returns.
    const auto fontsDone = qScopeGuard([&fonts] { fonts.wait(); });

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

    MainWindow window(
        programFolder, ParseCommandSting::CommandLineText(QApplication::arguments().mid(1), QDir::currentPath()));
    // Logout or kill: end open dialogs and message boxes, shut down through the window, leave the loop.
    TerminationSignals termination;
    bool terminated = false;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, [&window, &terminated] {
        terminated = true;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
                dialog->done(QDialog::Rejected);
        }
        window.close();
        QCoreApplication::quit();
    });
    window.StartUp();
    if (terminated)
        return 0;
    window.show();
    return QApplication::exec();
}
