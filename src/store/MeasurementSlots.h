#pragma once

#include "model/DomainMeasurement.h"

#include <QList>

// Storage for a history whose length is known before it is decoded: threads
// construct its measurements in place, each in its own range of slots, and it
// becomes a QList with spare room at its head. New measurements go to the head,
// so neither filling the list nor recording into it later moves the history.
class MeasurementSlots {
public:
    explicit MeasurementSlots(qsizetype count);
    ~MeasurementSlots();
    MeasurementSlots(const MeasurementSlots&) = delete;
    MeasurementSlots& operator=(const MeasurementSlots&) = delete;

    qsizetype count() const { return count_; }
    // Where measurement `index` is to be constructed (placement new).
    DomainMeasurement* slot(qsizetype index) { return first_ + index; }
    // The list of all `count` measurements, which must all have been
    // constructed. Without a call, the storage is freed and whoever constructed
    // measurements must have destroyed them.
    QList<DomainMeasurement> take();

    // The same measurements in a list with room at its head, for lists built
    // otherwise.
    static QList<DomainMeasurement> with_room(QList<DomainMeasurement> measurements);

private:
    QTypedArrayData<DomainMeasurement>* header_ = nullptr;
    DomainMeasurement* first_ = nullptr;
    qsizetype count_ = 0;
};
