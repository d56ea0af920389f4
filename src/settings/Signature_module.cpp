#include "Signature_module.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace
{

constexpr qsizetype HeaderSize = 98;
constexpr qsizetype BlockSize = 5120;
constexpr qsizetype PayloadStep = 49;
// The payload sits at every 49th position after the first 100, and all of it inside the block.
static_assert(PayloadStep * 3 > 100);
static_assert(PayloadStep * (2 * Signature_module::MaxCredentialBytes + 2) <= HeaderSize + BlockSize);

const QByteArray Header = QByteArrayLiteral(";[Encrypting Key File]\r\n"
                                            ";[Do not edit!]\r\n"
                                            "\r\n"
                                            "{Signature bytes total:=5120}\r\n"
                                            "{Signature code value}\r\n");
const QByteArray AfterBlock = QByteArrayLiteral("\r\n{End signature}\r\n\r\n{Control code value}\r\n");
const QByteArray EndMarker = QByteArrayLiteral("\r\n{End file}");
const QByteArray LineEnd = QByteArrayLiteral("\r\n");

QString datPath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("proxy.dat"));
}

QByteArray reversed(const QByteArray& bytes)
{
    QByteArray result = bytes;
    std::reverse(result.begin(), result.end());
    return result;
}

} // namespace

namespace Signature_module
{

void SaveProxyCredentialBytes(const QString& programFolder, const QByteArray& user, const QByteArray& password)
{
    if (user.isEmpty() || password.isEmpty() || user.size() > MaxCredentialBytes
        || password.size() > MaxCredentialBytes)
        return;

    const QByteArray payload = reversed(user) + reversed(password);

    Q_ASSERT(Header.size() == HeaderSize);
    QByteArray content = Header;
    content.reserve(Header.size() + BlockSize + 128);
    QRandomGenerator* random = QRandomGenerator::global();
    for (qsizetype i = 0; i < BlockSize; ++i)
        content.append(static_cast<char>(random->bounded(50, 200)));
    content += AfterBlock;
    content += QByteArray::number(user.size() * 1024 + 3) + '-' + QByteArray::number(password.size() * 1024 + 5);
    content += EndMarker;

    // Payload character i (from 1) takes file position 49 * (i + 2): 147, 196, ... all inside the block.
    for (qsizetype i = 0; i < payload.size(); ++i)
        content[PayloadStep * (i + 3) - 1] = payload[i];
    content += LineEnd;

    QSaveFile file(datPath(programFolder));
    if (!file.open(QIODevice::WriteOnly))
        return;
    // Owner-only before a single byte is written.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(content);
    file.commit();
}

std::optional<CredentialBytes> LoadProxyCredentialBytes(const QString& programFolder)
{
    QFile file(datPath(programFolder));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A sound file is a little over 5 KB; anything far larger is not one.
    if (file.size() > 64 * 1024)
        return std::nullopt;
    QByteArray content = file.readAll();

    // The layout is fixed byte for byte: header, block, markers, control line, end marker, an optional
    // final line end. Anything else is a damaged file and holds no credentials.
    if (content.endsWith(LineEnd))
        content.chop(LineEnd.size());
    if (!content.startsWith(Header) || !content.endsWith(EndMarker))
        return std::nullopt;
    const qsizetype afterBlock = HeaderSize + BlockSize;
    if (content.size() < afterBlock + AfterBlock.size() + EndMarker.size()
        || content.mid(afterBlock, AfterBlock.size()) != AfterBlock)
        return std::nullopt;
    const qsizetype controlStart = afterBlock + AfterBlock.size();
    const QByteArray control = content.mid(controlStart, content.size() - EndMarker.size() - controlStart);

    static const QRegularExpression controlLine(QStringLiteral("^(\\d{1,9})-(\\d{1,9})$"));
    const QRegularExpressionMatch match = controlLine.match(QString::fromLatin1(control));
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 userNumber = match.captured(1).toLongLong();
    const qint64 passwordNumber = match.captured(2).toLongLong();
    if ((userNumber - 3) % 1024 != 0 || (passwordNumber - 5) % 1024 != 0)
        return std::nullopt;
    const qint64 userLength = (userNumber - 3) / 1024;
    const qint64 passwordLength = (passwordNumber - 5) / 1024;
    if (userLength < 1 || userLength > MaxCredentialBytes || passwordLength < 1 || passwordLength > MaxCredentialBytes)
        return std::nullopt;

    QByteArray payload;
    for (qint64 i = 0; i < userLength + passwordLength; ++i)
        payload += content[PayloadStep * (i + 3) - 1];
    const QByteArray back = reversed(payload);
    return CredentialBytes { back.mid(passwordLength, userLength), back.left(passwordLength) };
}

QString CredentialsProblem(const QString& user, const QString& password)
{
    QString problem;
    const auto check = [&problem](const QString& text, const QString& what) {
        const qsizetype bytes = text.toLocal8Bit().size();
        if (bytes > MaxCredentialBytes)
            problem += what + QStringLiteral(" занимает ") + QString::number(bytes)
                + QStringLiteral(" байт, а помещается не более ") + QString::number(MaxCredentialBytes)
                + QStringLiteral(" (русская буква занимает 2 байта).\r\n");
    };
    check(user, QStringLiteral("Имя пользователя прокси"));
    check(password, QStringLiteral("Пароль прокси"));
    return problem;
}

void SaveProxyCredentials(const QString& programFolder, const QString& user, const QString& password)
{
    SaveProxyCredentialBytes(programFolder, user.toLocal8Bit(), password.toLocal8Bit());
}

QString LoadProxyCredentials(const QString& programFolder)
{
    const std::optional<CredentialBytes> credentials = LoadProxyCredentialBytes(programFolder);
    if (!credentials)
        return {};
    return QString::fromLocal8Bit(credentials->user) + u'\t' + QString::fromLocal8Bit(credentials->password);
}

QByteArray Base64Encode(const QString& text)
{
    return text.toLocal8Bit().toBase64();
}

} // namespace Signature_module
