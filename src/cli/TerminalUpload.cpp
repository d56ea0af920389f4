#include "TerminalUpload.h"

#include "TerminalCommand.h"
#include "TerminalImport.h"
#include "engine/ServerCatalogue.h"
#include "engine/SxcuPrompter.h"
#include "engine/Uploader.h"
#include "engine/UploaderFactory.h"
#include "image/ImageLimits.h"
#include "image/ImageSelection.h"
#include "journal/Journal.h"
#include "links/LinkTables.h"
#include "links/LinkTypes.h"
#include "platform/TerminationSignals.h"
#include "settings/OptionsModule.h"

#include <QDateTime>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace
{

using TerminalCommand::ExitStatus;

// Texts with their numbers left out: a status that only counts on is not printed again.
QString withoutNumbers(QString text)
{
    static const QRegularExpression digits(QStringLiteral("[0-9]+"));
    return text.remove(digits);
}

QString lines(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// Follows one upload and tells the terminal what happens.
class Follower final
{
public:
    Follower(Uploader& uploader, QTextStream& err)
        : m_err(err)
    {
        QObject::connect(&uploader, &Uploader::statusChanged, [this](const QString& text) { status(text); });
        QObject::connect(
            &uploader, &Uploader::progressChanged, [this](qint64 sent, qint64 total) { progress(sent, total); });
        QObject::connect(&uploader, &Uploader::message,
            [this](const QString& text, const QString& title) { m_err << title << ": " << lines(text) << Qt::endl; });
        QObject::connect(&uploader, &Uploader::ended, [this](Uploader::Outcome outcome) {
            m_outcome = outcome;
            m_loop.quit();
        });
    }

    Uploader::Outcome wait()
    {
        m_loop.exec();
        return m_outcome;
    }

private:
    void status(const QString& text)
    {
        const QString kind = withoutNumbers(text);
        if (kind == m_lastKind)
            return;
        m_lastKind = kind;
        m_err << text << Qt::endl;
    }

    void progress(qint64 sent, qint64 total)
    {
        if (total <= 0)
            return;
        const qint64 tenths = sent * 10 / total;
        if (tenths == m_lastTenths)
            return;
        m_lastTenths = tenths;
        m_err << QStringLiteral("Передано %1% (%2 Кб из %3 Кб)").arg(tenths * 10).arg(sent / 1024).arg(total / 1024)
              << Qt::endl;
    }

    QTextStream& m_err;
    QEventLoop m_loop;
    QString m_lastKind;
    qint64 m_lastTenths = -1;
    Uploader::Outcome m_outcome = Uploader::Outcome::Failed;
};

// The window's check of the picture against the service's limits: the verdict its information window shows.
// A file that no picture reader knows counts as 0 by 0 pixels, so only its size is checked.
QString limitsVerdict(const QString& programFolder, const TerminalCommand::Request& request)
{
    const ServerInfo info = ServerCatalogue::LoadServerInfo(programFolder, request.Service);
    const ImageSelection::ImageValues picture = ImageSelection::Measure(request.ImagePath);
    return ImageLimits::CheckImageLimits({ info.MaxWidth, info.MaxHeight, info.MaxSize }, picture.CurrentImageWidth,
        picture.CurrentImageHeight, picture.CurrentImageSize);
}

int exitStatusOf(Uploader::Outcome outcome)
{
    switch (outcome) {
    case Uploader::Outcome::Success:
        return ExitStatus::Success;
    case Uploader::Outcome::TimedOut:
        return ExitStatus::TimedOut;
    case Uploader::Outcome::Failed:
    case Uploader::Outcome::Stopped:
        break;
    }
    return ExitStatus::UploadFailed;
}

} // namespace

namespace TerminalUpload
{

int Run(const QString& programFolder, const QStringList& arguments, const QString& currentFolder, QTextStream& out,
    QTextStream& err)
{
    const TerminalCommand::Mode mode = TerminalCommand::ModeOf(arguments);
    if (mode == TerminalCommand::Mode::Help || mode == TerminalCommand::Mode::Version) {
        const TerminalCommand::Parse parse = TerminalCommand::ParseArguments(arguments, currentFolder, {});
        if (!parse.errors.isEmpty()) {
            err << parse.errors.join(QLatin1Char('\n')) << Qt::endl;
            return ExitStatus::BadCommandLine;
        }
        out << (mode == TerminalCommand::Mode::Help ? TerminalCommand::HelpText() : TerminalCommand::VersionText());
        out.flush();
        return ExitStatus::Success;
    }

    OptionsModule options(programFolder);
    options.LoadOptions(OptionsModule::Leftovers::Keep);
    LinkTables tables;
    LinkTypes::AddLinkTypes(programFolder, tables);
    const TerminalCommand::Facts facts { ServerCatalogue::BuildServerList(programFolder), tables.enabledCount() };
    const TerminalCommand::Parse parse = TerminalCommand::ParseArguments(arguments, currentFolder, facts);
    if (!parse.errors.isEmpty()) {
        err << parse.errors.join(QLatin1Char('\n')) << Qt::endl
            << QStringLiteral("Подробнее: pictoferry --help") << Qt::endl;
        return ExitStatus::BadCommandLine;
    }

    const TerminalCommand::Request& request = parse.request;
    if (parse.mode == TerminalCommand::Mode::Import) {
        QTextStream in(stdin);
        return TerminalImport::Run(programFolder, request.ImportPath, in, isatty(STDIN_FILENO) == 1, err);
    }
    // A picture the service would refuse is not sent: the window keeps its upload button off for it.
    const QString verdict = limitsVerdict(programFolder, request);
    if (!ImageLimits::IsAcceptable(verdict)) {
        err << lines(verdict);
        err.flush();
        return ExitStatus::UploadFailed;
    }
    const int serverIndex = static_cast<int>(facts.Services.indexOf(request.Service));
    // Nobody answers the questions of a custom-uploader file here: the first choice and the default text.
    UnattendedSxcuPrompter prompter;
    const std::unique_ptr<Uploader> uploader(
        UploaderFactory::Create(programFolder, options.settings(), request.Service, nullptr, &prompter));
    Follower follower(*uploader, err);
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, uploader.get(), &Uploader::StopUpload);
    if (!uploader->StartUpload(serverIndex, request.Service, request.ImagePath))
        return ExitStatus::UploadFailed;
    const int status = exitStatusOf(follower.wait());
    if (status != ExitStatus::Success)
        return status;

    const QString imageLink = uploader->ImageLink();
    if (imageLink.isEmpty()) {
        err << QStringLiteral("Сервер не отдал ссылку на изображение.") << Qt::endl;
        return ExitStatus::UploadFailed;
    }
    QString previewLink = uploader->PreviewLink();
    if (previewLink.isEmpty())
        previewLink = imageLink;
    const int slot = request.LinkType > 0 ? tables.slotForPosition(request.LinkType - 1) : 0;
    const QString link
        = slot > 0 ? LinkTypes::ApplyPattern(tables.LinkPatterns(slot), imageLink, previewLink) : imageLink;
    if (!Journal::AppendJournalRecord(programFolder, uploader->CurrentImagePath(), imageLink, previewLink,
            QDateTime::currentDateTime(), uploader->DeletionLink()))
        err << QStringLiteral("Не удалось записать журнал закачек: ") << Journal::JournalPath(programFolder)
            << Qt::endl;
    out << link << Qt::endl;
    return ExitStatus::Success;
}

} // namespace TerminalUpload
