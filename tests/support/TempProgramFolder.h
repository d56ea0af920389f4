#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A program folder in a temporary directory, removed with the object. It starts empty; tests add the
// shipped profiles and journal templates, or files of their own.
class TempProgramFolder final
{
public:
    TempProgramFolder();

    QString path() const { return m_dir.path(); }
    QString filePath(const QString& relative) const { return m_dir.filePath(relative); }

    // Copies the shipped data/ (server profiles) and journal/ (page templates) folders in.
    void copyShippedData() const;
    void copyShippedJournalTemplates() const;

    // Writes bytes to a file under the folder, creating folders on the way.
    void writeFile(const QString& relative, const QByteArray& content) const;
    QByteArray readFile(const QString& relative) const;
    // The file's inode number, 0 when it is missing: an atomic replace gives the file a new one, whatever
    // it writes.
    quint64 inode(const QString& relative) const;

    static QString sourcePath(const QString& relative);

private:
    QTemporaryDir m_dir;
};
