#include "measurement/CurlConnectionGroup.h"

CurlConnectionGroup::CurlConnectionGroup(CurlShare share, Release release)
    : share_(std::move(share)), release_(std::move(release))
{}

CurlConnectionGroup::~CurlConnectionGroup()
{
    if (release_)
        release_(std::move(share_));
}
