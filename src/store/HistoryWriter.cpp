#include "store/HistoryWriter.h"

#include "store/HistoryJson.h"

HistoryWriter::HistoryWriter(QString path) : path_(std::move(path))
{
    pool_.setMaxThreadCount(1);
    pool_.setObjectName(QStringLiteral("HistoryWriter"));
}

HistoryWriter::~HistoryWriter()
{
    wait_for_background_writes();
}

void HistoryWriter::write_in_background(HistorySnapshot snapshot, quint64 generation,
                                        QObject* context, std::function<void()> done)
{
    pool_.start(
        [this, snapshot = std::move(snapshot), generation, context, done = std::move(done)] {
            write(snapshot, generation);
            QMetaObject::invokeMethod(context, done, Qt::QueuedConnection);
        });
}

void HistoryWriter::write_now(const HistorySnapshot& snapshot, quint64 generation)
{
    write(snapshot, generation);
}

void HistoryWriter::wait_for_background_writes()
{
    pool_.waitForDone();
}

void HistoryWriter::write(const HistorySnapshot& snapshot, quint64 generation)
{
    const std::lock_guard lock(write_mutex_);
    if (generation <= written_generation_)
        return;
    // A failed write leaves the previous file whole; the next save tries again.
    if (!HistoryJson::write_file(path_, snapshot))
        written_generation_ = generation;
}
