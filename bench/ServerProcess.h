#pragma once

#include <QString>

#include <sys/types.h>

// The local HTTPS test server in a child process, so that its work counts for
// neither side of a benchmark. It answers "/generate_204" with 204, "/" with a
// 1 KiB page and "/slow" after `slow_answer_ms`.
struct ServerProcess {
    pid_t pid = -1;
    int stop_fd = -1;
    quint16 port = 0;
    QString ca_file;

    // Forks; call before any thread exists. port is 0 when the server failed.
    static ServerProcess start(int slow_answer_ms = 2000);
    void stop() const;
};
