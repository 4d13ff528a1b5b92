#include "ui/detail/SummaryCard.h"

#include "ui/AppColors.h"
#include "ui/detail/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int icon_size = 22;

} // namespace

SummaryCard::SummaryCard(QWidget* parent)
    : QFrame(parent), icon_(new QLabel(this)), title_(new QLabel(this)), value_(new QLabel(this)),
      action_(new QToolButton(this))
{
    setFrameShape(QFrame::StyledPanel);
    setObjectName(QStringLiteral("summary_card"));
    setStyleSheet(QStringLiteral("SummaryCard { border: 1px solid palette(mid); "
                                 "border-radius: 8px; background: palette(base); }"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    icon_->setFixedSize(icon_size, icon_size);
    QFont caption = title_->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    title_->setFont(caption);
    QPalette secondary = title_->palette();
    secondary.setColor(QPalette::WindowText, AppColors::secondary());
    title_->setPalette(secondary);
    title_->setObjectName(QStringLiteral("summary_card_title"));
    QFont headline = value_->font();
    headline.setBold(true);
    headline.setPointSizeF(headline.pointSizeF() * 1.05);
    value_->setFont(headline);
    value_->setObjectName(QStringLiteral("summary_card_value"));
    value_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    action_->setAutoRaise(true);
    action_->setObjectName(QStringLiteral("summary_card_action"));
    action_->setIcon(
        SymbolIcons::icon(QStringLiteral("chevron.right.circle"), AppColors::secondary()));
    action_->setVisible(false);
    connect(action_, &QToolButton::clicked, this, &SummaryCard::action_triggered);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(title_);
    text->addWidget(value_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 10, 8, 10);
    row->setSpacing(10);
    row->addWidget(icon_, 0, Qt::AlignVCenter);
    row->addLayout(text, 1);
    row->addWidget(action_, 0, Qt::AlignVCenter);
}

void SummaryCard::set_content(const SummaryCardContent& content)
{
    if (content == content_)
        return;
    const bool icon_changed =
        content.system_image != content_.system_image || content.tint != content_.tint;
    content_ = content;
    setObjectName(QStringLiteral("summary_card_") + content.id);
    if (icon_changed)
        icon_->setPixmap(SymbolIcons::pixmap(content.system_image, content.tint, icon_size,
                                             devicePixelRatioF()));
    title_->setText(content.title);
    value_->setText(content.value);
    action_->setVisible(content.action_help.has_value());
    action_->setToolTip(content.action_help.value_or(QString()));
    action_->setAccessibleName(content.action_help.value_or(QString()));
}
