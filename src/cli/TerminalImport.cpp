#include "TerminalImport.h"

#include "TerminalCommand.h"
#include "engine/ServerCatalogue.h"
#include "engine/SxcuImport.h"
#include "engine/SxcuPrompter.h"

#include <QTextStream>

namespace
{

const QString NotInteractive = QStringLiteral("Стандартный ввод - не терминал, спросить некого.");

// The answers typed in the terminal; none when stdin is no terminal.
class TerminalPrompter final : public SxcuPrompter
{
public:
    TerminalPrompter(QTextStream& in, bool interactive, QTextStream& err)
        : m_in(in)
        , m_interactive(interactive)
        , m_err(err)
    {
    }

    QString select(const QStringList& alternatives) override { return alternatives.value(0); }

    QString input(const QString& title, const QString&) override { return ask(title + QStringLiteral(": ")); }

    // One line read after the question; empty when there is nobody to ask or the input ended.
    QString ask(const QString& question)
    {
        if (!m_interactive)
            return {};
        m_err << question << Qt::flush;
        return m_in.readLine().trimmed();
    }

    bool isInteractive() const { return m_interactive; }

private:
    QTextStream& m_in;
    bool m_interactive;
    QTextStream& m_err;
};

} // namespace

namespace TerminalImport
{

int Run(const QString& programFolder, const QString& path, QTextStream& in, bool interactive, QTextStream& err)
{
    using TerminalCommand::ExitStatus;
    TerminalPrompter prompter(in, interactive, err);
    SxcuImport::Result result = SxcuImport::Import(programFolder, path, prompter);
    if (result.status == SxcuImport::Status::Exists
        && ServerCatalogue::KindOf(programFolder, result.server) == ServerCatalogue::ProfileKind::Sxcu) {
        const QString answer = prompter.ask(result.message + QStringLiteral(". Заменить его? (д/н): "));
        if (answer.startsWith(QStringLiteral("д"), Qt::CaseInsensitive)
            || answer.startsWith(QLatin1Char('y'), Qt::CaseInsensitive))
            result = SxcuImport::Import(programFolder, path, prompter, true);
    }
    if (result.status != SxcuImport::Status::Imported) {
        err << result.message << Qt::endl;
        const bool unasked
            = result.status == SxcuImport::Status::NotFilled || result.status == SxcuImport::Status::Exists;
        if (unasked && !prompter.isInteractive())
            err << NotInteractive << Qt::endl;
        return ExitStatus::UploadFailed;
    }
    err << QStringLiteral("Сервер добавлен: ") << result.server << Qt::endl;
    return ExitStatus::Success;
}

} // namespace TerminalImport
