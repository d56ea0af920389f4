#include "ScriptReader.h"

namespace
{

const QByteArray ByteOrderMark = QByteArrayLiteral("\xef\xbb\xbf");

} // namespace

bool ScriptReader::open(const QString& path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    // A UTF-8 byte-order mark that an editor put at the start is no part of the first line.
    if (m_file.peek(ByteOrderMark.size()) == ByteOrderMark)
        m_file.skip(ByteOrderMark.size());
    return true;
}

void ScriptReader::close()
{
    if (m_file.isOpen())
        m_file.close();
}

std::optional<QByteArray> ScriptReader::nextLine()
{
    if (!m_file.isOpen() || m_file.atEnd())
        return std::nullopt;
    QByteArray line;
    char c = 0;
    while (m_file.getChar(&c)) {
        if (c != '\r') {
            line.append(c);
            continue;
        }
        char next = 0;
        if (m_file.getChar(&next) && next != '\n')
            m_file.ungetChar(next);
        break;
    }
    return line;
}

namespace ScriptLine
{

std::optional<ScriptInstruction> Parse(const QByteArray& line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon < 0 || line.startsWith(';'))
        return std::nullopt;
    return ScriptInstruction { line.left(colon), line.mid(colon + 1) };
}

} // namespace ScriptLine
