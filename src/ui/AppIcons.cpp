#include "ui/AppIcons.h"

// The icons live in this static library; their resource must be registered by
// hand, since nothing else references it.
static void register_bundled_icons()
{
    Q_INIT_RESOURCE(icons);
}

QIcon AppIcons::bundled_icon(const char* name)
{
    static const bool registered = [] {
        register_bundled_icons();
        return true;
    }();
    (void)registered;
    return QIcon(QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(".svg"));
}

QIcon AppIcons::icon(const char* name)
{
    return QIcon::fromTheme(QLatin1String(name), bundled_icon(name));
}
