#pragma once

#include "FakeMeasurementSource.h"
#include "FakePathSource.h"
#include "ManualClock.h"
#include "RecordingNotificationSink.h"
#include "hosting/HostResolver.h"
#include "hosting/HostingProviderService.h"
#include "measurement/CurlEngine.h"
#include "measurement/NetworkAvailabilityService.h"
#include "measurement/TessaryNotificationService.h"
#include "store/TessaryStore.h"

#include <QCoreApplication>

// A resolver that finds no address, answering on the next turn of the event
// loop: hosts get no provider profile and no registry is asked.
class NoAddressResolver final : public HostResolver {
public:
    void resolve(const QString&, Done done) override
    {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done = std::move(done)] { done(std::nullopt); },
            Qt::QueuedConnection);
    }
};

// Everything a store needs, with time, network, measurements and notifications
// in the test's hands. The network is usable and settled from the start.
class StoreTestEnvironment {
public:
    StoreTestEnvironment()
        : network(make_path_source(), clock), notifications(notification_sink), measurements(clock),
          hosting(CurlEngine::shared(), resolver, clock)
    {
        clock.advance_by(NetworkAvailabilityService::stabilization_ms);
    }

    TessaryStore::Environment environment(const QString& support_directory)
    {
        TessaryStore::Environment environment;
        environment.support_directory = support_directory;
        environment.clock = &clock;
        environment.lock_holder = QStringLiteral("test");
        environment.measurement_source = &measurements;
        environment.network = &network;
        environment.notifications = &notifications;
        environment.hosting = &hosting;
        return environment;
    }

    void report_network(bool usable) { path_source->report(usable); }

    ManualClock clock;
    FakePathSource* path_source = nullptr;
    NetworkAvailabilityService network;
    RecordingNotificationSink notification_sink;
    TessaryNotificationService notifications;
    FakeMeasurementSource measurements;
    NoAddressResolver resolver;
    HostingProviderService hosting;

private:
    std::unique_ptr<NetworkPathSource> make_path_source()
    {
        auto source = std::make_unique<FakePathSource>(true);
        path_source = source.get();
        return source;
    }
};
