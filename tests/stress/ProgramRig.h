#pragma once

#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

// The built program copied into a temporary program folder with the shipped profiles and journal
// templates, the test service's profile pointed at a scripted server on 127.0.0.1, a private home for the
// desktop files and the single-instance lock, and a picture to upload. Programs it starts are killed with
// it. While a program runs the test must not block its event loop (the server lives in the test process):
// wait with waitUntil(), never with QProcess::waitFor*.
class ProgramRig final
{
public:
    static inline const QString Service = QStringLiteral("pictoferry.test");
    // Generous bounds for a loaded machine and a sanitizer build; waits end as soon as their condition holds.
    static constexpr int StartTimeoutMs = 30000;
    static constexpr int ExitTimeoutMs = 60000;

    ProgramRig();
    ~ProgramRig();
    ProgramRig(const ProgramRig&) = delete;
    ProgramRig& operator=(const ProgramRig&) = delete;

    // Everything above was set up.
    bool isReady() const { return m_ready; }

    QString filePath(const QString& relative) const { return program.filePath(relative); }
    QByteArray journal() const { return program.readFile(QStringLiteral("journal.txt")); }

    // Starts the program on Qt's offscreen platform with its output going to a file.
    QProcess* start(const QStringList& arguments);
    // The unattended upload of the picture to the test service, ending the program when done.
    QStringList uploadArguments() const;
    // The reply of the test service that carries both links.
    QByteArray replyWithLinks() const;

    // The scratch folder exists: start-up reached the command line.
    bool scratchFolderReady() const;
    // Waits until the program has prepared its scratch folder or has ended; true for the first. The scratch
    // folder must not be there before the start.
    bool waitForStartUp(QProcess* process) const;
    // Kills the running program with SIGKILL delayMs after it has begun; true once it is gone.
    static bool killAfter(QProcess* process, int delayMs);

    // Runs the event loop until the condition holds or the time is up; returns the condition.
    static bool waitUntil(const std::function<bool()>& condition, int timeoutMs);
    static bool waitForExit(QProcess* process, int timeoutMs = ExitTimeoutMs);
    static bool exitedNormally(QProcess* process);
    static QString report(QProcess* process);

    TempProgramFolder program;
    QTemporaryDir home;
    ScriptedHttpServer server;
    QString picturePath;
    QByteArray picture;

private:
    bool prepare();

    bool m_ready = false;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
