#include "ContextMenu.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <array>

namespace
{

struct FileClass {
    const char* name;
    const char* mimeType;
};

constexpr std::array<FileClass, 3> FileClasses { {
    { "jpegfile", "image/jpeg" },
    { "giffile", "image/gif" },
    { "pngfile", "image/png" },
} };

const FileClass* findClass(const QString& fileClass)
{
    for (const FileClass& known : FileClasses) {
        if (fileClass == QLatin1String(known.name))
            return &known;
    }
    return nullptr;
}

QString entryPath(const QString& fileClass)
{
    return QDir(ContextMenu::EntriesFolder()).filePath(QStringLiteral("pictoferry-%1.desktop").arg(fileClass));
}

// One argument of an Exec line: the path in double quotes, with the characters that are special inside
// quotes escaped, and then the escapes of a desktop-entry string value (backslash, control characters)
// and the doubled "%" that field codes require.
QString execArgument(const QString& path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    QString value = QStringLiteral("\"");
    for (const QChar c : quoted) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else if (c == u'%')
            value += QStringLiteral("%%");
        else
            value += c;
    }
    value += u'"';
    return value;
}

// The value of the first "Name" key of the "[Desktop Entry]" group; empty when there is none.
QString entryName(const QByteArray& content)
{
    bool inMainGroup = false;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[')) {
            inMainGroup = trimmed == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq >= 0 && line.left(eq).trimmed() == "Name")
            return QString::fromUtf8(line.mid(eq + 1)).trimmed();
    }
    return {};
}

} // namespace

namespace ContextMenu
{

QString EntriesFolder()
{
    // Only an absolute XDG_DATA_HOME counts; a relative one is ignored as the base-directory rules ask.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir(dataHome).filePath(QStringLiteral("applications"));
}

void AddShellEntry(const QString& fileClass, const QString& programPath)
{
    const FileClass* known = findClass(fileClass);
    if (!known)
        return;
    if (!QDir().mkpath(EntriesFolder()))
        return;

    // Desktop entries belong to the desktop's own parsers, so they keep the desktop's LF line ends.
    const QString content = QStringLiteral("[Desktop Entry]\n"
                                           "Type=Application\n"
                                           "Name=%1\n"
                                           "MimeType=%2;\n"
                                           "Exec=%3 %f\n"
                                           "NoDisplay=true\n")
                                .arg(Caption, QLatin1String(known->mimeType), execArgument(programPath));
    QSaveFile file(entryPath(fileClass));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(content.toUtf8());
    file.commit();
}

void RemoveShellEntry(const QString& fileClass)
{
    if (findClass(fileClass))
        QFile::remove(entryPath(fileClass));
}

void RegisterContextMenu(const QString& programPath)
{
    for (const FileClass& known : FileClasses)
        AddShellEntry(QLatin1String(known.name), programPath);
}

void UnregisterContextMenu()
{
    for (const FileClass& known : FileClasses)
        RemoveShellEntry(QLatin1String(known.name));
}

bool IsContextMenuRegistered()
{
    QFile file(entryPath(QStringLiteral("jpegfile")));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString name = entryName(file.readAll());
    return !name.isEmpty() && name == Caption;
}

} // namespace ContextMenu
