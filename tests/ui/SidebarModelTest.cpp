#include "ui/SidebarModel.h"

#include "StoreTestEnvironment.h"
#include "UiTestMain.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

enum class Change { measurement, interval, measuring, pin };

// The sidebar's model follows the store row by row: a change of one domain
// repaints that row and rebuilds nothing.
class SidebarModelTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        services_ = std::make_unique<StoreTestEnvironment>();
        auto opened = TessaryStore::open(services_->environment(folder_->path()));
        QVERIFY(opened);
        store_ = std::move(opened).value();
        // Inactive: nothing is measured unless the test asks.
        QVERIFY(!store_->add_domain(QStringLiteral("a.example"), 60, 48, {}, false, false));
        QVERIFY(!store_->add_domain(QStringLiteral("b.example"), 60, 48, {}, false, false));
        domain_ = *store_->selected_domain_id();
        model_ = std::make_unique<SidebarModel>(*store_);
    }

    void cleanup()
    {
        model_.reset();
        store_.reset();
        services_.reset();
        folder_.reset();
    }

    void a_change_of_one_domain_updates_its_row_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("resets");
        QTest::newRow("recorded measurement") << Change::measurement << false;
        QTest::newRow("interval edit") << Change::interval << false;
        QTest::newRow("measurement started") << Change::measuring << false;
        QTest::newRow("pin: the groups change") << Change::pin << true;
    }
    void a_change_of_one_domain_updates_its_row()
    {
        QFETCH(Change, change);
        QFETCH(bool, resets);
        QSignalSpy reset(model_.get(), &QAbstractItemModel::modelReset);
        QSignalSpy changed(model_.get(), &QAbstractItemModel::dataChanged);
        DomainSettings settings = store_->domain_with_id(domain_)->settings();
        switch (change) {
        case Change::measurement:
            store_->record_measurement(domain_, measurement());
            break;
        case Change::interval:
            settings.interval_seconds = 300;
            store_->update_domain(domain_, settings);
            break;
        case Change::measuring:
            store_->measure_now(domain_);
            break;
        case Change::pin:
            store_->toggle_pin(domain_);
            break;
        }
        QCoreApplication::processEvents();
        QCOMPARE(reset.size(), resets ? 1 : 0);
        if (resets)
            return;
        const int row = model_->row_of(domain_).value();
        QVERIFY(!changed.isEmpty());
        for (const QList<QVariant>& signal : changed)
            QCOMPARE(signal.at(0).toModelIndex().row(), row);
        const MonitoredDomain& shown = *model_->domain_at(row);
        QCOMPARE(shown.measurements.size(), change == Change::measurement ? 1 : 0);
        QCOMPARE(shown.interval_seconds, change == Change::interval ? 300 : 60);
        QCOMPARE(model_->is_running(row), change == Change::measuring);
    }

private:
    DomainMeasurement measurement() const
    {
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = services_->clock.now();
        m.total_time = 0.5;
        m.http_status = 200;
        return m;
    }

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<StoreTestEnvironment> services_;
    std::unique_ptr<TessaryStore> store_;
    std::unique_ptr<SidebarModel> model_;
    QUuid domain_;
};

TESSARY_UI_TEST_MAIN(SidebarModelTest)
#include "SidebarModelTest.moc"
