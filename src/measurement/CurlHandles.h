#pragma once

#include <curl/curl.h>

#include <memory>

// Owning wrappers for curl's C handles.
struct CurlEasyFree {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiFree {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlShareFree {
    void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};
struct CurlListFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyFree>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiFree>;
using CurlShare = std::unique_ptr<CURLSH, CurlShareFree>;
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;
