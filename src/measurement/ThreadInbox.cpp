#include "measurement/ThreadInbox.h"

// Closes the inbox when its thread ends, on that thread.
struct ThreadInbox::Owner {
    std::shared_ptr<ThreadInbox> inbox{new ThreadInbox()};
    ~Owner() { inbox->close(); }
};

ThreadInbox::ThreadInbox() : receiver_(new QObject()) {}

ThreadInbox::~ThreadInbox() = default;

std::shared_ptr<ThreadInbox> ThreadInbox::current()
{
    thread_local Owner owner;
    return owner.inbox;
}

void ThreadInbox::post(std::function<void()> work)
{
    // Under the lock, so the receiver cannot be deleted while the work is queued.
    std::lock_guard lock(mutex_);
    if (receiver_ != nullptr)
        QMetaObject::invokeMethod(receiver_, std::move(work), Qt::QueuedConnection);
}

void ThreadInbox::close()
{
    std::lock_guard lock(mutex_);
    delete receiver_;
    receiver_ = nullptr;
}
