// The preferences window: what it shows from the stored values, its language list, changing the
// language of every window, and storing on every close.
#include "settings/optionswindow.h"

#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>

#include <QTest>

#include "i18n/catalog.h"
#include "i18n/catalogfixture.h"
#include "ui/componenttranslation.h"
#include "ui/translatedwindows.h"

using namespace vexaris;
using namespace vexaris::settings;

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace

class OptionsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
        QVERIFY(m_catalogs.addCatalog(s("de"),
            {{"Vexaris 3.0 Options", "Vexaris 3.0 Optionen"}, {"Threshold:", "Schwelle:"}, {"Stop", "Anhalten"}}));
        QVERIFY(m_catalogs.addCatalog(
            s("fr"), {{"Vexaris 3.0 Options", "Options de Vexaris 3.0"}, {"Threshold:", "Seuil :"}}));
    }

    void init()
    {
        QFile::remove(settingsFile());
        i18n::resetCatalogForTests();
        i18n::setCatalogRoot(m_catalogs.root());
        i18n::SelectLanguage(s("en"));
    }

    void firstStartShowsTheFallbacks()
    {
        TfrmOptions window;
        QCOMPARE(window.threshold(), 10);
        QCOMPARE(window.method(), 0);
        QVERIFY(window.findChild<QRadioButton *>(s("rbgMethodItem0"))->isChecked());
        QCOMPARE(window.language(), QString());
        QCOMPARE(window.findChild<QComboBox *>(s("cmbLanguage"))->currentIndex(), -1);
        QVERIFY(window.stretchDuplicates());
        QVERIFY(!QFile::exists(settingsFile()));
        window.show();
        QCOMPARE(window.findChild<QLabel *>(s("lblThreshold"))->text(), s("10"));
        window.close();
        QSettings stored(s("Quillmark"), s("Vexaris"));
        QCOMPARE(stored.value(s("Threshold")).toInt(), 10);
        QCOMPARE(stored.value(s("Method")).toInt(), 0);
        QCOMPARE(stored.value(s("Language")).toString(), QString());
        QCOMPARE(stored.value(s("StretchDuplicates")).toInt(), 1);
    }

    void storedValuesAreBroughtIntoRange_data()
    {
        QTest::addColumn<int>("storedThreshold");
        QTest::addColumn<int>("storedMethod");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QString>("checkedChoice");
        QTest::newRow("250 and method 9") << 250 << 9 << 100 << s("rbgMethodItem5");
        QTest::newRow("in range") << 37 << 4 << 37 << s("rbgMethodItem4");
        QTest::newRow("below range") << -1 << -3 << 0 << s("rbgMethodItem0");
    }

    void storedValuesAreBroughtIntoRange()
    {
        QFETCH(int, storedThreshold);
        QFETCH(int, storedMethod);
        QFETCH(int, threshold);
        QFETCH(QString, checkedChoice);
        {
            QSettings stored(s("Quillmark"), s("Vexaris"));
            stored.setValue(s("Threshold"), storedThreshold);
            stored.setValue(s("Method"), storedMethod);
        }
        TfrmOptions window;
        QCOMPARE(window.threshold(), threshold);
        QCOMPARE(window.findChild<QSlider *>(s("trbThreshold"))->value(), threshold);
        QVERIFY(window.findChild<QRadioButton *>(checkedChoice)->isChecked());
        window.show();
        QCOMPARE(window.findChild<QLabel *>(s("lblThreshold"))->text(), QString::number(threshold));
    }

    void storedLanguageNotOfferedSelectsNone()
    {
        QSettings(s("Quillmark"), s("Vexaris")).setValue(s("Language"), s("pt_BR"));
        TfrmOptions window;
        QCOMPARE(window.language(), QString());
        QSettings(s("Quillmark"), s("Vexaris")).setValue(s("Language"), s("fr"));
        TfrmOptions second;
        QCOMPARE(second.language(), s("fr"));
    }

    void languageListComesFromTheLocaleFolder_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("offered"); // sorted; "en" is then last when added
        QTest::addColumn<bool>("enAdded");
        QTest::newRow("no locale folder") << QStringList() << QStringList() << QStringList() << true;
        QTest::newRow("empty locale folder") << QStringList {s(".")} << QStringList() << QStringList() << true;
        QTest::newRow("folders only, hidden ones left out")
            << QStringList {s("de"), s("fr"), s(".cache")} << QStringList {s("README"), s("nl.mo")}
            << QStringList {s("de"), s("fr")} << true;
        QTest::newRow("en shipped") << QStringList {s("en"), s("de")} << QStringList() << QStringList {s("de"), s("en")}
                                    << false;
    }

    void languageListComesFromTheLocaleFolder()
    {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, files);
        QFETCH(QStringList, offered);
        QFETCH(bool, enAdded);
        QTemporaryDir dir;
        const QString root = dir.path() + s("/locale");
        for (const QString &folder : folders)
            QVERIFY(QDir().mkpath(root + QLatin1Char('/') + folder));
        for (const QString &name : files) {
            QFile file(root + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        if (!folders.isEmpty())
            QVERIFY(QFile::link(root + s("/de"), root + s("/de_LINK")) || !folders.contains(s("de")));

        QStringList list = languageList(root);
        if (enAdded) {
            QCOMPARE(list.last(), s("en"));
            list.removeLast();
        }
        list.sort();
        QCOMPARE(list, offered);

        i18n::setCatalogRoot(root);
        TfrmOptions window;
        QStringList shown = comboItems(window.findChild<QComboBox *>(s("cmbLanguage")));
        QCOMPARE(shown.size(), offered.size() + (enAdded ? 1 : 0));
    }

    void choosingALanguageTranslatesTheListedWindowsAgain()
    {
        QWidget mainWindow;
        auto *stop = new QLabel(s("Stop"), &mainWindow);
        i18n::TranslateComponent(&mainWindow);

        TfrmOptions window;
        i18n::TranslatedWindows windows;
        windows.add(i18n::TranslatedWindow::Options, &window);
        windows.add(i18n::TranslatedWindow::Main, &mainWindow);
        window.setTranslatedWindows(windows);
        auto *combo = window.findChild<QComboBox *>(s("cmbLanguage"));
        auto *caption = window.findChild<QLabel *>(s("lblThresholdCaption"));
        const QString english = caption->text();
        window.show();

        struct Step
        {
            const char *language;
            const char *title;
            const char *threshold;
            const char *stop;
        };
        const Step steps[] = {
            {"de", "Vexaris 3.0 Optionen", "Schwelle:", "Anhalten"},
            {"fr", "Options de Vexaris 3.0", "Seuil :", "Stop"},
            {"de", "Vexaris 3.0 Optionen", "Schwelle:", "Anhalten"},
            {"en", "Vexaris 3.0 Options", "Threshold:", "Stop"},
        };
        for (const Step &step : steps) {
            pick(combo, s(step.language));
            QCOMPARE(window.windowTitle(), s(step.title));
            QCOMPARE(caption->text(), s(step.threshold));
            QCOMPARE(stop->text(), s(step.stop));
            QCOMPARE(window.language(), s(step.language));
            QCOMPARE(i18n::currentLanguage(), s(step.language));
        }
        QCOMPARE(english, s("Threshold:"));
        // The number is not a text of the window's definition and stays what it was.
        QCOMPARE(window.findChild<QLabel *>(s("lblThreshold"))->text(), s("10"));
    }

    void closingByTheTitleBarStoresTheChoice()
    {
        TfrmOptions window;
        window.show();
        pick(window.findChild<QComboBox *>(s("cmbLanguage")), s("de"));
        window.findChild<QSlider *>(s("trbThreshold"))->setValue(25);
        window.findChild<QRadioButton *>(s("rbgMethodItem3"))->setChecked(true);
        window.findChild<QCheckBox *>(s("chkStretchDuplicates"))->setChecked(false);
        QVERIFY(!window.rememberNotAMatch());
        window.findChild<QCheckBox *>(s("chkRememberNotAMatch"))->setChecked(true);
        QVERIFY(window.close());
        QSettings stored(s("Quillmark"), s("Vexaris"));
        QCOMPARE(stored.value(s("Language")).toString(), s("de"));
        QCOMPARE(stored.value(s("Threshold")).toInt(), 25);
        QCOMPARE(stored.value(s("Method")).toInt(), 3);
        QCOMPARE(stored.value(s("StretchDuplicates")).toInt(), 0);

        TfrmOptions reopened;
        QCOMPARE(reopened.language(), s("de"));
        QCOMPARE(reopened.threshold(), 25);
        QCOMPARE(reopened.method(), 3);
        QVERIFY(!reopened.stretchDuplicates());
        QVERIFY(reopened.rememberNotAMatch());
    }

    void theOkButtonStoresToo()
    {
        TfrmOptions window;
        window.show();
        window.findChild<QSlider *>(s("trbThreshold"))->setValue(63);
        window.findChild<QAbstractButton *>(s("btnOK"))->click();
        QVERIFY(!window.isVisible());
        QCOMPARE(QSettings(s("Quillmark"), s("Vexaris")).value(s("Threshold")).toInt(), 63);
    }

    void germanWindowShowsEveryTextWhole()
    {
        // The shipped German catalog, as the build lays it out.
        i18n::setCatalogRoot(s(VEXARIS_SHIPPED_LOCALE));
        i18n::SelectLanguage(s("de"));
        TfrmOptions window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(window.windowTitle() != s("Vexaris 3.0 Options"), "the German catalog was not used");

        int checked = 0;
        for (QWidget *widget : window.findChildren<QWidget *>()) {
            if (!widget->isVisible())
                continue;
            int needed = 0;
            if (auto *label = qobject_cast<QLabel *>(widget))
                needed = label->text().isEmpty() ? 0 : label->sizeHint().width();
            else if (auto *button = qobject_cast<QAbstractButton *>(widget))
                needed = button->sizeHint().width();
            else if (auto *group = qobject_cast<QGroupBox *>(widget))
                needed = group->fontMetrics().horizontalAdvance(group->title());
            if (needed == 0)
                continue;
            ++checked;
            QVERIFY2(widget->width() >= needed,
                qPrintable(widget->objectName() + s(" is clipped: ") + QString::number(widget->width()) + s(" < ")
                    + QString::number(needed)));
            QVERIFY2(window.rect().contains(QRect(widget->mapTo(&window, QPoint()), widget->size())),
                qPrintable(widget->objectName() + s(" reaches out of the window")));
        }
        QVERIFY(checked >= 14);
    }

    void staysCentredWhenTheLanguageChanges()
    {
        // The shipped German catalog, whose texts make the window wider than in English.
        i18n::setCatalogRoot(s(VEXARIS_SHIPPED_LOCALE));
        TfrmOptions window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint centre = window.frameGeometry().center();
        const int englishWidth = window.width();
        const auto centreMoved = [&window, &centre] {
            const QPoint now = window.frameGeometry().center();
            return (now - centre).manhattanLength() > 1
                ? s("centre moved from %1,%2 to %3,%4").arg(centre.x()).arg(centre.y()).arg(now.x()).arg(now.y())
                : QString();
        };

        // The window takes its new size when the event loop gets to its layout.
        pick(window.findChild<QComboBox *>(s("cmbLanguage")), s("de"));
        QTRY_VERIFY(window.width() > englishWidth);
        QVERIFY2(centreMoved().isEmpty(), qPrintable(centreMoved()));
        pick(window.findChild<QComboBox *>(s("cmbLanguage")), s("en"));
        QTRY_COMPARE(window.width(), englishWidth);
        QVERIFY2(centreMoved().isEmpty(), qPrintable(centreMoved()));
    }

private:
    static void pick(QComboBox *combo, const QString &code)
    {
        const int index = combo->findText(code);
        QVERIFY(index >= 0);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    QString settingsFile() const { return m_settingsDir.path() + s("/Quillmark/Vexaris.conf"); }

    QTemporaryDir m_settingsDir;
    testing::CatalogFixture m_catalogs;
};

QTEST_MAIN(OptionsWindowTest)
#include "optionswindowtest.moc"
