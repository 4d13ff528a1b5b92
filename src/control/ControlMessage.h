#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Which kind of process holds a data folder and answers on its control socket.
enum class HolderRole { window, monitor };

// How each describes itself in the lock file, for a process that finds the
// folder in use before the holder answers.
inline QString holder_description(HolderRole role)
{
    return role == HolderRole::monitor ? QStringLiteral("tessary monitor")
                                       : QStringLiteral("the Tessary window");
}

// What another Tessary process asks the holder of its data folder.
struct ControlRequest {
    enum class Kind {
        identify,   // which kind of holder are you
        show,       // bring the window forward (a second start of the window)
        step_aside, // let go of the folder for the window (a monitor only)
        command,    // run an editing command against your store
    };
    explicit ControlRequest(Kind kind = Kind::identify, QString command = {},
                            QStringList arguments = {})
        : kind(kind), command(std::move(command)), arguments(std::move(arguments))
    {}

    Kind kind;
    // For `command`: its name and its arguments, as typed.
    QString command;
    QStringList arguments;

    bool operator==(const ControlRequest&) const = default;
};

// The holder's answer.
struct ControlAnswer {
    explicit ControlAnswer(HolderRole role = HolderRole::window) : role(role) {}

    HolderRole role;
    // `command`: what it printed and its exit code, unless it first needs the
    // user to confirm `question` (then it changed nothing).
    int exit_code = 0;
    QString out;
    QString err;
    std::optional<QString> question;

    bool operator==(const ControlAnswer&) const = default;
};

// One compact JSON object per line, at most max_size bytes with the line break.
namespace ControlMessage {

inline constexpr qsizetype max_size = 64 * 1024;
// One deadline for a whole exchange, the same on both sides.
inline constexpr int deadline_ms = 2000;

// An answer whose output would not fit has it cut, with a note saying so.
QByteArray encode(const ControlRequest& request);
QByteArray encode(const ControlAnswer& answer);

// None for anything but a well-formed message (the line break may be left off).
std::optional<ControlRequest> decode_request(const QByteArray& line);
std::optional<ControlAnswer> decode_answer(const QByteArray& line);

} // namespace ControlMessage
