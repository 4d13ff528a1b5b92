// Saves histories and is killed with SIGKILL at a chosen system call of the
// history writer, for the kill trials in PersistenceTest.
//
//   killed_history_writer FOLDER CALL N OPERATION
//
// FOLDER holds domains.json with two domains, A and B, and nothing else. The
// child records 5 measurements of A and compacts, then records 5 of A and 5 of
// B and appends them to the journal. Then the Nth call of CALL from now on
// kills it (a write after half its bytes): CALL is journal_write,
// journal_fdatasync, journal_fsync, history_write or history_fsync. OPERATION
// is "append" (3 more of A, saved) or "clear" (B's history cleared in the
// journal and the history file rewritten). Exit code 3: the kill never came.
#include "model/AtomicFile.h"
#include "store/HistoryPersistence.h"
#include "store/JournalFile.h"
#include "store/StoreLoader.h"

#include <QCoreApplication>

#include <csignal>
#include <unistd.h>

namespace {

QByteArray armed_call;
int calls_left = 0;

bool kills(const char* call)
{
    return armed_call == call && --calls_left == 0;
}

template <const char* call>
ssize_t write_then_die(int fd, const void* buffer, size_t size)
{
    if (kills(call)) {
        (void)::write(fd, buffer, size / 2);
        ::raise(SIGKILL);
    }
    return ::write(fd, buffer, size);
}

template <const char* call, int (*sync)(int)>
int sync_or_die(int fd)
{
    if (kills(call))
        ::raise(SIGKILL);
    return sync(fd);
}

constexpr char journal_write[] = "journal_write";
constexpr char journal_fdatasync[] = "journal_fdatasync";
constexpr char journal_fsync[] = "journal_fsync";
constexpr char history_write[] = "history_write";
constexpr char history_fsync[] = "history_fsync";

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return 2;
    const StoreFiles files = StoreFiles::in(QString::fromLocal8Bit(argv[1]));
    const LoadedStore loaded = StoreLoader::load(files);
    HistorySnapshot history;
    for (const MonitoredDomain& domain : loaded.domains)
        history.append({domain.id, domain.measurements});
    HistoryPersistence persistence(files, Clock::system(),
                                   {[&] { return history; }, [](const QString&) { return true; }});
    persistence.resume(loaded.history_on_disk);
    const auto record = [&](HistoryEntry& entry, int count) {
        for (int i = 0; i < count; ++i) {
            DomainMeasurement m;
            m.id = QUuid::createUuid();
            m.measured_at = QDateTime::currentDateTimeUtc();
            m.total_time = 0.2;
            entry.measurements.prepend(m);
            persistence.record(entry.id, m);
        }
    };
    record(history[0], 5);
    persistence.compact();
    record(history[0], 5);
    record(history[1], 5);
    persistence.save_now();
    persistence.wait_for_writes();

    armed_call = argv[2];
    calls_left = std::atoi(argv[3]);
    JournalFile::set_system_calls({write_then_die<journal_write>,
                                   sync_or_die<journal_fdatasync, ::fdatasync>,
                                   sync_or_die<journal_fsync, ::fsync>});
    AtomicFile::set_system_calls(
        {write_then_die<history_write>, sync_or_die<history_fsync, ::fsync>});
    if (qstrcmp(argv[4], "append") == 0) {
        record(history[0], 3);
        persistence.save_now();
    } else {
        history[1].measurements.clear();
        persistence.compact({history[1].id});
    }
    persistence.wait_for_writes();
    return 3;
}
