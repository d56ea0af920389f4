// A first run over and over: removes options.ini and linkTypes.ini and lets start-up create them again,
// until it is killed. The program folder is the one argument.
#include "links/LinkTables.h"
#include "links/LinkTypes.h"
#include "settings/OptionsModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    std::puts("started");
    std::fflush(stdout);
    for (;;) {
        QFile::remove(QDir(folder).filePath(QStringLiteral("options.ini")));
        QFile::remove(QDir(folder).filePath(QStringLiteral("linkTypes.ini")));
        OptionsModule(folder).LoadOptions();
        LinkTables tables;
        LinkTypes::AddLinkTypes(folder, tables);
    }
}
