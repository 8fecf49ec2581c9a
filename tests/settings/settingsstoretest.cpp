// The stored preferences: fallbacks, clamping and what is written.
#include "settings/settingsstore.h"

#include <ostream>
#include <string>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vexaris::settings;

namespace {

// Points the per-user settings of this process at a temporary folder.
class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

    QString file() const { return m_dir.path() + QStringLiteral("/Quillmark/Vexaris.conf"); }

    void writeRaw(const char *ini) const
    {
        QDir().mkpath(m_dir.path() + QStringLiteral("/Quillmark"));
        QFile out(file());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("[General]\n");
        out.write(ini);
    }

    QByteArray readRaw() const
    {
        QFile in(file());
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(SettingsStoreTest, FirstStartGivesTheFallbacksAndWritesNothing)
{
    const Preferences preferences = SettingsStore().load();
    EXPECT_EQ(preferences.threshold, 10);
    EXPECT_EQ(preferences.method, 0);
    EXPECT_TRUE(preferences.language.isEmpty());
    EXPECT_TRUE(preferences.stretchDuplicates);
    EXPECT_FALSE(preferences.rememberNotAMatch);
    EXPECT_FALSE(SettingsStore().storedLanguage().has_value());
    EXPECT_FALSE(QFile::exists(file()));
}

TEST_F(SettingsStoreTest, SavedValuesAreIntegersAndReadBack)
{
    SettingsStore().save({42, 3, QStringLiteral("de_AT"), false});
    const QByteArray raw = readRaw();
    EXPECT_NE(raw.indexOf("Threshold=42\n"), -1) << raw.toStdString();
    EXPECT_NE(raw.indexOf("Method=3\n"), -1) << raw.toStdString();
    EXPECT_NE(raw.indexOf("StretchDuplicates=0\n"), -1) << raw.toStdString();

    const Preferences preferences = SettingsStore().load();
    EXPECT_EQ(preferences.threshold, 42);
    EXPECT_EQ(preferences.method, 3);
    EXPECT_EQ(preferences.language.toStdString(), "de_AT");
    EXPECT_FALSE(preferences.stretchDuplicates);
    EXPECT_EQ(SettingsStore().storedLanguage().value_or(QString()).toStdString(), "de_AT");
}

TEST_F(SettingsStoreTest, RememberNotAMatchIsAnIntegerFlag)
{
    Preferences remember;
    remember.rememberNotAMatch = true;
    SettingsStore().save(remember);
    EXPECT_NE(readRaw().indexOf("RememberNotAMatch=1\n"), -1) << readRaw().toStdString();
    EXPECT_TRUE(SettingsStore().load().rememberNotAMatch);
    writeRaw("RememberNotAMatch=no\n");
    EXPECT_FALSE(SettingsStore().load().rememberNotAMatch);
}

TEST_F(SettingsStoreTest, NoLanguageIsStoredAsEmptyText)
{
    SettingsStore().save({10, 0, QString(), true});
    EXPECT_NE(readRaw().indexOf("Language=\n"), -1);
    EXPECT_TRUE(SettingsStore().load().language.isEmpty());
    EXPECT_FALSE(SettingsStore().storedLanguage().has_value());
}

struct StoredCase
{
    const char *name;
    const char *ini;
    int threshold;
    int method;
    const char *language;
    bool stretch;
};

// Test listings show the row's name instead of its bytes.
void PrintTo(const StoredCase &row, std::ostream *out)
{
    *out << row.name;
}

class StoredValuesTest : public SettingsStoreTest, public ::testing::WithParamInterface<StoredCase>
{
};

TEST_P(StoredValuesTest, ReadWithFallbacksAndClamping)
{
    const StoredCase &c = GetParam();
    writeRaw(c.ini);
    const Preferences preferences = SettingsStore().load();
    EXPECT_EQ(preferences.threshold, c.threshold);
    EXPECT_EQ(preferences.method, c.method);
    EXPECT_EQ(preferences.language.toStdString(), c.language);
    EXPECT_EQ(preferences.stretchDuplicates, c.stretch);
}

INSTANTIATE_TEST_SUITE_P(Values, StoredValuesTest,
    ::testing::Values(
        StoredCase {"AllInRange", "Threshold=42\nMethod=3\nLanguage=fr\nStretchDuplicates=0\n", 42, 3, "fr", false},
        StoredCase {"ThresholdAboveRange", "Threshold=250\n", 100, 0, "", true},
        StoredCase {"ThresholdBelowRange", "Threshold=-7\n", 0, 0, "", true},
        StoredCase {"ThresholdBeyondInteger", "Threshold=99999999999\n", 100, 0, "", true},
        StoredCase {"MethodAboveRange", "Method=9\n", 10, 5, "", true},
        StoredCase {"MethodBelowRange", "Method=-2\n", 10, 0, "", true},
        StoredCase {"NumbersThatAreNot", "Threshold=abc\nMethod=1.5\n", 10, 0, "", true},
        StoredCase {"OneBadValueLeavesTheOthers", "Threshold=abc\nMethod=2\nLanguage=de\n", 10, 2, "de", true},
        StoredCase {"StretchAnyNonZero", "StretchDuplicates=7\n", 10, 0, "", true},
        StoredCase {"StretchNotANumber", "StretchDuplicates=no\n", 10, 0, "", true},
        StoredCase {"LanguageThatIsAList", "Language=de, fr\n", 10, 0, "", true}),
    [](const auto &row) { return std::string(row.param.name); });

} // namespace
