#include "TerminalCommand.h"

#include <QDir>
#include <QFileInfo>

namespace TerminalCommand
{

Mode ModeOf(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return Mode::Window;
    const QString& first = arguments.first();
    if (first == QLatin1String("--cli"))
        return Mode::Upload;
    if (first == QLatin1String("--help") || first == QLatin1String("-h"))
        return Mode::Help;
    if (first == QLatin1String("--version"))
        return Mode::Version;
    if (first == QLatin1String("--import"))
        return Mode::Import;
    return Mode::Window;
}

namespace
{

void takeLinkType(const QString& value, const Facts& facts, Parse& parse)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < 1 || number > facts.OfferedLinkTypes) {
        parse.errors << QStringLiteral("Неверный тип ссылки \"%1\": нужно число от 1 до %2")
                            .arg(value)
                            .arg(facts.OfferedLinkTypes);
        return;
    }
    parse.request.LinkType = number;
}

void takeUpload(const QStringList& arguments, const QString& currentFolder, const Facts& facts, Parse& parse)
{
    bool haveService = false;
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1String("-u="))) {
            parse.request.Service = argument.mid(3);
            haveService = true;
        } else if (argument.startsWith(QLatin1String("-c="))) {
            takeLinkType(argument.mid(3), facts, parse);
        } else if (argument.startsWith(QLatin1Char('-')) || !parse.request.ImagePath.isEmpty()) {
            parse.errors << QStringLiteral("Непонятный параметр \"%1\"").arg(argument);
        } else {
            parse.request.ImagePath = QDir(currentFolder).absoluteFilePath(argument);
        }
    }
    if (parse.request.ImagePath.isEmpty())
        parse.errors.prepend(QStringLiteral("Не указано изображение"));
    else if (!QFileInfo(parse.request.ImagePath).isFile())
        parse.errors.prepend(QStringLiteral("Файл не найден: ") + QDir::toNativeSeparators(parse.request.ImagePath));
    if (!haveService)
        parse.errors << QStringLiteral("Не указан сервер: -u=СЕРВЕР");
    else if (!facts.Services.contains(parse.request.Service))
        parse.errors << QStringLiteral("Нет такого сервера: \"%1\"").arg(parse.request.Service);
}

void takeImport(const QStringList& arguments, const QString& currentFolder, Parse& parse)
{
    if (arguments.size() < 2) {
        parse.errors << QStringLiteral("Не указан файл .sxcu");
        return;
    }
    for (const QString& argument : arguments.mid(2))
        parse.errors << QStringLiteral("Непонятный параметр \"%1\"").arg(argument);
    parse.request.ImportPath = QDir(currentFolder).absoluteFilePath(arguments.at(1));
    if (!QFileInfo(parse.request.ImportPath).isFile())
        parse.errors.prepend(QStringLiteral("Файл не найден: ") + QDir::toNativeSeparators(parse.request.ImportPath));
}

} // namespace

Parse ParseArguments(const QStringList& arguments, const QString& currentFolder, const Facts& facts)
{
    Parse parse;
    parse.mode = ModeOf(arguments);
    if (parse.mode == Mode::Upload)
        takeUpload(arguments, currentFolder, facts, parse);
    else if (parse.mode == Mode::Import)
        takeImport(arguments, currentFolder, parse);
    else if (parse.mode != Mode::Window && arguments.size() > 1)
        parse.errors << QStringLiteral("Непонятный параметр \"%1\"").arg(arguments.at(1));
    return parse;
}

QString HelpText()
{
    return QStringLiteral("Использование:\n"
                          "  pictoferry [ИЗОБРАЖЕНИЕ [-u=СЕРВЕР] [-c=N] [-e]]   окно программы\n"
                          "  pictoferry --cli ИЗОБРАЖЕНИЕ -u=СЕРВЕР [-c=N]       закачка без окна\n"
                          "  pictoferry --import ФАЙЛ.sxcu                       добавить сервер из файла .sxcu\n"
                          "  pictoferry --help | --version\n"
                          "\n"
                          "Закачка без окна не требует дисплея. Ссылка выводится в стандартный вывод,\n"
                          "ход закачки и сообщения - в стандартный поток ошибок.\n"
                          "  -u=СЕРВЕР  сервер, как он назван в списке серверов программы\n"
                          "  -c=N       тип ссылки, номер по списку типов ссылок (с 1); без него - прямая ссылка\n"
                          "Импорт копирует файл в data/ и спрашивает в терминале недостающие значения\n"
                          "(ключи API и т.п.) и согласие заменить сервер с тем же именем.\n"
                          "\n"
                          "Коды завершения: 0 - ссылка получена, 2 - неверная командная строка,\n"
                          "3 - закачка не удалась или прервана (также изображение больше, чем принимает\n"
                          "сервер, неисправный файл .sxcu сервера и неудачный импорт), 4 - сервер не\n"
                          "ответил вовремя.\n");
}

QString VersionText()
{
    return QStringLiteral("Pictoferry " PICTOFERRY_VERSION "\n");
}

} // namespace TerminalCommand
