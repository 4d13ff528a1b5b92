#include "ui/AppIcons.h"

#include <QHash>

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
    // Looking an icon up in the theme touches the file system; rows paint the
    // pin mark often, so each name is looked up once.
    static QHash<QString, QIcon> cache;
    const QString key = QLatin1String(name);
    const auto found = cache.constFind(key);
    if (found != cache.cend())
        return *found;
    return *cache.insert(key, QIcon::fromTheme(key, bundled_icon(name)));
}
