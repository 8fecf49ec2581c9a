// Message catalogs made for a test: a catalog root in a temporary folder, filled with .mo files
// compiled by msgfmt from a few entries.
#pragma once

#include <utility>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace vexaris::testing {

using Entries = std::vector<std::pair<const char *, const char *>>;

class CatalogFixture
{
public:
    QString root() const { return m_dir.path() + QStringLiteral("/locale"); }

    // Compiles entries (English, translation) into root/<folder>/LC_MESSAGES/default.mo. The
    // charset is what the header declares; the texts are written in it.
    bool addCatalog(const QString &folder, const Entries &entries, const char *charset = "UTF-8")
    {
        const QString messages = root() + QLatin1Char('/') + folder + QStringLiteral("/LC_MESSAGES");
        if (!QDir().mkpath(messages))
            return false;
        QByteArray po = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=";
        po += charset;
        po += "\\n\"\n\n";
        const bool latin1 = qstrcmp(charset, "UTF-8") != 0;
        for (const auto &[english, translation] : entries) {
            po += "msgid \"" + quoted(english) + "\"\n";
            const QByteArray utf8 = quoted(translation);
            po += "msgstr \"" + (latin1 ? QString::fromUtf8(utf8).toLatin1() : utf8) + "\"\n\n";
        }
        const QString source = m_dir.path() + QStringLiteral("/source.po");
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly) || file.write(po) != po.size())
            return false;
        file.close();
        QProcess msgfmt;
        msgfmt.start(
            QStringLiteral(VEXARIS_MSGFMT), {QStringLiteral("-o"), messages + QStringLiteral("/default.mo"), source});
        return msgfmt.waitForFinished() && msgfmt.exitStatus() == QProcess::NormalExit && msgfmt.exitCode() == 0;
    }

    // A folder without a catalog, as a language folder that ships none.
    bool addEmptyFolder(const QString &folder) { return QDir().mkpath(root() + QLatin1Char('/') + folder); }

private:
    static QByteArray quoted(const char *text)
    {
        QByteArray bytes(text);
        bytes.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
        return bytes;
    }

    QTemporaryDir m_dir;
};

// German and French texts shared by the tests.
inline const Entries &germanEntries()
{
    static const Entries entries {
        {"Stop", "Anhalten"},
        {"Scan progress:", "Fortschritt der Suche:"},
        {"Unknown picture file extension (.%s)", "Unbekannte Endung einer Bilddatei (.%s)"},
        {"Choices", "Auswahl"},
        {"First", "Erste"},
        {"Second", "Zweite"},
        {"File", "Datei"},
        {"Open the file", "Öffnet die Datei"},
        {"&Open", "Ö&ffnen"},
        // Only German has it: an action's tool tip follows the action's text, not this.
        {"Open", "Öffnen"},
        {"Column", "Spalte"},
        {"&Yes", "&Ja"},
        {"&No", "&Nein"},
        {"OK", "OK"},
        {"Cancel", "Abbrechen"},
    };
    return entries;
}

inline const Entries &frenchEntries()
{
    static const Entries entries {
        {"Stop", "Arrêter"},
        {"Scan progress:", "Progression de la recherche :"},
        {"Choices", "Choix"},
        {"First", "Premier"},
        {"Second", "Second"},
        {"File", "Fichier"},
        {"Open the file", "Ouvre le fichier"},
        {"&Open", "&Ouvrir"},
        {"Column", "Colonne"},
        {"&Yes", "&Oui"},
        {"&No", "&Non"},
        {"Cancel", "Annuler"},
    };
    return entries;
}

} // namespace vexaris::testing
