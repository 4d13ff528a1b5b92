#pragma once

#include "model/MonitoredDomain.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QUuid>

#include <functional>
#include <optional>

class TessaryStore;

// The sidebar's rows: for each provider group of the store a header row and then
// one row per domain. A recorded measurement, a settings edit or a change of the
// running state updates its one row (dataChanged); only a change of the groups or
// of their members resets the model.
class SidebarModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        is_header_role = Qt::UserRole + 1,
        domain_id_role,
        is_running_role,
        is_pinned_role,
    };

    using Now = std::function<QDateTime()>;

    // `now` places the heartbeat's window in the rows' accessible descriptions.
    SidebarModel(TessaryStore& store, Now now, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    bool is_header(int row) const;
    // The domain of a domain row, null for a header row.
    const MonitoredDomain* domain_at(int row) const;
    bool is_running(int row) const;
    std::optional<int> row_of(const QUuid& domain_id) const;
    QModelIndex index_of(const QUuid& domain_id) const;

    // Brings the rows up to the store at once (normally done on the next turn of
    // the event loop after a change).
    void sync();

    // How many times the rows were rebuilt; the sidebar's tests and benchmark
    // check that a measurement does not rebuild them.
    int reset_count() const { return reset_count_; }

private:
    struct Row {
        bool is_header = false;
        // The group's stable id and its shown title (which follows the language).
        QString group_id;
        QString title;
        MonitoredDomain domain;
    };

    void on_settings_changed(const QUuid& domain_id);
    void on_running_changed(const QUuid& domain_id);
    void schedule_sync();
    void update_domain_row(const QUuid& domain_id);
    void emit_row_changed(int row);
    static QList<Row> build_rows(const TessaryStore& store);
    static bool same_structure(const QList<Row>& a, const QList<Row>& b);

    TessaryStore& store_;
    Now now_;
    QList<Row> rows_;
    QHash<QUuid, int> row_of_;
    bool sync_scheduled_ = false;
    int reset_count_ = 0;
};
