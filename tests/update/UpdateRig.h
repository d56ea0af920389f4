#pragma once

#include "settings/OptionsModule.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempProgramFolder.h"

#include <QByteArray>
#include <QString>

// A program folder whose options.ini points the update check at a scripted server on 127.0.0.1, with
// a version.info left over in it, which no check may leave behind.
struct UpdateRig {
    TempProgramFolder folder;
    ScriptedHttpServer server;
    Settings settings;

    static QByteArray ok(const QByteArray& body) { return ScriptedHttpServer::httpReply("200 OK", body); }
    static QByteArray notFound() { return ScriptedHttpServer::httpReply("404 Not Found", "<html>404</html>"); }

    bool start()
    {
        if (!server.start())
            return false;
        useUpdateServer(QString::fromLatin1(server.hostAndPort()));
        folder.writeFile(QStringLiteral("version.info"), "9.9");
        return true;
    }

    void useUpdateServer(const QString& server) const
    {
        folder.writeFile(QStringLiteral("options.ini"), "[Main]\r\nUpdateServer=" + server.toUtf8() + "\r\n");
    }

    // The version file's reply, then the follow-up's reply.
    void serve(const QByteArray& versionReply, const QByteArray& followUpReply = notFound())
    {
        server.enqueue(ScriptedHttpServer::reply(versionReply));
        server.enqueue(ScriptedHttpServer::reply(followUpReply));
    }

    bool versionFileRemains() const { return QFile::exists(folder.filePath(QStringLiteral("version.info"))); }

    // The request line of a connection, without its line end.
    QByteArray requestLine(int connection) const
    {
        const QByteArray request = server.requests().value(connection);
        return request.left(request.indexOf("\r\n"));
    }
};
