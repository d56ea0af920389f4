#include "CommonDialog.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
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
    QFileDialog dialog(owner, title, initialDir, QtFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Only the descriptions are shown; the case-blind patterns behind them are not for the user's eyes.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.resize(ReadableSize(owner));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QSize CommonDialog::ReadableSize(const QWidget* owner)
{
    // Wide enough for the name, size, type and date columns, and never beyond the screen.
    const QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    return QSize(qMin(900, available.width() * 9 / 10), qMin(600, available.height() * 9 / 10));
}
