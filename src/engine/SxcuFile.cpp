#include "SxcuFile.h"

#include "engine/JsonMembers.h"
#include "engine/SxcuValue.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUrl>
#include <QVariant>

#include <algorithm>

namespace
{

const QString LastOldVersion = QStringLiteral("13.7.1");

QString fileText(const QString& fileName)
{
    return QStringLiteral("Файл ") + fileName;
}

// The name of the member called so, whatever the case of its letters, as the file writes it; empty when
// there is none.
QString memberName(const QJsonObject& object, const QString& name)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.key();
    }
    return {};
}

// The member of that name, whatever the case of its letters.
QJsonValue member(const QJsonObject& object, const QString& name)
{
    const QString found = memberName(object, name);
    return found.isEmpty() ? QJsonValue(QJsonValue::Undefined) : object.value(found);
}

QString scalarText(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isDouble())
        return value.toVariant().toString();
    return value.toString();
}

// Dotted version numbers compared part by part.
int compareVersions(const QString& a, const QString& b)
{
    const QStringList left = a.split(u'.');
    const QStringList right = b.split(u'.');
    for (qsizetype i = 0; i < qMax(left.size(), right.size()); ++i) {
        const int x = left.value(i).toInt();
        const int y = right.value(i).toInt();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

class Reader
{
public:
    Reader(const QByteArray& json, const QJsonObject& object, SxcuFile& file)
        : m_json(json)
        , m_object(object)
        , m_file(file)
    {
    }

    void read()
    {
        m_file.Version = text(QStringLiteral("Version"));
        m_file.Name = text(QStringLiteral("Name"));
        m_file.DestinationType = text(QStringLiteral("DestinationType"));
        QString method = text(QStringLiteral("RequestMethod"));
        if (method.isEmpty())
            method = text(QStringLiteral("RequestType"));
        if (!method.isEmpty())
            m_file.RequestMethod = method.toUpper();
        m_file.RequestURL = text(QStringLiteral("RequestURL")).trimmed();
        m_file.Parameters = fields(QStringLiteral("Parameters"));
        m_file.Headers = fields(QStringLiteral("Headers"));
        m_file.Arguments = fields(QStringLiteral("Arguments"));
        m_file.FileFormName = text(QStringLiteral("FileFormName"));
        m_file.Data = text(QStringLiteral("Data"));
        m_file.URL = text(QStringLiteral("URL"));
        m_file.ThumbnailURL = text(QStringLiteral("ThumbnailURL"));
        m_file.DeletionURL = text(QStringLiteral("DeletionURL"));
        m_file.ErrorMessage = text(QStringLiteral("ErrorMessage"));
        m_file.RegexList = list(QStringLiteral("RegexList"));
        readBody();
    }

    QString problem() const { return m_problem; }

private:
    void fail(const QString& text)
    {
        if (m_problem.isEmpty())
            m_problem = text;
    }

    QString wrongType(const QString& field, const QString& expected)
    {
        return fileText(m_file.FileName) + QStringLiteral(": поле ") + field + QStringLiteral(" должно быть ")
            + expected;
    }

    QString text(const QString& name)
    {
        const QJsonValue value = member(m_object, name);
        if (value.isUndefined() || value.isNull())
            return {};
        if (value.isArray() || value.isObject())
            fail(wrongType(name, QStringLiteral("строкой")));
        return scalarText(value);
    }

    SxcuFile::Fields fields(const QString& name)
    {
        const QJsonValue value = member(m_object, name);
        if (value.isUndefined() || value.isNull())
            return {};
        if (!value.isObject()) {
            fail(wrongType(name, QStringLiteral("объектом JSON")));
            return {};
        }
        // In the order of the file: hosts may expect their fields and headers so.
        const QJsonObject object = value.toObject();
        SxcuFile::Fields result;
        QSet<QString> taken;
        const auto take = [&](const QString& key) {
            if (!taken.contains(key) && object.contains(key)) {
                taken.insert(key);
                result.append({ key, scalarText(object.value(key)) });
            }
        };
        for (const QString& key : JsonMembers::NameOrder(m_json, memberName(m_object, name)))
            take(key);
        for (auto it = object.begin(); it != object.end(); ++it)
            take(it.key());
        return result;
    }

    QStringList list(const QString& name)
    {
        const QJsonValue value = member(m_object, name);
        if (value.isUndefined() || value.isNull())
            return {};
        if (!value.isArray()) {
            fail(wrongType(name, QStringLiteral("списком")));
            return {};
        }
        QStringList result;
        for (const QJsonValue item : value.toArray())
            result << scalarText(item);
        return result;
    }

    void readBody()
    {
        const QString body = text(QStringLiteral("Body"));
        static const QList<std::pair<QString, SxcuFile::BodyKind>> kinds = {
            { QStringLiteral("MultipartFormData"), SxcuFile::BodyKind::MultipartFormData },
            { QStringLiteral("Binary"), SxcuFile::BodyKind::Binary },
            { QStringLiteral("FormURLEncoded"), SxcuFile::BodyKind::FormURLEncoded },
            { QStringLiteral("JSON"), SxcuFile::BodyKind::Json },
            { QStringLiteral("XML"), SxcuFile::BodyKind::Xml },
            { QStringLiteral("None"), SxcuFile::BodyKind::None },
        };
        if (body.isEmpty())
            return; // a multipart form, as in files written before the field existed
        for (const auto& [name, kind] : kinds) {
            if (body.compare(name, Qt::CaseInsensitive) == 0) {
                m_file.Body = kind;
                return;
            }
        }
        fail(fileText(m_file.FileName) + QStringLiteral(": неизвестное значение поля Body \"") + body
            + QStringLiteral("\""));
    }

    const QByteArray& m_json;
    const QJsonObject& m_object;
    SxcuFile& m_file;
    QString m_problem;
};

void convertOldSyntax(SxcuFile& file)
{
    const auto convert = [&file](QString& value) { value = SxcuValue::ConvertOldSyntax(value, file.RegexList); };
    for (SxcuFile::Fields* fields : { &file.Parameters, &file.Headers, &file.Arguments }) {
        for (auto& field : *fields)
            convert(field.second);
    }
    for (QString* value :
        { &file.RequestURL, &file.Data, &file.URL, &file.ThumbnailURL, &file.DeletionURL, &file.ErrorMessage })
        convert(*value);
}

// Files that name their writer's version say which syntax they use; the others are taken as old when
// a value calls an old-style function.
bool usesOldSyntax(const SxcuFile& file)
{
    if (!file.Version.isEmpty())
        return compareVersions(file.Version, LastOldVersion) <= 0;
    if (!file.RegexList.isEmpty())
        return true;
    QStringList values { file.RequestURL, file.Data, file.URL, file.ThumbnailURL, file.DeletionURL, file.ErrorMessage };
    for (const SxcuFile::Fields* fields : { &file.Parameters, &file.Headers, &file.Arguments }) {
        for (const auto& field : *fields)
            values << field.second;
    }
    return std::any_of(values.begin(), values.end(), [](const QString& v) { return SxcuValue::HasOldSyntax(v); });
}

// What keeps the file from an image upload; empty when nothing does.
QString uploadProblem(SxcuFile& file)
{
    const QString prefix = fileText(file.FileName) + QStringLiteral(": ");
    static const QStringList methods = { QStringLiteral("POST"), QStringLiteral("PUT"), QStringLiteral("PATCH"),
        QStringLiteral("GET"), QStringLiteral("DELETE") };
    if (file.RequestURL.isEmpty())
        return prefix + QStringLiteral("нет поля RequestURL с адресом для закачки");
    QString address = file.RequestURL;
    if (!address.contains(QLatin1String("://")))
        address.prepend(QStringLiteral("https://"));
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return prefix + QStringLiteral("поле RequestURL \"") + file.RequestURL
            + QStringLiteral("\" не является адресом http:// или https://");
    file.RequestURL = address;
    if (file.Name.isEmpty())
        file.Name = url.host();
    if (!methods.contains(file.RequestMethod))
        return prefix + QStringLiteral("метод \"") + file.RequestMethod
            + QStringLiteral("\" в поле RequestMethod не поддерживается");
    if (file.Body != SxcuFile::BodyKind::MultipartFormData && file.Body != SxcuFile::BodyKind::Binary)
        return prefix
            + QStringLiteral("поле Body не годится для закачки изображения: нужно MultipartFormData "
                             "или Binary");
    if (file.Body == SxcuFile::BodyKind::MultipartFormData && file.FileFormName.trimmed().isEmpty())
        return prefix + QStringLiteral("для Body MultipartFormData нужно поле FileFormName (имя части с файлом)");
    const QString types = file.DestinationType;
    if (!types.trimmed().isEmpty() && !types.contains(QLatin1String("ImageUploader"), Qt::CaseInsensitive)
        && !types.contains(QLatin1String("FileUploader"), Qt::CaseInsensitive))
        return prefix + QStringLiteral("поле DestinationType \"") + types
            + QStringLiteral("\" не называет закачку изображений (ImageUploader) или файлов (FileUploader)");
    return {};
}

} // namespace

SxcuFile SxcuFile::Read(const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SxcuFile unread;
        unread.FileName = fileName;
        unread.Problem = QStringLiteral("Не удалось прочитать файл ") + fileName;
        return unread;
    }
    if (file.size() > MaxFileBytes) {
        SxcuFile tooLarge;
        tooLarge.FileName = fileName;
        tooLarge.Problem = fileText(fileName) + QStringLiteral(" больше 1 МБ: это не файл закачки");
        return tooLarge;
    }
    return Parse(file.readAll(), fileName);
}

SxcuFile SxcuFile::Parse(const QByteArray& bytes, const QString& fileName)
{
    SxcuFile file;
    file.FileName = fileName;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        file.Problem = fileText(fileName) + QStringLiteral(": неверный JSON (") + error.errorString()
            + QStringLiteral(", позиция ") + QString::number(error.offset) + QStringLiteral(")");
        return file;
    }
    if (!document.isObject()) {
        file.Problem = fileText(fileName) + QStringLiteral(": ожидается объект JSON с полями закачки");
        return file;
    }
    const QJsonObject object = document.object();
    Reader reader(bytes, object, file);
    reader.read();
    file.OldSyntax = usesOldSyntax(file);
    if (file.OldSyntax)
        convertOldSyntax(file);
    file.Problem = reader.problem();
    if (file.Problem.isEmpty())
        file.Problem = uploadProblem(file);
    return file;
}
