// Catalog lookup over glibc's libintl. libintl picks the catalog from the LANGUAGE variable, but
// only when the LC_MESSAGES locale is not "C" — and Qt sets the locale from the environment at
// start-up, which is "C" on many machines. So the layer sets LC_MESSAGES to C.UTF-8 itself, finds
// the catalog file itself (with the two-character fallback) and hands libintl exactly that
// folder's name.
#include "i18n/lookup.h"

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include <libintl.h>

#include "i18n/translate.h"

namespace vexaris::i18n {

namespace {

constexpr const char *kDomain = "default";

// The interface language is the process's, as libintl's own state is: one lock guards it.
struct CatalogData
{
    std::mutex mutex;
    std::string root;
    std::string language;
    CatalogState state = CatalogState::NotOpened;
    bool switchedOff = false;
    CharsetProblemHandler problemHandler;
    std::thread::id translatingThread = std::this_thread::get_id();
};

CatalogData &data()
{
    static CatalogData instance;
    return instance;
}

// A code becomes a folder name and a LANGUAGE entry: nothing that leaves the catalog root or
// that libintl would read as a list.
bool usableCode(const std::string &code)
{
    return !code.empty() && code != "." && code != ".." && code.find_first_of("/:") == std::string::npos
        && code.find('\0') == std::string::npos;
}

std::string catalogPath(const std::string &root, const std::string &code)
{
    return root + '/' + code + "/LC_MESSAGES/" + kDomain + ".mo";
}

bool isFile(const std::string &path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
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

std::string upper(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool declaresUtf8(const char *header)
{
    const std::string text = header ? header : "";
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos && upper(trimmed(line.substr(0, colon))) == "CONTENT-TYPE")
            return upper(line.substr(colon + 1)).find("CHARSET=UTF-8") != std::string::npos;
        start = end + 1;
    }
    return false;
}

std::string folderLanguage(const std::string &file)
{
    // root/<code>/LC_MESSAGES/default.mo
    return std::filesystem::path(file).parent_path().parent_path().filename().string();
}

struct CharsetProblem
{
    std::string language;
    std::string path;
};

// Called with the lock held; returns the problem to report once the lock is released.
std::optional<CharsetProblem> openCatalog(CatalogData &d)
{
    const std::string file = catalogFileOf(d.root, d.language);
    if (file.empty()) {
        d.state = CatalogState::Missing;
        return std::nullopt;
    }
    ensureMessagesLocale();
    setenv("LANGUAGE", folderLanguage(file).c_str(), 1);
    bindtextdomain(kDomain, d.root.c_str());
    // libintl keeps the translations it found, keyed without LANGUAGE; setting the program's
    // text domain (to what it is) is the call that always tells it to forget them.
    textdomain(textdomain(nullptr));
    bind_textdomain_codeset(kDomain, "UTF-8");
    if (!declaresUtf8(dgettext(kDomain, ""))) {
        d.state = CatalogState::SwitchedOff;
        d.switchedOff = true;
        return CharsetProblem {d.language, file};
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

void reopenLater(CatalogData &d)
{
    if (!d.switchedOff)
        d.state = CatalogState::NotOpened;
}

} // namespace

void setLookupLanguage(const std::string &code)
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    d.language = code;
    d.translatingThread = std::this_thread::get_id();
    reopenLater(d);
}

std::string lookupLanguage()
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    return d.language;
}

void setLookupRoot(const std::string &root)
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    d.root = root;
    reopenLater(d);
}

std::string lookupRoot()
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    return d.root;
}

CatalogState catalogState()
{
    CatalogData &d = data();
    std::lock_guard lock(d.mutex);
    return d.state;
}

std::string catalogFileOf(const std::string &root, const std::string &code)
{
    if (!usableCode(code))
        return {};
    const std::string full = catalogPath(root, code);
    if (isFile(full))
        return full;
    const std::string shortened = catalogPath(root, code.substr(0, 2));
    if (isFile(shortened))
        return shortened;
    return {};
}

std::string translate(const char *text)
{
    if (!text)
        return {};
    // The empty text would look up the catalog's header.
    if (!*text)
        return text;

    CatalogData &d = data();
    std::optional<CharsetProblem> problem;
    CharsetProblemHandler handler;
    {
        std::lock_guard lock(d.mutex);
        // Worker threads (the update run's readers) translate their messages too, so that a log
        // line reads the same whichever thread met the problem; only the thread that chose the
        // language opens catalogs and touches the process's locale.
        if (std::this_thread::get_id() != d.translatingThread)
            return d.state == CatalogState::Open ? std::string(dgettext(kDomain, text)) : std::string(text);
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
