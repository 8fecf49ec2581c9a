// Catalog selection and lookup over glibc's libintl. libintl picks the catalog from the
// LANGUAGE variable, but only when the LC_MESSAGES locale is not "C" — and Qt sets the locale
// from the environment at start-up, which is "C" on many machines. So the layer sets LC_MESSAGES
// to C.UTF-8 itself, finds the catalog file itself (with the two-character fallback) and hands
// libintl exactly that folder's name.
#include "i18n/catalog.h"

#include <array>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <optional>

#include <libintl.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QThread>

#include "i18n/translate.h"

namespace vexaris::i18n {

namespace {

constexpr const char *kDomain = "default";

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

struct CatalogData
{
    std::mutex mutex;
    QString root;
    QString language;
    CatalogState state = CatalogState::NotOpened;
    bool switchedOff = false;
    CharsetProblemHandler problemHandler;
};

CatalogData &data()
{
    static CatalogData instance;
    return instance;
}

// A code becomes a folder name and a LANGUAGE entry: nothing that leaves the catalog root or
// that libintl would read as a list.
bool usableCode(const QString &code)
{
    return !code.isEmpty() && code != QLatin1String(".") && code != QLatin1String("..")
        && !code.contains(QLatin1Char('/')) && !code.contains(QLatin1Char(':')) && !code.contains(QLatin1Char('\0'));
}

QString catalogPath(const QString &root, const QString &code)
{
    return root + QLatin1Char('/') + code + QStringLiteral("/LC_MESSAGES/") + QLatin1String(kDomain)
        + QStringLiteral(".mo");
}

// Qt (and anybody else) may reset the locale after the catalog was opened.
void ensureMessagesLocale()
{
    const char *current = std::setlocale(LC_MESSAGES, nullptr);
    if (current && (std::strcmp(current, "C.UTF-8") == 0 || std::strcmp(current, "C.utf8") == 0))
        return;
    if (!std::setlocale(LC_MESSAGES, "C.UTF-8"))
        std::setlocale(LC_MESSAGES, "C.utf8");
}

bool declaresUtf8(const char *header)
{
    const QString text = QString::fromUtf8(header);
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        if (line.left(colon).trimmed().compare(QLatin1String("Content-Type"), Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).toUpper().contains(QLatin1String("CHARSET=UTF-8"));
    }
    return false;
}

bool onTranslatingThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

QString effectiveRoot(const CatalogData &d)
{
    if (!d.root.isEmpty())
        return d.root;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath() + QStringLiteral("/locale");
    return QStringLiteral("locale");
}

struct CharsetProblem
{
    std::string language;
    std::string path;
};

// Called with the lock held; returns the problem to report once the lock is released.
std::optional<CharsetProblem> openCatalog(CatalogData &d)
{
    const QString root = effectiveRoot(d);
    const QString file = catalogFile(root, d.language);
    if (file.isEmpty()) {
        d.state = CatalogState::Missing;
        return std::nullopt;
    }
    const QString folder = QFileInfo(file).dir().absolutePath().section(QLatin1Char('/'), -2, -2);
    ensureMessagesLocale();
    qputenv("LANGUAGE", QFile::encodeName(folder));
    bindtextdomain(kDomain, QFile::encodeName(root).constData());
    // libintl keeps the translations it found, keyed without LANGUAGE; setting the program's
    // text domain (to what it is) is the call that always tells it to forget them.
    textdomain(textdomain(nullptr));
    bind_textdomain_codeset(kDomain, "UTF-8");
    if (!declaresUtf8(dgettext(kDomain, ""))) {
        d.state = CatalogState::SwitchedOff;
        d.switchedOff = true;
        return CharsetProblem {d.language.toStdString(), QDir::toNativeSeparators(file).toStdString()};
    }
    d.state = CatalogState::Open;
    return std::nullopt;
}

void reportCharsetProblem(const CharsetProblem &problem, const CharsetProblemHandler &handler)
{
    const std::string caption = _("Localization problem");
    const std::string message = formatText(_("The translation for the language code %s (in %s) does not have "
                                             "charset=utf-8 in its Content-Type. Translations are turned off."),
        {problem.language, problem.path});
    if (handler)
        handler(caption, message);
    else
        std::cerr << caption << ": " << message << "\n";
}

} // namespace

QString catalogRoot()
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    return effectiveRoot(d);
}

void setCatalogRoot(const QString &root)
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    d.root = root;
    if (!d.switchedOff)
        d.state = CatalogState::NotOpened;
}

void SelectLanguage(const QString &code)
{
    const QString language = code.isEmpty() ? defaultLanguage() : code;
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    d.language = language;
    if (!d.switchedOff)
        d.state = CatalogState::NotOpened;
}

QString currentLanguage()
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    return d.language;
}

CatalogState catalogState()
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    return d.state;
}

QString catalogFile(const QString &root, const QString &code)
{
    if (!usableCode(code))
        return {};
    const QString full = catalogPath(root, code);
    if (QFileInfo(full).isFile())
        return full;
    const QString shortened = catalogPath(root, code.left(2));
    if (QFileInfo(shortened).isFile())
        return shortened;
    return {};
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

std::string translate(const char *text)
{
    if (!text)
        return {};
    // The empty text would look up the catalog's header.
    if (!*text || !onTranslatingThread())
        return text;

    CatalogData &d = data();
    std::optional<CharsetProblem> problem;
    CharsetProblemHandler handler;
    {
        std::lock_guard lock(d.mutex);
        if (d.state == CatalogState::NotOpened) {
            problem = openCatalog(d);
            handler = d.problemHandler;
        }
        if (d.state == CatalogState::Open) {
            ensureMessagesLocale();
            return dgettext(kDomain, text);
        }
    }
    if (problem)
        reportCharsetProblem(*problem, handler);
    return text;
}

void setCharsetProblemHandler(CharsetProblemHandler handler)
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    d.problemHandler = std::move(handler);
}

void resetCatalogForTests()
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    d.language.clear();
    d.state = CatalogState::NotOpened;
    d.switchedOff = false;
}

} // namespace vexaris::i18n
