#pragma once

#include <QString>

// The file name a save dialog hands back, completed with the extension of the
// chosen format: a user who types "Acme March" gets "Acme March.pdf".
namespace SaveFileName {

// The extension a dialog name filter asks for: "pdf" of "PDF (*.pdf)"; empty
// when the filter names none.
QString filter_extension(const QString& filter);

// `path` with "." + `extension` added unless its file name already ends with
// that extension in any case ("v1.2" becomes "v1.2.pdf", "Acme." "Acme.pdf").
QString with_extension(const QString& path, const QString& extension);

} // namespace SaveFileName
