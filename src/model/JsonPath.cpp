#include "model/JsonPath.h"

QString JsonPath::to_string() const
{
    if (parent_ == nullptr)
        return {};
    QString text = parent_->to_string();
    if (index_ >= 0) {
        text += QLatin1Char('[') + QString::number(index_) + QLatin1Char(']');
    } else {
        if (!text.isEmpty())
            text += QLatin1Char('.');
        text += QString::fromUtf8(key_.data(), qsizetype(key_.size()));
    }
    return text;
}
