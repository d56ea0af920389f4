#include "DialogSxcuPrompter.h"

#include <QInputDialog>

QString DialogSxcuPrompter::select(const QStringList& alternatives)
{
    bool ok = false;
    const QString choice = QInputDialog::getItem(
        m_window, QStringLiteral("Выбор"), QStringLiteral("Выберите значение:"), alternatives, 0, false, &ok);
    return ok ? choice : alternatives.value(0);
}

QString DialogSxcuPrompter::input(const QString& title, const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_window, QStringLiteral("Ввод значения"),
        title.isEmpty() ? QStringLiteral("Введите значение:") : title, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : defaultText;
}
