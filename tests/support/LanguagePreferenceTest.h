#pragma once

#include "QStringPrinter.h"
#include "i18n/AppLanguage.h"
#include "i18n/L10n.h"
#include "i18n/Preferences.h"

#include <gtest/gtest.h>

#include <functional>

// Tests in one binary share a configuration folder, so each starts and ends
// without a stored language choice.
class LanguagePreferenceTest : public ::testing::Test {
protected:
    void SetUp() override { clear_choice(); }
    void TearDown() override { clear_choice(); }

    static void clear_choice()
    {
        Preferences::remove(QString::fromLatin1(Preferences::app_language_key));
    }

    // Runs `check` once with English and once with Dutch chosen explicitly.
    static void in_each_language(const std::function<void(bool dutch)>& check)
    {
        for (const bool dutch : {false, true}) {
            SCOPED_TRACE(dutch ? "Dutch" : "English");
            L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
            check(dutch);
        }
    }
};
