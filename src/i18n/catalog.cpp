// Which interface language is current and where its catalog lives. The lookup itself is the
// Qt-free part in lookup.cpp; this part speaks Qt's strings and knows the program's folder.
#include "i18n/catalog.h"

#include <array>

#include <QCoreApplication>
#include <QFile>
#include <QLocale>

#include "i18n/lookup.h"

namespace vexaris::i18n {

namespace {

struct LocaleIdCode
{
    int id;
    const char *code;
};

// The platform's user-interface locale identifiers that name a language we may ship.
constexpr std::array<LocaleIdCode, 25> kLocaleIdCodes {{
    {1030, "da_DK"},
    {1031, "de_DE"},
    {1032, "el_GR"},
    {1033, "en_US"},
    {1034, "es_ES"},
    {3082, "es_ES"},
    {1035, "fi_FI"},
    {1036, "fr_FR"},
    {1039, "is_IS"},
    {1040, "it_IT"},
    {1042, "ko_KO"},
    {1043, "nl_NL"},
    {1044, "nb_NO"},
    {1045, "pl_PL"},
    {1046, "pt_BR"},
    {1049, "ru_RU"},
    {1053, "sv_SE"},
    {2057, "en_GB"},
    {2060, "fr_BE"},
    {2067, "nl_BE"},
    {2068, "nn_NO"},
    {2070, "pt_PT"},
    {2077, "sv_FI"},
    {3084, "fr_CA"},
    {4103, "de_LU"},
}};

QString fromBytes(const std::string &bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

std::string toBytes(const QString &text)
{
    return QFile::encodeName(text).toStdString();
}

QString programRoot()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath() + QStringLiteral("/locale");
    return QStringLiteral("locale");
}

} // namespace

QString catalogRoot()
{
    const std::string root = lookupRoot();
    return root.empty() ? programRoot() : fromBytes(root);
}

void setCatalogRoot(const QString &root)
{
    setLookupRoot(toBytes(root.isEmpty() ? programRoot() : root));
}

void SelectLanguage(const QString &code)
{
    if (lookupRoot().empty())
        setLookupRoot(toBytes(programRoot()));
    setLookupLanguage((code.isEmpty() ? defaultLanguage() : code).toStdString());
}

QString currentLanguage()
{
    return QString::fromStdString(lookupLanguage());
}

QString catalogFile(const QString &root, const QString &code)
{
    return fromBytes(catalogFileOf(toBytes(root), code.toStdString()));
}

QString defaultLanguage(const QString &lang, const QString &userLocale, int localeId)
{
    const QString fromLang = lang.section(QLatin1Char('.'), 0, 0);
    if (!fromLang.isEmpty())
        return fromLang;

    // The locale name as the environment spells it (de_CH.UTF-8@euro); QLocale supplies the
    // ISO codes.
    const QString name = userLocale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (!name.isEmpty()) {
        const QLocale locale(name);
        if (locale.language() != QLocale::C && locale.language() != QLocale::AnyLanguage
            && locale.territory() != QLocale::AnyTerritory) {
            QString language = QLocale::languageToCode(locale.language(), QLocale::ISO639Part1);
            const QString country = QLocale::territoryToCode(locale.territory());
            if (language == QLatin1String("no"))
                language = QStringLiteral("nb");
            if (language.size() == 2 && country.size() == 2 && country.at(0).isLetter())
                return language + QLatin1Char('_') + country;
        }
    }
    return languageForLocaleId(localeId);
}

QString defaultLanguage()
{
    // LANGUAGE is left out on purpose: it is a list of preferences, not a locale, and this layer
    // sets it itself.
    QString userLocale = qEnvironmentVariable("LC_ALL");
    if (userLocale.isEmpty())
        userLocale = qEnvironmentVariable("LC_MESSAGES");
    return defaultLanguage(qEnvironmentVariable("LANG"), userLocale, 0);
}

QString languageForLocaleId(int localeId)
{
    for (const LocaleIdCode &entry : kLocaleIdCodes) {
        if (entry.id == localeId)
            return QLatin1String(entry.code);
    }
    return QStringLiteral("C");
}

} // namespace vexaris::i18n
