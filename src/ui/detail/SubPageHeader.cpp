#include "ui/detail/SubPageHeader.h"

#include "i18n/L10n.h"
#include "ui/AppColors.h"
#include "ui/AppShortcuts.h"
#include "ui/detail/SymbolIcons.h"

#include <QShortcut>

SubPageHeader::SubPageHeader(QWidget* parent, const QString& name)
    : row(new QHBoxLayout), back(new QPushButton(L10n::text(u"Back", u"Terug"), parent)),
      title(new QLabel(parent)), count(new QLabel(parent))
{
    back->setObjectName(name + QStringLiteral("_back_button"));
    back->setIcon(SymbolIcons::icon(QStringLiteral("chevron.left"), AppColors::primary()));
    // Escape and Alt+Left leave the page as Back does, while it shows.
    const QKeySequence escape(Qt::Key_Escape);
    back->setToolTip(AppShortcuts::with_shortcut(back->text(), escape));
    for (const QKeySequence& keys : {escape, QKeySequence(Qt::ALT | Qt::Key_Left)})
        QObject::connect(new QShortcut(keys, parent), &QShortcut::activated, back,
                         &QPushButton::click);
    title->setObjectName(name + QStringLiteral("_title"));
    QFont headline = title->font();
    headline.setBold(true);
    headline.setPointSizeF(headline.pointSizeF() * 1.05);
    title->setFont(headline);
    count->setObjectName(name + QStringLiteral("_count"));
    QFont caption = count->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    count->setFont(caption);
    QPalette secondary = count->palette();
    secondary.setColor(QPalette::WindowText, AppColors::secondary());
    count->setPalette(secondary);

    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(10);
    row->addWidget(back);
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(count);
}
