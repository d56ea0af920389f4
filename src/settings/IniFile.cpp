#include "IniFile.h"

#include "Ini.h"

#include <QDir>
#include <QFileInfo>

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
    reload();
}

void IniFile::reload()
{
    m_exists = QFileInfo(m_path).isFile();
    m_content = ProfileFile::Load(m_path);
}

QString IniFile::RINI(const QString& section, const QString& key) const
{
    return QString::fromLocal8Bit(ProfileFile::Value(m_content, section.toLocal8Bit(), key.toLocal8Bit()));
}

bool IniFile::RINIb(const QString& section, const QString& key) const
{
    return RINI(section, key) == QLatin1String("True");
}

qint16 IniFile::RINIi(const QString& section, const QString& key) const
{
    return static_cast<qint16>(IniText::ToInteger(RINI(section, key), INT16_MIN, INT16_MAX));
}

qint32 IniFile::RINIl(const QString& section, const QString& key) const
{
    return static_cast<qint32>(IniText::ToInteger(RINI(section, key), INT32_MIN, INT32_MAX));
}

bool IniFile::HasKey(const QString& section, const QString& key) const
{
    return ProfileFile::HasKey(m_content, section.toLocal8Bit(), key.toLocal8Bit());
}

void IniFile::WInI(const QString& section, const QString& key, const QString& value)
{
    m_pending.append({ section.toLocal8Bit(), key.toLocal8Bit(), value.toLocal8Bit() });
}

void IniFile::WInIb(const QString& section, const QString& key, bool value)
{
    WInI(section, key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

void IniFile::WInIi(const QString& section, const QString& key, qint16 value)
{
    WInI(section, key, QString::number(value));
}

bool IniFile::Commit(bool fresh)
{
    const bool written = ProfileFile::WriteValues(m_path, m_pending, fresh);
    m_pending.clear();
    reload();
    return written;
}

QString IniFile::TooLargeMessage(const QString& path)
{
    return QStringLiteral("Файл настроек больше 1 Мбайт и не прочитан:\r\n") + QDir::toNativeSeparators(path);
}
