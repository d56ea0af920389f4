#include "CommonDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace
{

CommonDialog::OpenFileHook& openFileHook()
{
    static CommonDialog::OpenFileHook hook;
    return hook;
}

// "*.jpg" becomes "*.[jJ][pP][gG]", so that the pattern also finds "PIC.JPG".
QString anyCasePattern(const QString& pattern)
{
    QString result;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            result += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            result += c;
    }
    return result;
}

} // namespace

void CommonDialog::SetOpenFileHook(OpenFileHook hook)
{
    openFileHook() = std::move(hook);
}

QString CommonDialog::QtFilter(const QString& filter)
{
    const QStringList items = filter.split(QChar(u'\0'), Qt::SkipEmptyParts);
    QStringList entries;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : items.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns.append(anyCasePattern(pattern.trimmed()));
        entries.append(items.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

QString CommonDialog::OpenFile(
    const QString& title, const QString& filter, QWidget* owner, const QString& initialDir) const
{
    if (openFileHook())
        return openFileHook()({ title, filter, owner, initialDir });
    // Only the descriptions are shown; the case-blind patterns behind them are not for the user's eyes.
    return QFileDialog::getOpenFileName(
        owner, title, initialDir, QtFilter(filter), nullptr, QFileDialog::HideNameFilterDetails);
}
