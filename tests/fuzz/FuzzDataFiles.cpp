// The data-file decoders: whatever the bytes, a decoder returns a value or an
// error, never crashes; and what decodes encodes to text that decodes again to
// the same value.
#include "model/DomainJson.h"
#include "model/MeasurementJson.h"
#include "store/HistoryJournal.h"
#include "store/HistoryJson.h"
#include "store/SuggestionJson.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));

    if (const auto measurement = MeasurementJson::decode(text)) {
        const auto again = MeasurementJson::decode(MeasurementJson::encode(*measurement));
        if (!again || again->id != measurement->id)
            std::abort();
    }
    if (const auto domains = DomainJson::decode_list(text)) {
        const auto again = DomainJson::decode_list(DomainJson::encode_list(*domains));
        if (!again || again->size() != domains->size())
            std::abort();
    }
    if (const auto histories = HistoryJson::decode(text)) {
        HistorySnapshot snapshot;
        for (auto it = histories->cbegin(); it != histories->cend(); ++it) {
            const QUuid id(it.key());
            if (!id.isNull())
                snapshot.append({id, it.value()});
        }
        if (!HistoryJson::decode(HistoryJson::encode(snapshot)))
            std::abort();
    }
    (void)SuggestionJson::decode_list(text);
    // A journal keeps only whole lines, and what it reads it writes back alike.
    const HistoryJournal::Contents journal = HistoryJournal::parse(text);
    if (journal.complete_length > text.size() ||
        (!journal.has_header && !journal.entries.isEmpty()))
        std::abort();
    QByteArray lines = HistoryJournal::header(journal.snapshot);
    for (const HistoryJournal::Entry& entry : journal.entries)
        HistoryJournal::append_entry(lines, QUuid(entry.domain_key), entry.measurement);
    if (HistoryJournal::parse(lines).entries.size() != journal.entries.size())
        std::abort();
    return 0;
}
