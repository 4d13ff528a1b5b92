#include "measurement/MeasurementSource.h"

MeasurementSource::~MeasurementSource() = default;
