#include "LanguagePreferenceTest.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

TEST(ResolutionTest, ChoosesDutchOnlyWhenItApplies)
{
    const std::tuple<AppLanguage, QStringList, bool> cases[] = {
        {AppLanguage::system, {u"nl-NL"_s, u"en"_s}, true},
        {AppLanguage::system, {u"NL"_s}, true},
        {AppLanguage::system, {u"en-GB"_s, u"nl"_s}, false}, // only the first counts
        {AppLanguage::system, {}, false},
        {AppLanguage::system, {u"nb-NO"_s, u"nl"_s}, false},
        {AppLanguage::english, {u"nl-NL"_s}, false},
        {AppLanguage::dutch, {u"en-US"_s}, true},
        {AppLanguage::dutch, {}, true}};
    for (const auto& [choice, preferred, dutch] : cases) {
        EXPECT_EQ(L10n::uses_dutch(choice, preferred), dutch)
            << app_language_raw_value(choice).toStdString() << " ["
            << preferred.join(u',').toStdString() << "]";
    }
}

TEST_F(LanguagePreferenceTest, ChoiceIsStoredByRawValueAndAnythingElseReadsAsSystem)
{
    const QStringList raw_values = {u"system"_s, u"english"_s, u"dutch"_s};
    ASSERT_EQ(all_app_languages.size(), static_cast<std::size_t>(raw_values.size()));
    const QString key = QString::fromLatin1(Preferences::app_language_key);
    EXPECT_EQ(L10n::selected_language(), AppLanguage::system);
    for (std::size_t i = 0; i < all_app_languages.size(); ++i) {
        const AppLanguage language = all_app_languages[i]; // in menu order
        EXPECT_EQ(app_language_raw_value(language), raw_values[static_cast<qsizetype>(i)]);
        EXPECT_EQ(app_language_from_raw_value(app_language_raw_value(language)), language);
        L10n::set_selected_language(language);
        EXPECT_EQ(Preferences::value(key).toString(), app_language_raw_value(language));
        EXPECT_EQ(L10n::selected_language(), language);
    }
    Preferences::set_value(key, u"dutch"_s);
    EXPECT_EQ(L10n::selected_language(), AppLanguage::dutch);
    for (const QString& raw : {u""_s, u"Dutch"_s, u"nl"_s}) {
        Preferences::set_value(key, raw);
        EXPECT_EQ(L10n::selected_language(), AppLanguage::system) << raw.toStdString();
    }
}

TEST_F(LanguagePreferenceTest, TextFollowsAChangeOfChoiceAtOnce)
{
    L10n::set_selected_language(AppLanguage::dutch);
    // The choice lives in the Tessary configuration file.
    const QString file =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(u"Tessary/Tessary.conf"_s);
    EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    EXPECT_EQ(L10n::text(u"Domains", u"Domeinen"), u"Domeinen"_s);
    L10n::set_selected_language(AppLanguage::english);
    EXPECT_EQ(L10n::text(u"Domains", u"Domeinen"), u"Domains"_s);
    // Written behind L10n's back, as another part of the program would.
    Preferences::set_value(QString::fromLatin1(Preferences::app_language_key), u"dutch"_s);
    EXPECT_EQ(L10n::text(u"Domains", u"Domeinen"), u"Domeinen"_s);
}

TEST_F(LanguagePreferenceTest, SystemChoiceFollowsTheTestLocale)
{
    // The test process runs under C.UTF-8, which is not Dutch.
    if (qEnvironmentVariableIsSet("TESSARY_TEST_KEEP_LOCALE"))
        GTEST_SKIP() << "locale kept from the environment";
    EXPECT_FALSE(L10n::uses_dutch());
    EXPECT_EQ(L10n::text(u"Domains", u"Domeinen"), u"Domains"_s);
}

TEST_F(LanguagePreferenceTest, MenuTitles)
{
    in_each_language([](bool dutch) {
        EXPECT_EQ(app_language_menu_title(AppLanguage::system),
                  dutch ? u"Systeemtaal"_s : u"System Language"_s);
        EXPECT_EQ(app_language_menu_title(AppLanguage::english), u"English"_s);
        EXPECT_EQ(app_language_menu_title(AppLanguage::dutch), u"Nederlands"_s);
    });
}

struct MonitoringDurationCase {
    double seconds;
    const char16_t* english;
    const char16_t* dutch;
};

TEST_F(LanguagePreferenceTest, MonitoringDuration)
{
    const MonitoringDurationCase cases[] = {
        {-7200, u"< 1 hour", u"< 1 uur"}, {3599.99, u"< 1 hour", u"< 1 uur"},
        {3600, u"1 hour", u"1 uur"},      {7200, u"2 hours", u"2 uur"},
        {86399, u"23 hours", u"23 uur"},  {172799, u"1 day", u"1 dag"},
        {172800, u"2 days", u"2 dagen"},
    };
    in_each_language([&](bool dutch) {
        for (const auto& c : cases) {
            EXPECT_EQ(L10n::monitoring_duration(c.seconds),
                      QString::fromUtf16(dutch ? c.dutch : c.english))
                << c.seconds;
        }
    });
}

struct CountCase {
    QString (*format)(qint64);
    qint64 n;
    const char16_t* english;
    const char16_t* dutch;
};

TEST_F(LanguagePreferenceTest, Counts)
{
    const CountCase cases[] = {
        {L10n::calls, 1, u"1 call", u"1 call"},
        {L10n::calls, 1000, u"1000 calls", u"1000 calls"},
        {L10n::disturbances, 1, u"1 disturbance", u"1 verstoring"},
        {L10n::disturbances, 7, u"7 disturbances", u"7 verstoringen"},
        {L10n::seconds, 30, u"30 seconds", u"30 seconden"},
        {L10n::hours, 1, u"1 hours", u"1 uur"},
    };
    in_each_language([&](bool dutch) {
        for (const auto& c : cases) {
            EXPECT_EQ(c.format(c.n), QString::fromUtf16(dutch ? c.dutch : c.english))
                << QString::fromUtf16(c.english).toStdString();
        }
    });
}

// Registered on its own with a Dutch-preferring locale environment (see
// CMakeLists.txt); skipped in the ordinary run.
class SystemLanguageTest : public LanguagePreferenceTest {};

TEST_F(SystemLanguageTest, DutchEnvironmentSelectsDutch)
{
    const char* expect = std::getenv("TESSARY_EXPECT_SYSTEM_DUTCH");
    if (expect == nullptr)
        GTEST_SKIP() << "needs TESSARY_EXPECT_SYSTEM_DUTCH and a Dutch locale environment";
    ASSERT_STREQ(expect, "1");
    ASSERT_FALSE(L10n::system_preferred_languages().isEmpty());
    EXPECT_TRUE(L10n::system_preferred_languages().constFirst().startsWith(u"nl"))
        << L10n::system_preferred_languages().join(u',').toStdString();
    EXPECT_EQ(L10n::selected_language(), AppLanguage::system);
    EXPECT_TRUE(L10n::uses_dutch());
    EXPECT_EQ(L10n::text(u"Domains", u"Domeinen"), u"Domeinen"_s);
}

} // namespace
