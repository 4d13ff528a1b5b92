#include "UnixSignalWatcher.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int write_socket = -1;

void handle(int signal_number)
{
    const char number = char(signal_number);
    // Only async-signal-safe calls here.
    [[maybe_unused]] const ssize_t written = ::write(write_socket, &number, 1);
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signal_numbers)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets_) != 0)
        return;
    write_socket = sockets_[0];
    notifier_ = std::make_unique<QSocketNotifier>(sockets_[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &UnixSignalWatcher::read_signal);

    struct sigaction action {};
    action.sa_handler = handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : signal_numbers)
        ::sigaction(number, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    notifier_.reset();
    write_socket = -1;
    for (const int fd : sockets_) {
        if (fd >= 0)
            ::close(fd);
    }
}

void UnixSignalWatcher::read_signal()
{
    char number = 0;
    if (::read(sockets_[1], &number, 1) == 1)
        Q_EMIT received(int(number));
}
