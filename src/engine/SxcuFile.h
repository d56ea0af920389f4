#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// A custom-uploader file (".sxcu"): a JSON object that tells how to send a file to a host and how to
// read the links from its reply. Reading never fails outright: a file that cannot be used keeps its
// reason in Problem (Russian, naming the file and the field), so a list can still show it and say
// what is wrong when it is chosen. Values written in the old "$…$" syntax are converted to the current
// one on reading; field names match without regard to case, as the writers of these files expect.
struct SxcuFile {
    enum class BodyKind { MultipartFormData, Binary, FormURLEncoded, Json, Xml, None };
    using Fields = QList<std::pair<QString, QString>>; // in the order of the file, each name once

    QString FileName; // the file's name without folders
    QString Problem; // empty when the file can be used for an upload

    QString Version;
    QString Name; // the host of RequestURL when the file names none
    QString DestinationType;
    QString RequestMethod = QStringLiteral("POST"); // upper case
    QString RequestURL;
    Fields Parameters;
    Fields Headers;
    BodyKind Body = BodyKind::MultipartFormData;
    Fields Arguments;
    QString FileFormName;
    QString Data;
    QString URL;
    QString ThumbnailURL;
    QString DeletionURL;
    QString ErrorMessage;
    QStringList RegexList;
    bool OldSyntax = false; // the values were written in the "$…$" syntax and have been converted

    bool isUsable() const { return Problem.isEmpty(); }

    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    static SxcuFile Read(const QString& path);
    // The file's bytes; fileName names it in the messages.
    static SxcuFile Parse(const QByteArray& bytes, const QString& fileName);
};
