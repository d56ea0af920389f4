#pragma once

#include "platform/ProfileFile.h"
#include "settings/Ini.h"

#include <QDir>
#include <QObject>
#include <QString>

// An upload in progress, whatever engine carries it: the main window and the command line start, stop
// and follow an upload only through this interface, and show what it reports. An uploader shows no
// window of its own; the failures the user must be told about come as message() with their Russian text
// and title. One upload at a time; an uploader may be used for further uploads once one has ended.
class Uploader : public QObject
{
    Q_OBJECT

public:
    // How an upload ended: with its links, refused or broken, given up after the wait limit, or stopped
    // by the user.
    enum class Outcome { Success, Failed, TimedOut, Stopped };
    Q_ENUM(Outcome)

    using QObject::QObject;

    // serverIndex is the service's place in the list of services (remembered as the last one used),
    // profileName its name there. False when the upload could not begin (a message() tells why, and no
    // ended() follows) or one is already running.
    virtual bool StartUpload(int serverIndex, const QString& profileName, const QString& imagePath) = 0;
    // Ends a running upload with the outcome Stopped; nothing otherwise.
    virtual void StopUpload() = 0;

    virtual bool isRunning() const = 0;
    QString statusText() const { return m_status; }
    QString countdownText() const { return m_countdown; }
    bool isUploadButtonVisible() const { return m_uploadVisible; } // else the stop button is
    bool isLinkTypesEnabled() const { return m_linkTypesEnabled; }

    // The picture of the current or last upload and the links it brought; empty until found. The
    // deletion link is empty where the service hands out none.
    virtual QString CurrentImagePath() const = 0;
    virtual QString ImageLink() const = 0;
    virtual QString PreviewLink() const = 0;
    virtual QString DeletionLink() const = 0;

signals:
    // The status line: what the upload is doing now.
    void statusChanged(const QString& text);
    // Bytes of the request sent so far, of total.
    void progressChanged(qint64 sent, qint64 total);
    // The seconds left before the wait for the reply is given up, or empty.
    void countdownChanged(const QString& text);
    // The upload button may be offered (true), or the stop button is (false).
    void uploadButtonsChanged(bool uploadVisible);
    // Whether the link format may be changed now.
    void linkTypesEnabledChanged(bool enabled);
    // The service answered to the end: with usable links (true) or not. The links and the image path are
    // final when this is emitted. The uploader must not be deleted synchronously from a connected slot.
    void finished(bool success);
    // A failure to put before the user in an error box.
    void message(const QString& text, const QString& title);
    // Every upload that began ends exactly once with this, after its status text is final; a message()
    // of the same failure comes directly before or after it.
    void ended(Uploader::Outcome outcome);

protected:
    // The upload button remembers the chosen service in options.ini, whoever uploads: its place in the list,
    // and its name, which still finds it when services are added to the list or taken from it.
    static void RememberLastServer(const QString& programFolder, int serverIndex, const QString& profileName)
    {
        const QString path = QDir(programFolder).filePath(QStringLiteral("options.ini"));
        Ini::SetFileName(path);
        QList<ProfileFile::Entry> entries { { "Main", "LastServer",
            QByteArray::number(static_cast<qint16>(serverIndex)) } };
        if (!profileName.isEmpty())
            entries.append({ "Main", "LastServerName", profileName.toLocal8Bit() });
        ProfileFile::WriteValues(path, entries);
    }

    // Keep what the window shows and tell it.
    void setStatus(const QString& text)
    {
        m_status = text;
        emit statusChanged(text);
    }
    void setUploadVisible(bool visible)
    {
        m_uploadVisible = visible;
        emit uploadButtonsChanged(visible);
    }
    void setLinkTypesEnabled(bool enabled)
    {
        m_linkTypesEnabled = enabled;
        emit linkTypesEnabledChanged(enabled);
    }
    void setCountdown(const QString& text)
    {
        m_countdown = text;
        emit countdownChanged(text);
    }

private:
    QString m_status;
    QString m_countdown;
    bool m_uploadVisible = true;
    bool m_linkTypesEnabled = true;
};
