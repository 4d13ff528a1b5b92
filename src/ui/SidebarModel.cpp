#include "ui/SidebarModel.h"

#include "model/DomainHost.h"
#include "store/TessaryStore.h"
#include "ui/DomainHeartbeat.h"
#include "ui/DomainSidebarRow.h"

#include <QTimer>

SidebarModel::SidebarModel(TessaryStore& store, Now now, QObject* parent)
    : QAbstractListModel(parent), store_(store), now_(std::move(now))
{
    rows_ = build_rows(store_);
    for (int row = 0; row < rows_.size(); ++row) {
        if (!rows_[row].is_header)
            row_of_.insert(rows_[row].domain.id, row);
    }
    // Every change of the domains comes with one of the store's finer signals;
    // only those that may move rows lead to a rebuild.
    connect(&store_, &TessaryStore::domain_list_changed, this, &SidebarModel::schedule_sync);
    connect(&store_, &TessaryStore::domains_reordered, this, &SidebarModel::schedule_sync);
    connect(&store_, &TessaryStore::hosting_profiles_changed, this, &SidebarModel::schedule_sync);
    connect(
        &store_, &TessaryStore::measurement_recorded, this,
        [this](const QUuid& domain_id, const DomainMeasurement&) { update_domain_row(domain_id); });
    connect(&store_, &TessaryStore::domain_settings_changed, this,
            &SidebarModel::on_settings_changed);
    connect(&store_, &TessaryStore::domain_running_changed, this,
            &SidebarModel::on_running_changed);
}

int SidebarModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant SidebarModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& row = rows_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return row.is_header ? row.title : domain_host(row.domain.url_string);
    case Qt::AccessibleTextRole:
        if (row.is_header)
            return row.title;
        return DomainSidebarRow::accessible_name(
            row.domain, store_.running_domain_ids().contains(row.domain.id));
    case Qt::AccessibleDescriptionRole:
        if (row.is_header)
            return {};
        return DomainHeartbeat::description(row.domain, now_());
    case is_header_role:
        return row.is_header;
    case domain_id_role:
        return row.is_header ? QVariant() : QVariant::fromValue(row.domain.id);
    case is_running_role:
        return !row.is_header && store_.running_domain_ids().contains(row.domain.id);
    case is_pinned_role:
        return !row.is_header && row.domain.is_pinned;
    default:
        return {};
    }
}

Qt::ItemFlags SidebarModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || is_header(index.row()))
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool SidebarModel::is_header(int row) const
{
    return row >= 0 && row < rows_.size() && rows_[row].is_header;
}

const MonitoredDomain* SidebarModel::domain_at(int row) const
{
    if (row < 0 || row >= rows_.size() || rows_[row].is_header)
        return nullptr;
    return &rows_[row].domain;
}

bool SidebarModel::is_running(int row) const
{
    const MonitoredDomain* domain = domain_at(row);
    return domain != nullptr && store_.running_domain_ids().contains(domain->id);
}

std::optional<int> SidebarModel::row_of(const QUuid& domain_id) const
{
    const auto found = row_of_.constFind(domain_id);
    if (found == row_of_.cend())
        return std::nullopt;
    return *found;
}

QModelIndex SidebarModel::index_of(const QUuid& domain_id) const
{
    const std::optional<int> row = row_of(domain_id);
    return row ? index(*row) : QModelIndex();
}

void SidebarModel::on_settings_changed(const QUuid& domain_id)
{
    const std::optional<int> row = row_of(domain_id);
    const MonitoredDomain* domain = store_.domain_with_id(domain_id);
    // Another host may belong to another provider group.
    if (row && domain && domain->url_string != rows_[*row].domain.url_string)
        schedule_sync();
    else
        update_domain_row(domain_id);
}

void SidebarModel::on_running_changed(const QUuid& domain_id)
{
    // The store's set is already up to date when it signals.
    if (const std::optional<int> row = row_of(domain_id))
        emit_row_changed(*row);
}

void SidebarModel::schedule_sync()
{
    if (sync_scheduled_)
        return;
    sync_scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        if (sync_scheduled_)
            sync();
    });
}

void SidebarModel::update_domain_row(const QUuid& domain_id)
{
    const std::optional<int> row = row_of(domain_id);
    const MonitoredDomain* domain = store_.domain_with_id(domain_id);
    if (!row || domain == nullptr)
        return;
    rows_[*row].domain = *domain;
    emit_row_changed(*row);
}

void SidebarModel::emit_row_changed(int row)
{
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed);
}

void SidebarModel::sync()
{
    sync_scheduled_ = false;
    QList<Row> rows = build_rows(store_);
    if (same_structure(rows_, rows)) {
        for (int row = 0; row < rows.size(); ++row) {
            if (rows_[row].is_header) {
                if (rows_[row].title != rows[row].title) {
                    rows_[row].title = std::move(rows[row].title);
                    emit_row_changed(row);
                }
                continue;
            }
            if (!(rows_[row].domain == rows[row].domain)) {
                rows_[row].domain = std::move(rows[row].domain);
                emit_row_changed(row);
            }
        }
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    row_of_.clear();
    for (int row = 0; row < rows_.size(); ++row) {
        if (!rows_[row].is_header)
            row_of_.insert(rows_[row].domain.id, row);
    }
    ++reset_count_;
    endResetModel();
}

QList<SidebarModel::Row> SidebarModel::build_rows(const TessaryStore& store)
{
    QList<Row> rows;
    const QList<DomainProviderGroup> groups = store.provider_groups();
    for (const DomainProviderGroup& group : groups) {
        rows.append(Row{true, group.id, group.title, {}});
        for (const MonitoredDomain& domain : group.domains)
            rows.append(Row{false, group.id, {}, domain});
    }
    return rows;
}

bool SidebarModel::same_structure(const QList<Row>& a, const QList<Row>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].is_header != b[i].is_header)
            return false;
        if (a[i].is_header ? a[i].group_id != b[i].group_id : a[i].domain.id != b[i].domain.id)
            return false;
        // The pin mark and the host are painted from the row; a change of either
        // also moves rows, so it is a change of structure.
        if (!a[i].is_header && (a[i].domain.url_string != b[i].domain.url_string ||
                                a[i].domain.is_pinned != b[i].domain.is_pinned))
            return false;
    }
    return true;
}
