#include "SxcuImport.h"

#include "engine/JsonMembers.h"
#include "engine/ServerCatalogue.h"
#include "engine/SxcuFile.h"
#include "engine/SxcuPrompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

namespace
{

const QString Suffix = QStringLiteral(".sxcu");
const QStringList ObjectFields
    = { QStringLiteral("Parameters"), QStringLiteral("Headers"), QStringLiteral("Arguments") };

const QRegularExpression& placeholderPattern()
{
    static const QRegularExpression pattern(QStringLiteral("<[A-Za-z][^<>{}|\\r\\n]*>"));
    return pattern;
}

// A name that holds a credential, which an upload cannot do without once its author put it in the file.
bool namesCredential(const QString& key)
{
    static const QRegularExpression credential(
        QStringLiteral("key|token|auth|client.?id"), QRegularExpression::CaseInsensitiveOption);
    return credential.match(key).hasMatch();
}

// The member's name as the file writes it, whatever the case asked for; empty when there is none.
QString memberName(const QJsonObject& object, const QString& name)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.key();
    }
    return {};
}

// Text in angle brackets that asks for a value rather than marks something up: words with a blank
// ("<API KEY HERE>"), capitals ("<TOKEN>"), or the whole value ("<your key>"). "<b>" within text is markup.
bool isPlaceholder(const QString& candidate, const QString& value)
{
    const QString inner = candidate.sliced(1, candidate.size() - 2);
    return inner.contains(u' ') || inner.toUpper() == inner || candidate == value.trimmed();
}

void addPlaceholders(QList<SxcuImport::Blank>& blanks, const QString& field, const QString& key, const QString& value)
{
    auto it = placeholderPattern().globalMatch(value);
    while (it.hasNext()) {
        const QString candidate = it.next().captured();
        if (isPlaceholder(candidate, value))
            blanks.append({ field, key, candidate });
    }
}

QString serviceName(const QString& sourcePath)
{
    const QString fileName = QFileInfo(sourcePath).fileName();
    if (fileName.endsWith(Suffix, Qt::CaseInsensitive))
        return fileName.chopped(Suffix.size());
    return QFileInfo(sourcePath).completeBaseName();
}

bool isUsableName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'.'))
        return false;
    return std::none_of(name.begin(), name.end(),
        [](QChar c) { return c == u'/' || c == u'\\' || c.category() == QChar::Other_Control; });
}

SxcuImport::Result failure(SxcuImport::Status status, const QString& server, const QString& message)
{
    return { status, server, message };
}

// The question for a blank: the file, where the value stands and what is to be replaced.
QString question(const QString& fileName, const SxcuImport::Blank& blank)
{
    QString where = blank.field;
    if (!blank.key.isEmpty())
        where += QStringLiteral(" › ") + blank.key;
    const QString what = blank.placeholder.isEmpty() ? QStringLiteral("нужно значение") : blank.placeholder;
    return fileName + QStringLiteral(", ") + where + QStringLiteral(": ") + what;
}

// Fills every blank of the file's text through the prompter, in place: the rest of the text, the order of its
// members among it, stays as the author wrote it. A placeholder that appears more than once is asked for
// once. False (with the blank's question) when an answer is empty.
bool fill(QByteArray& json, const QList<SxcuImport::Blank>& blanks, const QString& fileName, SxcuPrompter& prompter,
    QString& unanswered)
{
    QHash<QString, QString> answers;
    for (const SxcuImport::Blank& blank : blanks) {
        QString answer = blank.placeholder.isEmpty() ? QString() : answers.value(blank.placeholder);
        if (answer.isEmpty()) {
            answer = prompter.input(question(fileName, blank), QString());
            if (answer.isEmpty()) {
                unanswered = question(fileName, blank);
                return false;
            }
            if (!blank.placeholder.isEmpty())
                answers.insert(blank.placeholder, answer);
        }
        // The value as the earlier answers left it.
        const QJsonObject object = QJsonDocument::fromJson(json).object();
        const QString field = memberName(object, blank.field);
        if (blank.key.isEmpty()) {
            json = JsonMembers::ReplaceValue(
                json, {}, field, object[field].toString().replace(blank.placeholder, answer));
            continue;
        }
        const QString current = object[field].toObject()[blank.key].toString();
        json = JsonMembers::ReplaceValue(json, field, blank.key,
            blank.placeholder.isEmpty() ? answer : QString(current).replace(blank.placeholder, answer));
    }
    return true;
}

