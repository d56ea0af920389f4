#pragma once

#include <QString>

#include <optional>

// The settings store: typed reads and writes of one sectioned settings file. The current file,
// FileName, is one value shared by every instance, so each caller sets it right before its reads and
// writes. Nothing is cached; every call goes to the file.
class Ini final
{
public:
    static void SetFileName(const QString& path);
    static QString FileName();

    QString RINI(const QString& section, const QString& key) const;
    void WInI(const QString& section, const QString& key, const QString& value) const;
    bool RINIb(const QString& section, const QString& key) const;
    void WInIb(const QString& section, const QString& key, bool value) const;
    qint16 RINIi(const QString& section, const QString& key) const;
    qint32 RINIl(const QString& section, const QString& key) const;
    void WInIi(const QString& section, const QString& key, qint16 value) const;
};

namespace IniText
{

// The leading number of a text: blanks skipped, an optional sign, digits and one decimal point read as
// far as they go, the rest ignored; empty or non-numeric text is 0, a number beyond a double's range
// is plus or minus infinity.
double NumericPrefix(const QString& text);

// The numeric prefix rounded half to even and brought into [min, max].
qint64 ToInteger(const QString& text, qint64 min, qint64 max);

// "True"/"False" in any case, or a number (non-zero is true); anything else gives nothing.
std::optional<bool> ToBoolean(const QString& text);

} // namespace IniText
