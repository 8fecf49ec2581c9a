// Choosing the catalog of a language and looking texts up in it.
#include "i18n/catalog.h"

#include <clocale>
#include <ostream>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "i18n/catalogfixture.h"
#include "i18n/qtranslate.h"
#include "i18n/translate.h"

using namespace vexaris;
using namespace vexaris::i18n;
using vexaris::testing::CatalogFixture;

namespace {

struct DefaultLanguageCase
{
    const char *name;
    const char *lang;
    const char *userLocale;
    int localeId;
    const char *expected;
};

// Test listings show the row's name instead of its bytes.
void PrintTo(const DefaultLanguageCase &row, std::ostream *out)
{
    *out << row.name;
}

class DefaultLanguageTest : public ::testing::TestWithParam<DefaultLanguageCase>
{
};

TEST_P(DefaultLanguageTest, ComesFromTheFirstSourceThatGivesOne)
{
    const DefaultLanguageCase &c = GetParam();
    EXPECT_EQ(defaultLanguage(QString::fromUtf8(c.lang), QString::fromUtf8(c.userLocale), c.localeId).toStdString(),
        c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sources, DefaultLanguageTest,
    ::testing::Values(DefaultLanguageCase {"LangWithCodeset", "de_AT.UTF-8", "", 0, "de_AT"},
        DefaultLanguageCase {"LangWithoutCountry", "fr", "", 0, "fr"},
        DefaultLanguageCase {"LangKeptUpToTheDotOnly", "de_DE.ISO-8859-15@euro", "", 0, "de_DE"},
        DefaultLanguageCase {"LangIsTheCLocale", "C.UTF-8", "de_DE", 1031, "C"},
        DefaultLanguageCase {"LangBeforeLocale", "pt_BR", "de_DE.UTF-8", 1036, "pt_BR"},
        DefaultLanguageCase {"LangOnlyACodeset", ".UTF-8", "fr_CA.UTF-8", 0, "fr_CA"},
        DefaultLanguageCase {"LocaleWhenLangEmpty", "", "de_CH.UTF-8", 0, "de_CH"},
        DefaultLanguageCase {"LocaleWithModifier", "", "de_DE@euro", 0, "de_DE"},
        DefaultLanguageCase {"NorwegianBecomesBokmal", "", "no_NO", 0, "nb_NO"},
        DefaultLanguageCase {"CLocaleLeavesItToTheIdentifier", "", "C", 1036, "fr_FR"},
        DefaultLanguageCase {"PosixLocaleLeavesItToTheIdentifier", "", "POSIX", 3082, "es_ES"},
        DefaultLanguageCase {"SecondSpanishIdentifier", "", "", 1034, "es_ES"},
        DefaultLanguageCase {"NynorskIdentifier", "", "", 2068, "nn_NO"},
        DefaultLanguageCase {"LuxembourgIdentifier", "", "", 4103, "de_LU"},
        DefaultLanguageCase {"UnknownIdentifier", "", "", 1041, "C"},
        DefaultLanguageCase {"NothingKnown", "", "", 0, "C"}),
    [](const auto &row) { return std::string(row.param.name); });

struct CatalogFileCase
{
    const char *name;
    std::vector<const char *> folders; // each gets a catalog
    const char *code;
    const char *expectedFolder; // "" for none
};

// Test listings show the row's name instead of its bytes.
void PrintTo(const CatalogFileCase &row, std::ostream *out)
{
    *out << row.name;
}

class CatalogFileTest : public ::testing::TestWithParam<CatalogFileCase>
{
};

TEST_P(CatalogFileTest, FindsTheCodeOrItsFirstTwoCharacters)
{
    const CatalogFileCase &c = GetParam();
    CatalogFixture catalogs;
    for (const char *folder : c.folders)
        ASSERT_TRUE(catalogs.addCatalog(QString::fromUtf8(folder), {{"Stop", "x"}}));
    const QString file = catalogFile(catalogs.root(), QString::fromUtf8(c.code));
    const QString expected = *c.expectedFolder ? catalogs.root() + QLatin1Char('/')
            + QString::fromUtf8(c.expectedFolder) + QStringLiteral("/LC_MESSAGES/default.mo")
                                               : QString();
    EXPECT_EQ(file.toStdString(), expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Codes, CatalogFileTest,
    ::testing::Values(CatalogFileCase {"ExactCode", {"de", "de_AT"}, "de_AT", "de_AT"},
        CatalogFileCase {"CountryFallsBackToLanguage", {"de"}, "de_AT", "de"},
        CatalogFileCase {"TwoCharacterCode", {"fr"}, "fr", "fr"},
        CatalogFileCase {"NeitherExists", {"de"}, "fr_CA", ""}, CatalogFileCase {"NoFolderAtAll", {}, "de", ""},
        CatalogFileCase {"CodeLeavingTheRoot", {"de"}, "../locale/de", ""},
        CatalogFileCase {"CodeThatIsAList", {"de"}, "de:fr", ""}),
    [](const auto &row) { return std::string(row.param.name); });

// A fresh program lifetime per test, with a catalog root of its own.
class CatalogLookupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetCatalogForTests();
        setCatalogRoot(catalogs.root());
        setCharsetProblemHandler([this](const std::string &caption, const std::string &message) {
            problems.push_back(caption + ": " + message);
        });
    }

    void TearDown() override
    {
        setCharsetProblemHandler({});
        resetCatalogForTests();
    }

    CatalogFixture catalogs;
    std::vector<std::string> problems;
};

TEST_F(CatalogLookupTest, AustrianGermanUsesTheGermanCatalog)
{
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("de"), vexaris::testing::germanEntries()));
    SelectLanguage(QStringLiteral("de_AT"));
    EXPECT_EQ(_("Stop"), "Anhalten");
    EXPECT_EQ(catalogState(), CatalogState::Open);
    EXPECT_EQ(currentLanguage().toStdString(), "de_AT");
}

