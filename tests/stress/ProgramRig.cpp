#include "ProgramRig.h"

#include "support/TestPictures.h"

#include <QColor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

namespace
{

const QByteArray ShippedHost = "127.0.0.1:8089";

} // namespace

ProgramRig::ProgramRig()
    : m_ready(prepare())
{
}

ProgramRig::~ProgramRig()
{
    for (const auto& process : m_processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(ExitTimeoutMs);
        }
    }
}

bool ProgramRig::prepare()
{
    if (!home.isValid() || !server.start())
        return false;
    const QString built = QStringLiteral(PICTOFERRY_PROGRAM_DIR "/pictoferry");
    const QString executable = program.filePath(QStringLiteral("pictoferry"));
    if (!QFile::copy(built, executable))
        return false;
    QFile::setPermissions(executable, QFile::permissions(built) | QFileDevice::ExeOwner);
    program.copyShippedData();
    program.copyShippedJournalTemplates();
    for (const QString& name : { QStringLiteral("data/pictoferry.test.serv"),
             QStringLiteral("data/pictoferry.test.post.txt"), QStringLiteral("data/pictoferry.test.info") }) {
        QByteArray text = program.readFile(name);
        if (!text.contains(ShippedHost))
            return false;
        program.writeFile(name, text.replace(ShippedHost, server.hostAndPort()));
    }
    // The runtime folder must be private to the user, or Qt will not use it.
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    if (!QDir().mkpath(runtime))
        return false;
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    picture = JpegBytes(QSize(48, 32), QColor(30, 120, 160));
    picturePath = home.filePath(QStringLiteral("picture.jpg"));
    QFile file(picturePath);
    return !picture.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(picture) == picture.size();
}

QProcess* ProgramRig::start(const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A first start takes the system proxy from these; the scripted server must be reached directly.
    for (const char* name : { "http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY" })
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("share")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    auto process = std::make_unique<QProcess>();
    process->setProgram(program.filePath(QStringLiteral("pictoferry")));
    process->setArguments(arguments);
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(home.path());
    process->setProcessChannelMode(QProcess::MergedChannels);
    const QString output = home.filePath(QStringLiteral("output-%1.txt").arg(m_processes.size() + 1));
    process->setProperty("outputFile", output);
    process->setStandardOutputFile(output);
    process->start();
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QStringList ProgramRig::uploadArguments() const
{
    return { picturePath, QStringLiteral("-u=") + Service, QStringLiteral("-e") };
}

QByteArray ProgramRig::replyWithLinks() const
{
    const QByteArray host = server.hostAndPort();
    return ScriptedHttpServer::httpReply("200 OK",
        "<p><a id=\"image\" href=\"http://" + host + "/i/1.jpg\">image</a></p>\n<p><a id=\"preview\" href=\"http://"
            + host + "/i/1s.jpg\">preview</a></p>\n");
}

bool ProgramRig::scratchFolderReady() const
{
    return QFileInfo(program.filePath(QStringLiteral("tmp"))).isDir();
}

bool ProgramRig::waitForStartUp(QProcess* process) const
{
    waitUntil(
        [&] {
            return process->state() != QProcess::Starting
                && (scratchFolderReady() || process->state() == QProcess::NotRunning);
        },
        StartTimeoutMs);
    return scratchFolderReady() && process->state() == QProcess::Running;
}

bool ProgramRig::killAfter(QProcess* process, int delayMs)
{
    if (!waitUntil([&] { return process->state() == QProcess::Running; }, StartTimeoutMs))
        return false;
    QTest::qWait(delayMs);
    process->kill();
    return waitForExit(process);
}

bool ProgramRig::waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

bool ProgramRig::waitForExit(QProcess* process, int timeoutMs)
{
    return waitUntil([process] { return process->state() == QProcess::NotRunning; }, timeoutMs);
}

bool ProgramRig::exitedNormally(QProcess* process)
{
    return process->state() == QProcess::NotRunning && process->exitStatus() == QProcess::NormalExit
        && process->exitCode() == 0;
}

QString ProgramRig::report(QProcess* process)
{
    QFile file(process->property("outputFile").toString());
    const QString output = file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
    return QStringLiteral("state %1, exit status %2, exit code %3, output:\n%4")
        .arg(process->state())
        .arg(process->exitStatus())
        .arg(process->state() == QProcess::NotRunning ? process->exitCode() : -1)
        .arg(output);
}
