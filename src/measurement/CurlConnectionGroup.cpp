#include "measurement/CurlConnectionGroup.h"

CurlConnectionGroup::CurlConnectionGroup(CurlShare share, Release release, std::size_t worker)
    : share_(std::move(share)), release_(std::move(release)), worker_(worker)
{}

CurlConnectionGroup::~CurlConnectionGroup()
{
    if (release_)
        release_(std::move(share_));
}
