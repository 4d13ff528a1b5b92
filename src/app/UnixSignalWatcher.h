#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <initializer_list>
#include <memory>

// Turns Unix signals (SIGINT, SIGTERM, SIGHUP) into a Qt signal on the main
// thread: the handler only writes the signal number into a socket pair, which
// the event loop reads. One watcher per process.
class UnixSignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit UnixSignalWatcher(std::initializer_list<int> signal_numbers);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void received(int signal_number);

private:
    void read_signal();

    int sockets_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};
