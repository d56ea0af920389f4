#pragma once

#include "platform/ProfileFile.h"

#include <QList>
#include <QString>

#include <optional>

// One settings file read once: the typed reads of the settings store (the same rules as Ini) served
// from memory, and writes gathered and stored together in one atomic replace of the file. A file
// larger than ProfileFile::MaxFileBytes reads as missing and is never rewritten.
class IniFile final
{
public:
    explicit IniFile(QString path);

    QString path() const { return m_path; }
    bool exists() const { return m_exists; }
    bool tooLarge() const { return m_content.tooLarge; }

    QString RINI(const QString& section, const QString& key) const;
    bool RINIb(const QString& section, const QString& key) const;
    qint16 RINIi(const QString& section, const QString& key) const;
    qint32 RINIl(const QString& section, const QString& key) const;
    bool HasKey(const QString& section, const QString& key) const;

    // Gathers a write; Commit() stores them.
    void WInI(const QString& section, const QString& key, const QString& value);
    void WInIb(const QString& section, const QString& key, bool value);
    void WInIi(const QString& section, const QString& key, qint16 value);

    // Stores the gathered writes in one atomic replace, over the file as read (or over nothing with
    // `fresh`), and reads the result back. False when the file cannot be written.
    bool Commit(bool fresh = false);

    // The message that names a settings file too large to be read.
    static QString TooLargeMessage(const QString& path);

private:
    void reload();

    QString m_path;
    bool m_exists = false;
    ProfileFile::Content m_content;
    QList<ProfileFile::Entry> m_pending;
};
