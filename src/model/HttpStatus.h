#pragma once

// The answers after which a request is sent again to their Location: 301, 302,
// 303, 307 and 308, for the measurements and the registry lookups alike. Other
// 3xx answers (300 Multiple Choices, 304 Not Modified, 305, 306) are final,
// whatever Location they carry, as in the common HTTP clients.
constexpr bool is_followed_redirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}
