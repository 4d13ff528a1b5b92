#include "hosting/ProviderName.h"

#include "HostingTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ProviderNames, collapse_whitespace_and_drop_trailing_legal_forms)
{
    // clang-format off
    const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
        // raw, cleaned, displayed
        {u"Example  Hosting\nB.V.", u"Example Hosting", u"Example Hosting"},
        {u"NOC Operations", u"NOC", u"NOC"},
        {u"Admin", u"", u"Admin"},
        {u"  B.V.  ", u"", u"B.V."},
        {u"Example BV Operations admin", u"Example", u"Example"},
        {u"Example b.v, GBML.", u"Example", u"Example"},
        // Only trailing words go; "BV" inside the name stays as written.
        {u"BV Example Hosting", u"BV Example Hosting", u"BV Example Hosting"},
        {u"Example Hosting B.V.B.A.", u"Example Hosting B.V.B.A.", u"Example Hosting B.V.B.A."},
        {u"Triara.com, S.A. de C.V.", u"Triara.com, S.A. de C.V.", u"Triara.com, S.A. de C.V."},
        {u"Tab\tand\u00a0no-break\u2003space", u"Tab and no-break space", u"Tab and no-break space"},
        // A name may carry terminal escapes or other controls; they become spaces.
        {u"Evil\u001b[2JCorp\u0007Hosting\u009b", u"Evil [2JCorp Hosting", u"Evil [2JCorp Hosting"},
        {u"", u"", u""},
        {u" \n ", u"", u""},
    };
    // clang-format on
    for (const auto& [raw, cleaned, displayed] : cases) {
        const QString name = QString::fromUtf16(raw);
        EXPECT_EQ(clean_provider_name(name), QString::fromUtf16(cleaned)) << name.toStdString();
        EXPECT_EQ(display_provider_name(name), QString::fromUtf16(displayed)) << name.toStdString();
    }
}

} // namespace
