#pragma once

#include <QString>
#include <QStringView>

// Registry names come with line breaks, runs of spaces and trailing legal forms
// or department words ("Example  Hosting\nB.V.", "NOC Operations"). Both
// functions collapse whitespace (control characters count as whitespace) and
// drop such trailing words: "admin", "b.v", "b.v.", "bv", "gbml", "operations",
// compared after trimming "." and "," and in lower case.

// The name as stored; empty when every word was dropped.
QString clean_provider_name(QStringView name);

// The name as shown; when every word would be dropped, the collapsed name itself.
QString display_provider_name(QStringView name);
