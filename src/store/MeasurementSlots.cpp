#include "store/MeasurementSlots.h"

#include <memory>

namespace {

// A quarter more than the history holds: weeks of recording, or a journal's
// worth of measurements, before a new measurement moves the list. Pages of the
// room that are never written cost address space, not memory.
qsizetype room_for(qsizetype count)
{
    return count / 4 + 16;
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
