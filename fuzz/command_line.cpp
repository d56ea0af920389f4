// The command-line parser: any text and any list of services. The results stay in their ranges, every
// problem is one line, an accepted command line names a listed service and has no problems, and a
// command line rebuilt from arguments gives back the picture's path.
#include "FuzzSupport.h"

#include "app/ParseCommandSting.h"

using namespace ParseCommandSting;

namespace
{

void checkResult(const ParseResult& parse, const ProgramFacts& facts)
{
    const CommandLineResults& results = parse.results;
    Fuzz::Check(
        results.CmdLinkType == -1 || (results.CmdLinkType >= 1 && results.CmdLinkType <= facts.OfferedLinkTypes),
        "the link type is -1 or one that is offered");
    Fuzz::Check(
        results.CmdServer.isEmpty() || facts.ServerNames.contains(results.CmdServer), "the service is one of the list");
    Fuzz::Check(results.CmdAccepted == (parse.errors.isEmpty() && !results.CmdServer.isEmpty()),
        "accepted means a service and no problems");
    Fuzz::Check(parse.errors.isEmpty() || parse.errors.endsWith(QStringLiteral("\r\n")), "every problem ends its line");
    for (const QString& line : parse.errors.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        Fuzz::Check(line.startsWith(QStringLiteral("- ")), "every problem is a line of the list", line.toUtf8());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // settings byte, the services (one a line), the arguments separated by NUL
    const QList<QByteArray> fields = Fuzz::Fields(data, size, 3);
    const char settings = fields[0].isEmpty() ? 0 : fields[0][0];
    ProgramFacts facts;
    facts.CommandLine = (settings & 0x40) == 0;
    facts.OfferedLinkTypes = settings & 7;
    facts.ServerNames = QString::fromUtf8(fields[1]).split(u'\n');
    facts.FileExists = [](const QString& path) { return path.endsWith(QStringLiteral(".jpg")); };

    QStringList arguments;
    for (const QByteArray& argument : fields[2].split('\0'))
        arguments.append(QString::fromUtf8(argument));

    // The text as the start-up hands it over: rebuilt from the arguments, a lone quoted path unquoted.
    const QString text = CommandLineText(arguments);
    const ParseResult parse = ParseCommandSting::ParseCommandSting(StripQuotes(text), facts);
    checkResult(parse, facts);
    if (!facts.CommandLine) {
        Fuzz::Check(!parse.results.CmdAccepted && parse.errors.isEmpty() && parse.results.CmdFile.isEmpty(),
            "with the setting off nothing is parsed");
        return 0;
    }

    // With options the quotes stay and the path comes back whole, unless it holds a quote itself.
    const ParseResult quoted = ParseCommandSting::ParseCommandSting(text, facts);
    checkResult(quoted, facts);
    if (!arguments.first().contains(u'"'))
        Fuzz::Check(quoted.results.CmdFile == arguments.first(), "the path comes back", text.toUtf8());
    Fuzz::Check(quoted.errors.contains(QStringLiteral(" не найден.")) == !facts.FileExists(quoted.results.CmdFile),
        "a missing picture is reported", text.toUtf8());

    // The raw text as well, whatever it is.
    checkResult(ParseCommandSting::ParseCommandSting(QString::fromUtf8(fields[2]), facts), facts);
    return 0;
}
