#include "ForwardedCommand.h"

#include "Commands.h"
#include "EditingCommands.h"
#include "control/ControlClient.h"
#include "control/ControlPaths.h"
#include "store/TessaryStore.h"

ControlAnswer ForwardedCommand::run(const ControlRequest& request, TessaryStore& store,
                                    HolderRole role)
{
    ControlAnswer answer(role);
    const Command* command = find_command(request.command);
    QTextStream out(&answer.out);
    QTextStream err(&answer.err);
    if (command == nullptr || !command->edits) {
        err << "tessary: the running Tessary does not run \"" << request.command << "\"\n";
        answer.exit_code = 1;
        return answer;
    }
    CommandContext context{
        .arguments = request.arguments,
        .data_directory = store.files().support_directory,
        .out = out,
        .err = err,
        .running_store = &store,
        .unanswered_question = std::nullopt,
    };
    answer.exit_code = command->run(context);
    out.flush();
    err.flush();
    if (context.unanswered_question) {
        answer = ControlAnswer(role);
        answer.exit_code = 1;
        answer.question = context.unanswered_question;
    }
    return answer;
}

std::optional<int> ForwardedCommand::hand_to_holder(CommandContext& context, const Command& command)
{
    const auto socket = ControlPaths::socket_path(context.data_directory);
    if (!socket)
        return std::nullopt;
    ControlRequest request(ControlRequest::Kind::command, QString::fromLatin1(command.name),
                           context.arguments);
    for (;;) {
        const auto answer = ControlClient::exchange(*socket, request);
        if (!answer && answer.error() == ControlClient::Failure::no_holder)
            return std::nullopt;
        if (!answer) {
            context.err << "tessary " << command.name
                        << ": the running Tessary did not answer in time; the change may or may "
                           "not have been made (see tessary list)\n";
            return 1;
        }
        if (!answer->question) {
            context.out << answer->out;
            context.err << answer->err;
            return answer->exit_code;
        }
        if (!confirm_at_terminal(context, *answer->question))
            return 1;
        request.arguments.append(QStringLiteral("--yes"));
    }
}
