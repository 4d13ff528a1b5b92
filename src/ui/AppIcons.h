#pragma once

#include <QIcon>

// Icons by their freedesktop names, from the desktop's icon theme, with a bundled
// SVG of the same name when the theme has none (and in the offscreen tests).
namespace AppIcons {

inline constexpr auto add = "list-add";
inline constexpr auto more = "view-more";
inline constexpr auto archive = "folder-archive";
inline constexpr auto clear_history = "edit-clear-history";
inline constexpr auto remove = "edit-delete";
inline constexpr auto export_report = "document-export";
inline constexpr auto pin = "pin";
inline constexpr auto unpin = "window-unpin";
inline constexpr auto pinned = "pinned";
inline constexpr auto network = "network-workgroup";
inline constexpr auto application = "tessary";

QIcon icon(const char* name);

// The bundled fallback alone, whatever the theme has.
QIcon bundled_icon(const char* name);

} // namespace AppIcons
