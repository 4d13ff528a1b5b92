#include "control/ControlMessage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <utility>

namespace {

using Kind = ControlRequest::Kind;

constexpr std::array<std::pair<Kind, const char*>, 4> kind_names{{
    {Kind::identify, "identify"},
    {Kind::show, "show"},
    {Kind::step_aside, "step_aside"},
    {Kind::command, "command"},
}};

QString role_name(HolderRole role)
{
    return role == HolderRole::monitor ? QStringLiteral("monitor") : QStringLiteral("window");
}

QByteArray line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> object_of(const QByteArray& line)
{
    if (line.size() > ControlMessage::max_size)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

// The texts cut to a share of the room, so the line fits whatever they hold.
void cut_to_fit(QJsonObject& object)
{
    const QString note = QStringLiteral("\n[output cut: too long to pass on]\n");
    // An escaped character takes up to six bytes; three texts share the line.
    const qsizetype room = ControlMessage::max_size / 24;
    for (const QString& key :
         {QStringLiteral("out"), QStringLiteral("err"), QStringLiteral("question")}) {
        const QString text = object.value(key).toString();
        if (object.contains(key) && text.size() > room)
            object.insert(key, text.left(room) + note);
    }
}

} // namespace

QByteArray ControlMessage::encode(const ControlRequest& request)
{
    QJsonObject object;
    for (const auto& [kind, name] : kind_names) {
        if (kind == request.kind)
            object.insert(QStringLiteral("request"), QLatin1String(name));
    }
    if (request.kind == Kind::command) {
        object.insert(QStringLiteral("command"), request.command);
        object.insert(QStringLiteral("arguments"), QJsonArray::fromStringList(request.arguments));
    }
    return line(object);
}

QByteArray ControlMessage::encode(const ControlAnswer& answer)
{
    QJsonObject object{{QStringLiteral("role"), role_name(answer.role)},
                       {QStringLiteral("exit_code"), answer.exit_code},
                       {QStringLiteral("out"), answer.out},
                       {QStringLiteral("err"), answer.err}};
    if (answer.question)
        object.insert(QStringLiteral("question"), *answer.question);
    QByteArray encoded = line(object);
    if (encoded.size() > max_size) {
        cut_to_fit(object);
        encoded = line(object);
    }
    return encoded;
}

std::optional<ControlRequest> ControlMessage::decode_request(const QByteArray& line)
{
    const auto object = object_of(line);
    if (!object)
        return std::nullopt;
    const QString name = object->value(QStringLiteral("request")).toString();
    for (const auto& [kind, kind_name] : kind_names) {
        if (name != QLatin1String(kind_name))
            continue;
        ControlRequest request(kind);
        if (kind != Kind::command)
            return request;
        const QJsonValue command = object->value(QStringLiteral("command"));
        const QJsonValue arguments = object->value(QStringLiteral("arguments"));
        if (!command.isString() || !arguments.isArray())
            return std::nullopt;
        request.command = command.toString();
        for (const QJsonValue argument : arguments.toArray()) {
            if (!argument.isString())
                return std::nullopt;
            request.arguments.append(argument.toString());
        }
        return request;
    }
    return std::nullopt;
}

std::optional<ControlAnswer> ControlMessage::decode_answer(const QByteArray& line)
{
    const auto object = object_of(line);
    if (!object)
        return std::nullopt;
    const QString role = object->value(QStringLiteral("role")).toString();
    if (role != role_name(HolderRole::window) && role != role_name(HolderRole::monitor))
        return std::nullopt;
    ControlAnswer answer;
    answer.role = role == role_name(HolderRole::monitor) ? HolderRole::monitor : HolderRole::window;
    answer.exit_code = object->value(QStringLiteral("exit_code")).toInt(1);
    answer.out = object->value(QStringLiteral("out")).toString();
    answer.err = object->value(QStringLiteral("err")).toString();
    if (const QJsonValue question = object->value(QStringLiteral("question")); question.isString())
        answer.question = question.toString();
    return answer;
}