TEST_F(CatalogLookupTest, NoLocaleFolderGivesEnglishWithoutComplaint)
{
    SelectLanguage(QStringLiteral("de"));
    EXPECT_EQ(_("Stop"), "Stop");
    EXPECT_EQ(catalogState(), CatalogState::Missing);
    EXPECT_TRUE(problems.empty());
}

TEST_F(CatalogLookupTest, SwitchingLanguagesShowsEachCatalogAndEnglishWithoutOne)
{
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("de"), vexaris::testing::germanEntries()));
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("fr"), vexaris::testing::frenchEntries()));
    ASSERT_TRUE(catalogs.addEmptyFolder(QStringLiteral("it")));
    struct Step
    {
        const char *language;
        const char *stop;
    };
    const Step steps[] = {{"de", "Anhalten"}, {"fr", "Arrêter"}, {"de", "Anhalten"}, {"it", "Stop"}, {"fr", "Arrêter"}};
    for (const Step &step : steps) {
        SelectLanguage(QString::fromUtf8(step.language));
        EXPECT_EQ(_("Stop"), step.stop) << "after choosing " << step.language;
    }
    EXPECT_TRUE(problems.empty());
}

TEST_F(CatalogLookupTest, Latin1CatalogIsReportedOnceAndTurnsTranslationOffForGood)
{
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("de"), vexaris::testing::germanEntries(), "ISO-8859-1"));
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("fr"), vexaris::testing::frenchEntries()));

    SelectLanguage(QStringLiteral("de"));
    EXPECT_TRUE(problems.empty()) << "nothing is opened before the first text is looked up";
    EXPECT_EQ(_("Stop"), "Stop");
    ASSERT_EQ(problems.size(), 1u);
    const std::string path
        = QFileInfo(catalogs.root() + QStringLiteral("/de/LC_MESSAGES/default.mo")).absoluteFilePath().toStdString();
    EXPECT_EQ(problems.front(),
        "Localization problem: The translation for the language code de (in " + path
            + ") does not have charset=utf-8 in its Content-Type. Translations are turned off.");

    SelectLanguage(QStringLiteral("fr"));
    EXPECT_EQ(_("Stop"), "Stop");
    SelectLanguage(QStringLiteral("de"));
    EXPECT_EQ(_("Scan progress:"), "Scan progress:");
    EXPECT_EQ(problems.size(), 1u);
    EXPECT_EQ(catalogState(), CatalogState::SwitchedOff);
}

