#include "ContextMenu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <array>

namespace
{

struct FileClass {
    const char* name;
    const char* mimeType;
    // A type of our own that the picture type is made a kind of: an application that opens only this
    // type is offered for the picture among "other applications" and is never its default, because
    // the desktop prefers every application that names the picture type itself.
    const char* ownType;
};

constexpr std::array<FileClass, 3> FileClasses { {
    { "jpegfile", "image/jpeg", "application/x-pictoferry-jpegfile" },
    { "giffile", "image/gif", "application/x-pictoferry-giffile" },
    { "pngfile", "image/png", "application/x-pictoferry-pngfile" },
} };

// Where the desktop's per-user data lives: the parent of the entries folder.
QString dataHome()
{
    return QFileInfo(ContextMenu::EntriesFolder()).path();
}

// The files beside the "Open with" entries that give the file managers their own menu item.
QString mimePackagePath()
{
    return dataHome() + QStringLiteral("/mime/packages/pictoferry.xml");
}
QString kdeServiceMenuPath()
{
    return dataHome() + QStringLiteral("/kio/servicemenus/pictoferry.desktop");
}
QString nemoActionPath()
{
    return dataHome() + QStringLiteral("/nemo/actions/pictoferry.nemo_action");
}
QString fileManagerActionPath()
{
    return dataHome() + QStringLiteral("/file-manager/actions/pictoferry.desktop");
}

bool writeFile(const QString& path, const QByteArray& content, QFileDevice::Permissions permissions = {})
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (permissions)
        file.setPermissions(permissions);
    file.write(content);
    return file.commit();
}

// Runs a desktop cache tool on a folder when the system has it; the caches it refreshes are what file
// managers read the entries from. A missing tool is no error.
void refreshCache(const QString& tool, const QString& folder)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty() || !QFileInfo(folder).isDir())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, { folder });
    if (!process.waitForFinished(20000))
        process.kill();
    process.waitForFinished(1000);
}

void refreshCaches()
{
    refreshCache(QStringLiteral("update-mime-database"), dataHome() + QStringLiteral("/mime"));
    refreshCache(QStringLiteral("update-desktop-database"), ContextMenu::EntriesFolder());
}

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

    // Desktop entries belong to the desktop's own parsers, so they keep the desktop's LF line ends. The
    // entry opens our own type only (see FileClass), never the picture type: named there, it would
    // become the default application of every desktop that has no explicit default.
    const QString content = QStringLiteral("[Desktop Entry]\n"
                                           "Type=Application\n"
                                           "Name=%1\n"
                                           "MimeType=%2;\n"
                                           "Exec=%3 %f\n"
                                           "NoDisplay=true\n"
                                           "InitialPreference=0\n")
                                .arg(Caption, QLatin1String(known->ownType), execArgument(programPath));
    writeFile(entryPath(fileClass), content.toUtf8());
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

    QString mime = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    for (const FileClass& known : FileClasses) {
        mime += QStringLiteral("  <mime-type type=\"%1\"><comment>%2</comment></mime-type>\n"
                               "  <mime-type type=\"%3\"><sub-class-of type=\"%1\"/></mime-type>\n")
                    .arg(QLatin1String(known.ownType), Caption.toHtmlEscaped(), QLatin1String(known.mimeType));
    }
    mime += QStringLiteral("</mime-info>\n");
    writeFile(mimePackagePath(), mime.toUtf8());

    const QString exec = execArgument(programPath);
    const QString pictureTypes = QStringLiteral("image/jpeg;image/gif;image/png;");
    // Dolphin and the other KDE file managers: a service menu, which they run only when it may be executed.
    writeFile(kdeServiceMenuPath(),
        QStringLiteral("[Desktop Entry]\nType=Service\nX-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
                       "MimeType=%1\nActions=pictoferryUpload;\n\n"
                       "[Desktop Action pictoferryUpload]\nName=%2\nExec=%3 %f\n")
            .arg(pictureTypes, Caption, exec)
            .toUtf8(),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
            | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
    // Nemo's own actions.
    writeFile(nemoActionPath(),
        QStringLiteral("[Nemo Action]\nActive=true\nName=%1\nExec=%2 %F\nSelection=s\nMimetypes=%3\n")
            .arg(Caption, exec, pictureTypes)
            .toUtf8());
    // Caja and PCManFM read the shared file-manager actions.
    writeFile(fileManagerActionPath(),
        QStringLiteral("[Desktop Entry]\nType=Action\nName=%1\nProfiles=upload;\n\n"
                       "[X-Action-Profile upload]\nMimeTypes=%2\nSelectionCount==1\nExec=%3 %f\n")
            .arg(Caption, pictureTypes, exec)
            .toUtf8());
    refreshCaches();
}

void UnregisterContextMenu()
{
    for (const FileClass& known : FileClasses)
        RemoveShellEntry(QLatin1String(known.name));
    for (const QString& path : { mimePackagePath(), kdeServiceMenuPath(), nemoActionPath(), fileManagerActionPath() })
        QFile::remove(path);
    refreshCaches();
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
