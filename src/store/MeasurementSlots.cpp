#include "store/MeasurementSlots.h"

#include <cstdint>
#include <memory>
#include <sys/mman.h>

namespace {

// A quarter more than the history holds: weeks of recording, or a journal's
// worth of measurements, before a new measurement moves the list. Pages of the
// room that are never written cost address space, not memory.
qsizetype room_for(qsizetype count)
{
    return count / 4 + 16;
}

// Page faults are slow, in a virtual machine most of all: a long history is
// filled through huge pages, 512 times fewer faults. Only whole huge pages of
// the part to be filled, so that the room at the head stays untouched.
void advise_huge_pages(const void* begin, size_t bytes)
{
    constexpr uintptr_t huge_page = uintptr_t(2) << 20;
    const auto start = reinterpret_cast<uintptr_t>(begin);
    const uintptr_t first = (start + huge_page - 1) & ~(huge_page - 1);
    const uintptr_t last = (start + bytes) & ~(huge_page - 1);
    if (first < last)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

} // namespace

MeasurementSlots::MeasurementSlots(qsizetype count) : count_(count)
{
    if (count == 0)
        return;
    auto [header, data] = QTypedArrayData<DomainMeasurement>::allocate(room_for(count) + count);
    Q_CHECK_PTR(header);
    header_ = header;
    first_ = data + room_for(count);
    advise_huge_pages(first_, size_t(count) * sizeof(DomainMeasurement));
}

MeasurementSlots::~MeasurementSlots()
{
    if (header_ != nullptr)
        QTypedArrayData<DomainMeasurement>::deallocate(header_);
}

QList<DomainMeasurement> MeasurementSlots::take()
{
    if (header_ == nullptr)
        return {};
    QArrayDataPointer<DomainMeasurement> data(std::exchange(header_, nullptr), first_, count_);
    return QList<DomainMeasurement>(std::move(data));
}

QList<DomainMeasurement> MeasurementSlots::with_room(QList<DomainMeasurement> measurements)
{
    MeasurementSlots slots(measurements.size());
    std::uninitialized_move(measurements.begin(), measurements.end(), slots.slot(0));
    return slots.take();
}
