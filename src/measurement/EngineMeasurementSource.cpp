#include "measurement/EngineMeasurementSource.h"

EngineMeasurementSource::EngineMeasurementSource(HttpEngine& engine, Clock& clock,
                                                 QUrl probe_endpoint, TessaryService::Limits limits)
    : engine_(engine), clock_(clock), limits_(limits),
      probe_(std::make_shared<SharedBaselineProbe>(engine, clock, std::move(probe_endpoint),
                                                   limits.probe_limit))
{}

EngineMeasurementSource::~EngineMeasurementSource() = default;

void EngineMeasurementSource::measure(const QString& url_string, const QString& user_agent,
                                      Done done)
{
    const quint64 id = ++last_id_;
    auto service = std::make_unique<TessaryService>(engine_, clock_, probe_, limits_);
    TessaryService& started = *service;
    running_.emplace(id, std::move(service));
    started.measure(QUrl(url_string), user_agent,
                    [this, id, done = std::move(done)](std::optional<DomainMeasurement> result) {
                        running_.erase(id);
                        if (done)
                            done(std::move(result));
                    });
}
