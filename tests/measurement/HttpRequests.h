#pragma once

#include "measurement/HttpRequest.h"

#include <memory>

// A request for `url` with every other field at its default.
inline HttpRequest request_to(QUrl url, std::shared_ptr<CurlConnectionGroup> group = nullptr)
{
    HttpRequest request;
    request.url = std::move(url);
    request.connections = std::move(group);
    return request;
}
