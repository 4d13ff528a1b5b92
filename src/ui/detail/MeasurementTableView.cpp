#include "ui/detail/MeasurementTableView.h"

#include "i18n/L10n.h"
#include "ui/detail/MeasurementTableModel.h"
#include "ui/detail/ResponseBadgeDelegate.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>

using Columns = MeasurementHistoryColumns;

MeasurementTableView::MeasurementTableView(QWidget* parent)
    : QTableView(parent), model_(new MeasurementTableModel(this))
{
    setModel(model_);
    setItemDelegateForColumn(
        Columns::response_details,
        new ResponseBadgeDelegate(
            [this](int row) -> const DomainMeasurement& { return model_->measurement(row); },
            this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table (the arrows move within it).
    setTabKeyNavigation(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setSortingEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    // Fixed row heights: the view never measures rows, whatever their number.
    QHeaderView* rows = verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(std::max(24, fontMetrics().height() + 10));

    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(40);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int column = 0; column < Columns::count; ++column)
        setColumnWidth(column, Columns::ideal_width(column));

    connect(header, &QHeaderView::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu* menu = make_column_menu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(horizontalHeader()->viewport()->mapToGlobal(pos));
    });
    connect(header, &QHeaderView::sectionMoved, this, [this] { store_layout(); });
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        // Keep each column at least as wide as its content needs; the URL and the
        // badges make do with less (they elide, and end in "+N").
        const int floor = column == Columns::url
                              ? Columns::url_floor
                              : std::min(Columns::minimum_width(column), Columns::last_floor);
        if (!applying_layout_ && size > 0 && size < floor &&
            !horizontalHeader()->isSectionHidden(column))
            setColumnWidth(column, floor);
    });
    connect(&Columns::shared(), &Columns::layout_changed, this,
            [this] { apply_layout(Columns::shared().layout()); });
    apply_layout(Columns::shared().layout());

    // Rows that come in above a scrolled view push it down by as many rows, so
    // the rows the user reads stay where they are.
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) {
                const int value = verticalScrollBar()->value();
                if (first != 0 || value == 0)
                    return;
                updateGeometries();
                verticalScrollBar()->setValue(value + last - first + 1);
            });
}

bool MeasurementTableView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize)
        fit_columns();
    return QTableView::viewportEvent(event);
}

void MeasurementTableView::fit_columns()
{
    const QHeaderView* header = horizontalHeader();
    QList<int> visible;
    for (int visual = 0; visual < Columns::count; ++visual) {
        const int column = header->logicalIndex(visual);
        if (!header->isSectionHidden(column))
            visible.append(column);
    }
    const QList<int> widths = Columns::fitted_widths(visible, viewport()->width());
    applying_layout_ = true;
    for (qsizetype i = 0; i < visible.size(); ++i)
        setColumnWidth(visible[i], widths[i]);
    applying_layout_ = false;
}

QMenu* MeasurementTableView::make_column_menu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("column_menu"));
    const Columns::Layout layout = current_layout();
    const qsizetype visible = Columns::count - layout.hidden.size();
    for (int column : layout.order) {
        QAction* action = menu->addAction(Columns::title(column));
        action->setObjectName(QStringLiteral("column_") + Columns::id(column));
        action->setCheckable(true);
        const bool shown = !layout.hidden.contains(column);
        action->setChecked(shown);
        // The last visible column stays: a table without columns cannot be fixed.
        action->setEnabled(!shown || visible > 1);
        connect(action, &QAction::toggled, this,
                [this, column](bool checked) { set_column_hidden(column, !checked); });
    }
    menu->addSeparator();
    QAction* reset = menu->addAction(L10n::text(u"Restore Default Columns", u"Standaardkolommen"));
    reset->setObjectName(QStringLiteral("column_reset"));
    connect(reset, &QAction::triggered, this,
            [] { Columns::shared().set_layout(Columns::Layout::standard()); });
    return menu;
}

void MeasurementTableView::set_column_hidden(int column, bool hidden)
{
    Columns::Layout layout = current_layout();
    if (hidden)
        layout.hidden.insert(column);
    else
        layout.hidden.remove(column);
    if (layout.hidden.size() >= Columns::count)
        return;
    Columns::shared().set_layout(layout);
}

Columns::Layout MeasurementTableView::current_layout() const
{
    const QHeaderView* header = horizontalHeader();
    Columns::Layout layout;
    for (int visual = 0; visual < Columns::count; ++visual) {
        const int column = header->logicalIndex(visual);
        layout.order.append(column);
        if (header->isSectionHidden(column))
            layout.hidden.insert(column);
    }
    return layout;
}

void MeasurementTableView::store_layout()
{
    if (applying_layout_)
        return;
    Columns::shared().set_layout(current_layout());
}

void MeasurementTableView::apply_layout(const Columns::Layout& layout)
{
    applying_layout_ = true;
    QHeaderView* header = horizontalHeader();
    for (int visual = 0; visual < layout.order.size(); ++visual) {
        const int column = layout.order[visual];
        const int from = header->visualIndex(column);
        if (from != visual)
            header->moveSection(from, visual);
    }
    for (int column = 0; column < Columns::count; ++column) {
        const bool hidden = layout.hidden.contains(column);
        if (header->isSectionHidden(column) != hidden)
            header->setSectionHidden(column, hidden);
    }
    applying_layout_ = false;
    fit_columns();
}
