#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

// Hands work to one thread's Qt event loop from any other thread. Work posted
// after that thread has ended is dropped, so the engine thread can post
// results without knowing whether their receiver is still there.
class ThreadInbox {
public:
    // The inbox of the calling thread, made on first use.
    static std::shared_ptr<ThreadInbox> current();

    ~ThreadInbox();

    void post(std::function<void()> work);

private:
    struct Owner;
    ThreadInbox();
    void close();

    std::mutex mutex_;
    QObject* receiver_;
};
