// The script reader: lines end at CR LF or a lone CR, a lone LF stays in its line, and nothing is lost
// or made up; an instruction line splits at its first colon.
#include "FuzzSupport.h"

#include "engine/ScriptReader.h"

#include <QDir>

namespace
{

// The same cut, written plainly over the bytes in memory.
QList<QByteArray> expectedLines(const QByteArray& script)
{
    QList<QByteArray> lines;
    QByteArray line;
    // A UTF-8 byte-order mark at the start is no part of the first line.
    qsizetype i = script.startsWith("\xef\xbb\xbf") ? 3 : 0;
    while (i < script.size()) {
        if (script[i] != '\r') {
            line.append(script[i++]);
            continue;
        }
        ++i;
        if (i < script.size() && script[i] == '\n')
            ++i;
        lines.append(line);
        line.clear();
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray script(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString path = QDir(Fuzz::CleanFolder()).filePath(QStringLiteral("fuzz.serv"));
    Fuzz::WriteFile(path, script);

    ScriptReader reader;
    Fuzz::Check(reader.open(path), "the script opens");
    QList<QByteArray> lines;
    while (const std::optional<QByteArray> line = reader.nextLine()) {
        Fuzz::Check(!line->contains('\r'), "a line holds no CR", *line);
        lines.append(*line);
        Fuzz::Check(lines.size() <= script.size() + 1, "the reader comes to an end");

        const std::optional<ScriptInstruction> instruction = ScriptLine::Parse(*line);
        if (!instruction)
            continue;
        Fuzz::Check(!line->startsWith(';'), "a comment holds no instruction", *line);
        Fuzz::Check(!instruction->name.contains(':'), "the name ends at the first colon", *line);
        Fuzz::Check(instruction->name + ':' + instruction->value == *line, "name and value make the line", *line);
    }
    Fuzz::Check(!reader.nextLine(), "the end stays the end");
    reader.close();
    Fuzz::Check(lines == expectedLines(script), "the lines are the script cut at CR LF and lone CR", script);
    return 0;
}
