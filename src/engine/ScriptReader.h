#pragma once

#include <QByteArray>
#include <QFile>

#include <optional>

// One server profile script, open for reading from the start of an upload to its end and read strictly
// forward, one line per step. CR LF and a lone CR end a line; a lone LF does not (it stays in the line).
class ScriptReader final
{
public:
    // Opens the script, passing over a UTF-8 byte-order mark at its start; false when the file cannot be read.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }

    // The next line without its ending, or nothing when the script has no more lines.
    std::optional<QByteArray> nextLine();

private:
    QFile m_file;
};

// An instruction line of a script: the name before its first ":" and the value after it, untrimmed.
struct ScriptInstruction {
    QByteArray name;
    QByteArray value;
};

namespace ScriptLine
{

// The instruction a line holds: a line with a ":" whose first character is not ";". Blank lines, comments
// and lines without ":" hold none.
std::optional<ScriptInstruction> Parse(const QByteArray& line);

} // namespace ScriptLine
