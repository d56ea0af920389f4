#pragma once

#include "engine/RequestSource.h"

#include <QFile>
#include <QString>

#include <vector>

// An upload request whose picture is read from its file piece by piece as the request is taken, so that the
// picture is never held in memory whole. The template's text and the values inserted into it are held in
// memory; the picture's bytes stand at most once among them, with the size the file had when it was
// opened (the size the request's length figures were computed from). A file that no longer has that size,
// or that is gone, ends the request early: its bytes never go out under a wrong length.
class PostRequestSource final : public RequestSource
{
public:
    // One part of the request: bytes held in memory, or the picture file's contents.
    struct Part {
        QByteArray bytes;
        bool isPicture = false;
    };

    explicit PostRequestSource(const QString& picturePath);

    // Opens the picture file and takes its size; false when it cannot be opened for reading.
    bool openPicture();
    qint64 pictureSize() const { return m_pictureSize; }
    // The request's parts, the picture's among them at most once.
    void setParts(std::vector<Part> parts);

    qint64 size() const override { return m_size; }
    QByteArray read(qint64 maxBytes) override;
    QString failure() const override { return m_failure; }

private:
    QByteArray readPicture(qint64 maxBytes);
    // Sets the failure when the file is no longer the one the request was built for.
    bool pictureChanged();

    std::vector<Part> m_parts;
    QFile m_picture;
    qint64 m_pictureSize = 0;
    qint64 m_size = 0;
    size_t m_part = 0;
    qint64 m_offset = 0; // within the current part
    QString m_failure;
};
