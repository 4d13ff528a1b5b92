#pragma once

#include "DataFolder.h"
#include "StoreSamples.h"
#include "StoreTestEnvironment.h"

#include <gtest/gtest.h>

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
