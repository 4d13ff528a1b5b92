#pragma once

#include "measurement/CurlEngine.h"
#include "measurement/MeasurementSource.h"
#include "measurement/TessaryService.h"
#include "model/Clock.h"

#include <QUrl>

#include <map>
#include <memory>

// Real measurements: one TessaryService per call, all on one engine, with
// one baseline probe shared by the measurements that start while it runs.
class EngineMeasurementSource final : public MeasurementSource {
public:
    explicit EngineMeasurementSource(
        HttpEngine& engine = CurlEngine::shared(), Clock& clock = Clock::system(),
        QUrl probe_endpoint = NetworkBaselineProbe::configured_endpoint(),
        TessaryService::Limits limits = {});
    // Measurements still running are abandoned; their callbacks are not called.
    ~EngineMeasurementSource() override;

    void measure(const QString& url_string, const QString& user_agent, Done done) override;

    int measurements_in_flight() const { return int(running_.size()); }
    int probes_started() const { return probe_->probes_started(); }

private:
    HttpEngine& engine_;
    Clock& clock_;
    TessaryService::Limits limits_;
    std::shared_ptr<SharedBaselineProbe> probe_;
    quint64 last_id_ = 0;
    std::map<quint64, std::unique_ptr<TessaryService>> running_;
};
