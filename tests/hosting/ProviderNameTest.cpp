#include "hosting/ProviderName.h"

#include "HostingTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char16_t* raw;
    const char16_t* cleaned;
    const char16_t* displayed;
};

class ProviderNames : public testing::TestWithParam<NameCase> {};

TEST_P(ProviderNames, collapse_whitespace_and_drop_trailing_legal_forms)
{
    const NameCase& c = GetParam();
    const QString raw = QString::fromUtf16(c.raw);
    EXPECT_EQ(clean_provider_name(raw), QString::fromUtf16(c.cleaned)) << raw.toStdString();
    EXPECT_EQ(display_provider_name(raw), QString::fromUtf16(c.displayed)) << raw.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProviderNames,
    testing::Values(NameCase{u"Example  Hosting\nB.V.", u"Example Hosting", u"Example Hosting"},
                    NameCase{u"NOC Operations", u"NOC", u"NOC"}, NameCase{u"Admin", u"", u"Admin"},
                    NameCase{u"  B.V.  ", u"", u"B.V."},
                    NameCase{u"Example BV Operations admin", u"Example", u"Example"},
                    NameCase{u"Example b.v, GBML.", u"Example", u"Example"},
                    // Only trailing words go; "BV" inside the name stays as written.
                    NameCase{u"BV Example Hosting", u"BV Example Hosting", u"BV Example Hosting"},
                    NameCase{u"Example Hosting B.V.B.A.", u"Example Hosting B.V.B.A.",
                             u"Example Hosting B.V.B.A."},
                    NameCase{u"Triara.com, S.A. de C.V.", u"Triara.com, S.A. de C.V.",
                             u"Triara.com, S.A. de C.V."},
                    NameCase{u"Tab\tand\u00a0no-break\u2003space", u"Tab and no-break space",
                             u"Tab and no-break space"},
                    // A name may carry terminal escapes or other controls; they become spaces.
                    NameCase{u"Evil\u001b[2JCorp\u0007Hosting\u009b", u"Evil [2JCorp Hosting",
                             u"Evil [2JCorp Hosting"},
                    NameCase{u"", u"", u""}, NameCase{u" \n ", u"", u""}));

} // namespace
