#pragma once

#include <QSize>
#include <QString>

#include <functional>

class QWidget;

// The system's open-file dialog. The filter is given as the classic list of pairs, each a description
// and its patterns (separated by ";"), every item followed by a NUL; the initial directory may also
// name a file, which the dialog then preselects in its folder.
class CommonDialog final
{
public:
    struct OpenFileRequest {
        QString title;
        QString filter;
        QWidget* owner = nullptr;
        QString initialDir;
    };

    // The hook answers in place of the dialog (tests); an empty hook brings the real dialog back.
    using OpenFileHook = std::function<QString(const OpenFileRequest&)>;
    static void SetOpenFileHook(OpenFileHook hook);

    // The chosen path, or empty text when the user cancels.
    QString OpenFile(const QString& title, const QString& filter, QWidget* owner, const QString& initialDir) const;

    // The filter in the form of QFileDialog: "description (patterns)" entries joined by ";;". Patterns
    // match without regard to case, as the names of picture files are written either way.
    static QString QtFilter(const QString& filter);

    // The size the dialog opens at: its columns readable, within the owner's screen.
    static QSize ReadableSize(const QWidget* owner);
};
