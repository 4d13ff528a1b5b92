#include "model/DecodeError.h"

QString DecodeError::to_string() const
{
    if (path.isEmpty())
        return message;
    return path + QStringLiteral(": ") + message;
}
