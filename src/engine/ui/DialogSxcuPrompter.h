#pragma once

#include "engine/SxcuPrompter.h"

#include <QPointer>
#include <QWidget>

// The answers of an upload or an import that the user watches: a small dialog for each question, over
// the window given. A cancelled dialog gives the first choice or the default text.
class DialogSxcuPrompter final : public SxcuPrompter
{
public:
    explicit DialogSxcuPrompter(QWidget* window)
        : m_window(window)
    {
    }

    QString select(const QStringList& alternatives) override;
    QString input(const QString& title, const QString& defaultText) override;

private:
    QPointer<QWidget> m_window;
};
