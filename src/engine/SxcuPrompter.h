#pragma once

#include <QString>
#include <QStringList>

// What a custom-uploader value asks the user: a choice among alternatives ({select:}) or a typed text
// ({inputbox:}, {prompt:}). A window answers with a dialog; an unattended upload takes the first choice
// or the default text.
class SxcuPrompter
{
public:
    virtual ~SxcuPrompter() = default;

    // One of the alternatives (never called with an empty list).
    virtual QString select(const QStringList& alternatives) = 0;
    // The text the user typed, the default text when nothing better is known.
    virtual QString input(const QString& title, const QString& defaultText) = 0;
};

// The answers of an upload that nobody watches.
class UnattendedSxcuPrompter final : public SxcuPrompter
{
public:
    QString select(const QStringList& alternatives) override { return alternatives.value(0); }
    QString input(const QString&, const QString& defaultText) override { return defaultText; }
};