// The file's text with its blanks filled; the text itself when it has none; empty when an answer is empty.
QByteArray filled(const QByteArray& bytes, const QString& fileName, SxcuPrompter& prompter, QString& unanswered)
{
    const QList<SxcuImport::Blank> blanks = SxcuImport::FindBlanks(bytes);
    QByteArray json = bytes;
    if (!blanks.isEmpty() && !fill(json, blanks, fileName, prompter, unanswered))
        return {};
    return json;
}

// Answers that stand for what a user may type, for checking a file before anything is asked.
class SampleAnswers final : public SxcuPrompter
{
public:
    QString select(const QStringList& alternatives) override { return alternatives.value(0); }
    QString input(const QString&, const QString&) override { return QStringLiteral("x"); }
};

bool writeWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

namespace SxcuImport
{

QList<Blank> FindBlanks(const QByteArray& json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    QList<Blank> blanks;
    const QString url = memberName(object, QStringLiteral("RequestURL"));
    if (!url.isEmpty())
        addPlaceholders(blanks, QStringLiteral("RequestURL"), {}, object[url].toString());
    for (const QString& name : ObjectFields) {
        const QJsonObject values = object[memberName(object, name)].toObject();
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (!it.value().isString())
                continue;
            const QString value = it.value().toString();
            if (value.trimmed().isEmpty() && namesCredential(it.key()))
                blanks.append({ name, it.key(), {} });
            else
                addPlaceholders(blanks, name, it.key(), value);
        }
    }
    return blanks;
}

Result Import(const QString& programFolder, const QString& sourcePath, SxcuPrompter& prompter, bool replace)
{
    const QString fileName = QFileInfo(sourcePath).fileName();
    const QString server = serviceName(sourcePath);
    if (!isUsableName(server))
        return failure(Status::Invalid, server,
            QStringLiteral("Из имени файла ") + fileName + QStringLiteral(" не получается имя сервиса"));
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly) || source.size() > SxcuFile::MaxFileBytes)
        return failure(Status::Invalid, server, SxcuFile::Read(sourcePath).Problem);
    const QByteArray original = source.readAll();
    // Checked as it will be once filled, so that a placeholder in the address is no fault of the file.
    SampleAnswers samples;
    QString unanswered;
    const SxcuFile trial = SxcuFile::Parse(filled(original, fileName, samples, unanswered), fileName);
    if (!trial.isUsable())
        return failure(Status::Invalid, server, trial.Problem);

    if (ServerCatalogue::KindOf(programFolder, server) == ServerCatalogue::ProfileKind::Script)
        return failure(Status::Exists, server,
            QStringLiteral("Сервис ") + server + QStringLiteral(" уже есть: его профиль ") + server
                + QStringLiteral(".serv"));
    const QString target = ServerCatalogue::SxcuPath(programFolder, server);
    QFile existing(target);
    if (existing.open(QIODevice::ReadOnly)) {
        if (existing.readAll() == original)
            return { Status::Imported, server, {} };
        if (!replace)
            return failure(Status::Exists, server,
                QStringLiteral("Сервис ") + server + QStringLiteral(" уже есть: файл ") + server + Suffix);
    }

    const QByteArray bytes = filled(original, fileName, prompter, unanswered);
    if (bytes.isEmpty())
        return failure(Status::NotFilled, server, QStringLiteral("Не задано значение: ") + unanswered);
    const SxcuFile result = SxcuFile::Parse(bytes, fileName);
    if (!result.isUsable())
        return failure(Status::Invalid, server, result.Problem);
    if (!QDir().mkpath(QDir(programFolder).filePath(QStringLiteral("data"))) || !writeWhole(target, bytes))
        return failure(Status::WriteFailed, server,
            QStringLiteral("Не удалось записать файл ") + QDir::toNativeSeparators(target));
    return { Status::Imported, server, {} };
}

} // namespace SxcuImport