TEST_F(CatalogLookupTest, FormatTextIsTranslatedBeforeItsArgumentsGoIn)
{
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("de"), vexaris::testing::germanEntries()));
    SelectLanguage(QStringLiteral("de"));
    // The argument looks like a format and like a catalog entry: neither may matter.
    EXPECT_EQ(formatText(_("Unknown picture file extension (.%s)"), {"Stop%s"}),
        "Unbekannte Endung einer Bilddatei (.Stop%s)");
    EXPECT_EQ(qtrFormat("Unknown picture file extension (.%s)", {QStringLiteral("Stop%s")}).toStdString(),
        "Unbekannte Endung einer Bilddatei (.Stop%s)");
}

TEST_F(CatalogLookupTest, EmptyTextIsNotTheCatalogHeader)
{
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("de"), vexaris::testing::germanEntries()));
    SelectLanguage(QStringLiteral("de"));
    EXPECT_EQ(_("Stop"), "Anhalten");
    EXPECT_EQ(_(""), "");
}

TEST_F(CatalogLookupTest, LocaleResetByTheToolkitKeepsTheTranslation)
{
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("de"), vexaris::testing::germanEntries()));
    SelectLanguage(QStringLiteral("de"));
    EXPECT_EQ(_("Stop"), "Anhalten");
    // What a toolkit does at start-up on a machine whose locale is "C".
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(_("Scan progress:"), "Fortschritt der Suche:");
}

// The update run's readers meet problems on threads of their own; their messages must read as
// the run's own do. Opening a catalog stays with the thread that chose the language.
TEST_F(CatalogLookupTest, OtherThreadsTranslateOnceTheLanguagesThreadOpenedTheCatalog)
{
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("de"), vexaris::testing::germanEntries()));
    SelectLanguage(QStringLiteral("de"));
    const auto onAnotherThread = [] {
        std::string text;
        std::thread worker([&text] { text = _("Stop"); });
        worker.join();
        return text;
    };
    EXPECT_EQ(onAnotherThread(), "Stop");
    EXPECT_EQ(catalogState(), CatalogState::NotOpened);
    EXPECT_EQ(_("Stop"), "Anhalten");
    EXPECT_EQ(onAnotherThread(), "Anhalten");
}

TEST_F(CatalogLookupTest, EmptyCodeSelectsTheLanguageOfTheEnvironment)
{
    ASSERT_TRUE(catalogs.addCatalog(QStringLiteral("fr"), vexaris::testing::frenchEntries()));
    const QByteArray savedLang = qgetenv("LANG");
    qputenv("LANG", "fr_BE.UTF-8");
    SelectLanguage(QString());
    EXPECT_EQ(currentLanguage().toStdString(), "fr_BE");
    EXPECT_EQ(_("Stop"), "Arrêter");
    qputenv("LANG", savedLang);
}

struct FormatCase
{
    const char *name;
    const char *format;
    std::vector<std::string_view> args;
    const char *expected;
};

// Test listings show the row's name instead of its bytes.
void PrintTo(const FormatCase &row, std::ostream *out)
{
    *out << row.name;
}

class FormatTextTest : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(FormatTextTest, InsertsArgumentsInOrder)
{
    const FormatCase &c = GetParam();
    std::string result;
    switch (c.args.size()) {
    case 0:
        result = formatText(c.format, {});
        break;
    case 1:
        result = formatText(c.format, {c.args[0]});
        break;
    default:
        result = formatText(c.format, {c.args[0], c.args[1]});
        break;
    }
    EXPECT_EQ(result, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatTextTest,
    ::testing::Values(FormatCase {"TextAndNumber", "Folder %s has %d files", {"/a", "12"}, "Folder /a has 12 files"},
        FormatCase {"DoubledPercent", "100%% of %s", {"x"}, "100% of x"},
        FormatCase {"ArgumentWithPercent", "(%s)", {"%d%s"}, "(%d%s)"},
        FormatCase {"MissingArgumentLeavesNothing", "(.%s)", {}, "(.)"},
        FormatCase {"PercentAtTheEnd", "done 100%", {}, "done 100%"},
        FormatCase {"OtherDirectiveKept", "%x and %s", {"y"}, "%x and y"}),
    [](const auto &row) { return std::string(row.param.name); });

} // namespace

int main(int argc, char **argv)
{
    // The application object decides which thread translates.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
