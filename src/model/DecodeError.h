#pragma once

#include <QString>

// Why a piece of JSON could not be decoded, and where: `path` names the key and
// element index inside the document (such as "measurements[3].total_time").
struct DecodeError {
    QString path;
    QString message;

    // One line for messages: "path: message", or the message alone at the root.
    QString to_string() const;

    bool operator==(const DecodeError&) const = default;
};
