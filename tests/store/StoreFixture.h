#pragma once

#include "DataFolder.h"
#include "MeasurementFactory.h"
#include "StoreTestEnvironment.h"

#include <gtest/gtest.h>

// A domain record as the store's files hold it.
inline MonitoredDomain sample_domain(const QString& url, int interval_seconds = 60)
{
    MonitoredDomain d;
    d.id = QUuid::createUuid();
    d.url_string = url;
    d.interval_seconds = interval_seconds;
    return d;
}

// A successful measurement taken at `at`.
inline DomainMeasurement sample_measurement(const QDateTime& at, double total_time = 0.2)
{
    DomainMeasurement m = successful(total_time);
    m.measured_at = at;
    return m;
}

// A store on a support folder of its own, with time, network, measurements and
// notifications in the test's hands.
class StoreFixture : public ::testing::Test {
protected:
    void open()
    {
        store.reset();
        auto opened = TessaryStore::open(services.environment(folder.path()));
        ASSERT_TRUE(opened) << opened.error().toStdString();
        store = std::move(opened).value();
    }

    // Adds a domain, measured only when a test asks unless active, and returns its id.
    QUuid add(const QString& url, bool is_active = false, bool notifies = false, int interval = 60)
    {
        EXPECT_FALSE(store->add_domain(url, interval, 48, QString(), is_active, notifies));
        return *store->selected_domain_id();
    }

    const MonitoredDomain& domain(const QUuid& id) const { return *store->domain_with_id(id); }

    DataFolder folder;
    StoreTestEnvironment services;
    ManualClock& clock = services.clock;
    FakeMeasurementSource& source = services.measurements;
    std::unique_ptr<TessaryStore> store;
};
