#include "Ini.h"

#include "platform/ProfileFile.h"

#include <algorithm>
#include <cmath>

namespace
{

QString& sharedFileName()
{
    static QString fileName;
    return fileName;
}

} // namespace

void Ini::SetFileName(const QString& path)
{
    sharedFileName() = path;
}

QString Ini::FileName()
{
    return sharedFileName();
}

QString Ini::RINI(const QString& section, const QString& key) const
{
    return QString::fromLocal8Bit(ProfileFile::ReadValue(sharedFileName(), section.toLocal8Bit(), key.toLocal8Bit()));
}

void Ini::WInI(const QString& section, const QString& key, const QString& value) const
{
    ProfileFile::WriteValue(sharedFileName(), section.toLocal8Bit(), key.toLocal8Bit(), value.toLocal8Bit());
}

bool Ini::RINIb(const QString& section, const QString& key) const
{
    return RINI(section, key) == QLatin1String("True");
}

void Ini::WInIb(const QString& section, const QString& key, bool value) const
{
    WInI(section, key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

qint16 Ini::RINIi(const QString& section, const QString& key) const
{
    return static_cast<qint16>(IniText::ToInteger(RINI(section, key), INT16_MIN, INT16_MAX));
}

qint32 Ini::RINIl(const QString& section, const QString& key) const
{
    return static_cast<qint32>(IniText::ToInteger(RINI(section, key), INT32_MIN, INT32_MAX));
}

void Ini::WInIi(const QString& section, const QString& key, qint16 value) const
{
    WInI(section, key, QString::number(value));
}

namespace IniText
{

double NumericPrefix(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool seenPoint = false;
    while (i < text.size() && ((text[i] >= u'0' && text[i] <= u'9') || (text[i] == u'.' && !seenPoint))) {
        seenPoint = seenPoint || text[i] == u'.';
        ++i;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    if (ok || std::isinf(value))
        return value; // a number too long for a double saturates to infinity, which callers clamp
    return 0.0;
}

qint64 ToInteger(const QString& text, qint64 min, qint64 max)
{
    const double rounded = std::nearbyint(NumericPrefix(text)); // the default mode rounds half to even
    if (std::isnan(rounded))
        return std::clamp<qint64>(0, min, max);
    // Compare inclusively: double(max) of a 64-bit max rounds up to 2^63, which no qint64 holds.
    if (rounded <= double(min))
        return min;
    if (rounded >= double(max))
        return max;
    return static_cast<qint64>(rounded);
}

std::optional<bool> ToBoolean(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (ok)
        return number != 0.0;
    return std::nullopt;
}

} // namespace IniText
