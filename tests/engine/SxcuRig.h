#pragma once

#include "engine/SxcuFile.h"
#include "engine/SxcuUploader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A custom uploader with everything it tells recorded, and a folder for the pictures of a test.
struct SxcuRig {
    explicit SxcuRig(int countdownIntervalMs = SxcuUploader::DefaultCountdownIntervalMs)
        : uploader(QString(), countdownIntervalMs)
    {
        QObject::connect(&uploader, &SxcuUploader::statusChanged, [this](const QString& text) { statuses << text; });
        QObject::connect(
            &uploader, &SxcuUploader::countdownChanged, [this](const QString& text) { countdowns << text; });
        QObject::connect(
            &uploader, &SxcuUploader::uploadButtonsChanged, [this](bool visible) { uploadButtons << visible; });
        QObject::connect(&uploader, &SxcuUploader::finished, [this](bool success) { finished << success; });
        QObject::connect(&uploader, &SxcuUploader::message, [this](const QString& text, const QString& title) {
            messages << QStringList { text, title };
        });
        QObject::connect(&uploader, &SxcuUploader::ended, [this](Uploader::Outcome outcome) { endings << outcome; });
    }

    // A picture file in the rig's folder (sub-folders are made); its path.
    QString picture(const QString& relativePath, const QByteArray& bytes)
    {
        const QString path = dir.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }

    bool isIdle() const
    {
        return !uploader.isRunning() && uploader.isUploadButtonVisible() && !uploader.isCountdownActive();
    }

    QTemporaryDir dir;
    SxcuUploader uploader;
    QStringList statuses;
    QStringList countdowns;
    QList<bool> uploadButtons;
    QList<bool> finished;
    QList<QStringList> messages;
    QList<Uploader::Outcome> endings;
};

// The first bytes of a PNG file, enough for its type to be known by content.
inline QByteArray pngBytes(qsizetype size = 3000)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    for (qsizetype i = bytes.size(); i < size; ++i)
        bytes.append(char(i * 7 % 251));
    return bytes;
}
