#include "ServerProcess.h"

#include "LocalHttpsServer.h"

#include <QList>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

ServerProcess ServerProcess::start(int slow_answer_ms)
{
    int to_parent[2];
    int to_child[2];
    if (pipe(to_parent) != 0 || pipe(to_child) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGPIPE, SIG_IGN);
        close(to_parent[0]);
        close(to_child[1]);
        {
            LocalHttpsServer server;
            server.serve("/generate_204", ServedResponse::with_status(204));
            server.serve("/", ServedResponse::with_status(200, QByteArray(1024, 'x')));
            server.serve("/slow", ServedResponse::delayed(slow_answer_ms));
            const QByteArray hello = server.is_running()
                                         ? QByteArray::number(server.port()) + '\n' +
                                               server.ca_file().toLocal8Bit() + '\n'
                                         : QByteArray("0\n\n");
            [[maybe_unused]] const auto written = write(to_parent[1], hello.data(), hello.size());
            close(to_parent[1]);
            char byte;
            while (read(to_child[0], &byte, 1) > 0) {
            }
        }
        _exit(0);
    }
    close(to_parent[1]);
    close(to_child[0]);
    QByteArray hello;
    char buffer[512];
    ssize_t n;
    while ((n = read(to_parent[0], buffer, sizeof buffer)) > 0)
        hello.append(buffer, n);
    close(to_parent[0]);
    const QList<QByteArray> lines = hello.split('\n');
    return ServerProcess{pid, to_child[1], quint16(lines.value(0).toUInt()),
                         QString::fromLocal8Bit(lines.value(1))};
}

void ServerProcess::stop() const
{
    close(stop_fd);
    waitpid(pid, nullptr, 0);
}
