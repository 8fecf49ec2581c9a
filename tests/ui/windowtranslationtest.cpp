// Translating whole windows, translating them again after a language change, and Qt's own
// texts and the charset complaint shown in message boxes.
#include <memory>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <QTest>

#include "common/error.h"
#include "i18n/catalog.h"
#include "i18n/catalogfixture.h"
#include "i18n/catalogtranslator.h"
#include "ui/componenttranslation.h"
#include "ui/interfacelanguage.h"
#include "ui/translatedwindows.h"

using namespace vexaris;
using namespace vexaris::i18n;

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

// A window with one of each kind of text the walk has to reach, in English.
std::unique_ptr<QWidget> makeWindow()
{
    auto window = std::make_unique<QWidget>();
    window->setObjectName(s("frmSample"));
    window->setWindowTitle(s("File"));
    auto *layout = new QVBoxLayout(window.get());

    auto *menuBar = new QMenuBar(window.get());
    menuBar->setObjectName(s("mnuMain"));
    QMenu *fileMenu = menuBar->addMenu(s("File"));
    fileMenu->setObjectName(s("mnuFile"));
    QAction *open = fileMenu->addAction(s("&Open"));
    open->setObjectName(s("actOpen"));
    open->setStatusTip(s("Open the file"));
    layout->setMenuBar(menuBar);

    auto *label = new QLabel(s("Scan progress:"), window.get());
    label->setObjectName(s("lblScanProgress"));
    label->setToolTip(s("Open the file"));
    layout->addWidget(label);

    auto *button = new QPushButton(s("Stop"), window.get());
    button->setObjectName(s("btnCancel"));
    layout->addWidget(button);

    auto *group = new QGroupBox(s("Choices"), window.get());
    group->setObjectName(s("rbgChoice"));
    auto *groupLayout = new QVBoxLayout(group);
    for (const char *choice : {"First", "Second"}) {
        auto *radio = new QRadioButton(s(choice), group);
        radio->setObjectName(s("rbgChoice") + s(choice));
        groupLayout->addWidget(radio);
    }
    layout->addWidget(group);

    auto *list = new QListWidget(window.get());
    list->setObjectName(s("lstItems"));
    list->addItems({s("First"), QString(), s("Second")});
    layout->addWidget(list);

    auto *combo = new QComboBox(window.get());
    combo->setObjectName(s("cmbChoice"));
    combo->addItems({s("First"), QString(), s("Second")});
    combo->setCurrentIndex(2);
    layout->addWidget(combo);

    auto *names = new QComboBox(window.get());
    names->setObjectName(s("cmbCollection"));
    names->setEditable(true);
    names->addItems({s("Stop"), s("First")});
    layout->addWidget(names);

    auto *edit = new QLineEdit(s("Stop"), window.get());
    edit->setObjectName(s("edtName"));
    edit->setPlaceholderText(s("File"));
    layout->addWidget(edit);

    auto *userText = new QLabel(s("Stop"), window.get());
    userText->setObjectName(s("lblCollectionName"));
    keepUntranslated(userText);
    layout->addWidget(userText);

    auto *tree = new QTreeWidget(window.get());
    tree->setObjectName(s("tvColumns"));
    tree->setHeaderLabels({s("Column")});
    layout->addWidget(tree);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, window.get());
    buttons->setObjectName(s("btnsDialog"));
    layout->addWidget(buttons);
    return window;
}

template <typename T> T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(s(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

QStringList listItems(QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

QStringList comboItems(QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList objectNames(const QWidget *window)
{
    QStringList names;
    for (const QObject *object : window->findChildren<QObject *>())
        names << object->objectName();
    return names;
}

} // namespace

class WindowTranslationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_catalogs.addCatalog(s("de"), testing::germanEntries()));
        QVERIFY(m_catalogs.addCatalog(s("fr"), testing::frenchEntries()));
        QVERIFY(m_catalogs.addEmptyFolder(s("it")));
        QCoreApplication::installTranslator(&m_translator);
    }

    void init()
    {
        resetCatalogForTests();
        setCatalogRoot(m_catalogs.root());
        setCharsetProblemHandler({});
    }

    void translatesEveryKindOfText_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("german");
        QTest::newRow("window title") << s("frmSample") << s("windowTitle") << s("Datei");
        QTest::newRow("label") << s("lblScanProgress") << s("text") << s("Fortschritt der Suche:");
        QTest::newRow("tool tip") << s("lblScanProgress") << s("toolTip") << s("Öffnet die Datei");
        QTest::newRow("button") << s("btnCancel") << s("text") << s("Anhalten");
        QTest::newRow("group title") << s("rbgChoice") << s("title") << s("Auswahl");
        QTest::newRow("radio choice") << s("rbgChoiceSecond") << s("text") << s("Zweite");
        QTest::newRow("placeholder") << s("edtName") << s("placeholderText") << s("Datei");
        QTest::newRow("menu title") << s("mnuFile") << s("title") << s("Datei");
        QTest::newRow("action") << s("actOpen") << s("text") << s("Ö&ffnen");
        QTest::newRow("status tip") << s("actOpen") << s("statusTip") << s("Öffnet die Datei");
    }

    void translatesEveryKindOfText()
    {
        QFETCH(QString, object);
        QFETCH(QString, property);
        QFETCH(QString, german);
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        QObject *target = object == window->objectName() ? window.get() : window->findChild<QObject *>(object);
        QVERIFY(target);
        QCOMPARE(target->property(property.toLatin1().constData()).toString(), german);
    }

    void austrianGermanShowsTheGermanCatalog()
    {
        SelectLanguage(s("de_AT"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        QCOMPARE(child<QPushButton>(window.get(), "btnCancel")->text(), s("Anhalten"));
        QCOMPARE(findMarker(window.get())->language, s("de_AT"));
    }

    void noLocaleFolderGivesEnglishAndNoBox()
    {
        QTemporaryDir empty;
        setCatalogRoot(empty.path() + s("/locale"));
        startInterfaceTranslation();
        int boxes = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&boxes] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                ++boxes;
                modal->close();
            }
        });
        closer.start(10);
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        QCOMPARE(child<QPushButton>(window.get(), "btnCancel")->text(), s("Stop"));
        QCOMPARE(window->windowTitle(), s("File"));
        QMessageBox box(QMessageBox::Question, s("Confirmation"), s("?"), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), s("&Yes"));
        QCOMPARE(boxes, 0);
        QCOMPARE(catalogState(), CatalogState::Missing);
        setCharsetProblemHandler({});
    }

    void listsKeepTheirEmptyLinesAndSelection()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        const QStringList german {s("Erste"), QString(), s("Zweite")};
        QCOMPARE(listItems(child<QListWidget>(window.get(), "lstItems")), german);
        auto *combo = child<QComboBox>(window.get(), "cmbChoice");
        QCOMPARE(comboItems(combo), german);
        QCOMPARE(combo->currentIndex(), 2);
        auto *tree = child<QTreeWidget>(window.get(), "tvColumns");
        QCOMPARE(tree->headerItem()->text(0), s("Spalte"));
    }

    void theUsersTextsStayAsTheyAre()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        QCOMPARE(child<QLineEdit>(window.get(), "edtName")->text(), s("Stop"));
        QCOMPARE(comboItems(child<QComboBox>(window.get(), "cmbCollection")), QStringList({s("Stop"), s("First")}));
        QCOMPARE(child<QLabel>(window.get(), "lblCollectionName")->text(), s("Stop"));
    }

    void namesNeverChange()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        // Names that are also catalog entries would be the first to go.
        window->findChild<QLabel *>(s("lblScanProgress"))->setObjectName(s("Stop"));
        const QStringList before = objectNames(window.get());
        TranslateComponent(window.get());
        SelectLanguage(s("fr"));
        RetranslateComponent(window.get());
        QCOMPARE(window->objectName(), s("frmSample"));
        QStringList after = objectNames(window.get());
        QVERIFY(after.removeOne(s("GNUgettextMarker")));
        QCOMPARE(after, before);
    }

    void markerHoldsTheLanguage()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        TranslationMarker *marker = findMarker(window.get());
        QVERIFY(marker);
        QCOMPARE(marker->objectName(), s("GNUgettextMarker"));
        QCOMPARE(marker->language, s("de"));
        SelectLanguage(s("fr"));
        RetranslateComponent(window.get());
        QCOMPARE(marker->language, s("fr"));
    }

    void switchingLanguagesStartsFromTheEnglishTexts_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("radio");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("column");
        const QStringList englishList {s("First"), QString(), s("Second")};
        QTest::newRow("German, French, German")
            << QStringList {s("de"), s("fr"), s("de")} << s("Anhalten") << s("Zweite")
            << QStringList {s("Erste"), QString(), s("Zweite")} << s("Spalte");
        QTest::newRow("German, French") << QStringList {s("de"), s("fr")} << s("Arrêter") << s("Second")
                                        << QStringList {s("Premier"), QString(), s("Second")} << s("Colonne");
        QTest::newRow("German, no catalog")
            << QStringList {s("de"), s("it")} << s("Stop") << s("Second") << englishList << s("Column");
        QTest::newRow("French, no catalog, unknown folder")
            << QStringList {s("fr"), s("it"), s("xx_YY")} << s("Stop") << s("Second") << englishList << s("Column");
        QTest::newRow("no catalog, German") << QStringList {s("it"), s("de")} << s("Anhalten") << s("Zweite")
                                            << QStringList {s("Erste"), QString(), s("Zweite")} << s("Spalte");
    }

    void switchingLanguagesStartsFromTheEnglishTexts()
    {
        QFETCH(QStringList, languages);
        QFETCH(QString, button);
        QFETCH(QString, radio);
        QFETCH(QStringList, list);
        QFETCH(QString, column);
        SelectLanguage(languages.first());
        auto window = makeWindow();
        TranslateComponent(window.get());
        for (const QString &language : languages.mid(1)) {
            SelectLanguage(language);
            RetranslateComponent(window.get());
        }
        QCOMPARE(child<QPushButton>(window.get(), "btnCancel")->text(), button);
        QCOMPARE(child<QRadioButton>(window.get(), "rbgChoiceSecond")->text(), radio);
        QCOMPARE(listItems(child<QListWidget>(window.get(), "lstItems")), list);
        QCOMPARE(comboItems(child<QComboBox>(window.get(), "cmbChoice")), list);
        QCOMPARE(child<QTreeWidget>(window.get(), "tvColumns")->headerItem()->text(0), column);
    }

    void actionToolTipFollowsTheTranslatedText()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        auto *open = child<QAction>(window.get(), "actOpen");
        QCOMPARE(open->toolTip(), s("Öffnen"));
        SelectLanguage(s("fr"));
        RetranslateComponent(window.get());
        QCOMPARE(open->toolTip(), s("Ouvrir"));
    }

    void textsTheProgramReplacedAreLeftAlone()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        child<QLabel>(window.get(), "lblScanProgress")->setText(s("3/10"));
        auto *list = child<QListWidget>(window.get(), "lstItems");
        list->addItem(s("/home/user/pictures"));
        SelectLanguage(s("fr"));
        RetranslateComponent(window.get());
        QCOMPARE(child<QLabel>(window.get(), "lblScanProgress")->text(), s("3/10"));
        QCOMPARE(listItems(list), QStringList({s("Erste"), QString(), s("Zweite"), s("/home/user/pictures")}));
        QCOMPARE(child<QPushButton>(window.get(), "btnCancel")->text(), s("Arrêter"));
    }

    void standardButtonsFollowTheLanguage()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        auto *buttons = child<QDialogButtonBox>(window.get(), "btnsDialog");
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), s("Abbrechen"));
        SelectLanguage(s("fr"));
        RetranslateComponent(window.get());
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), s("Annuler"));
    }

    void messageAndInputBoxButtonsUseTheCatalog()
    {
        SelectLanguage(s("de"));
        QMessageBox box(QMessageBox::Question, s("Confirmation"), s("?"), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), s("&Ja"));
        QCOMPARE(box.button(QMessageBox::No)->text(), s("&Nein"));
        QInputDialog input;
        input.setLabelText(s("Enter new path:"));
        input.show(); // builds its buttons
        auto *inputButtons = input.findChild<QDialogButtonBox *>();
        QVERIFY(inputButtons);
        QCOMPARE(inputButtons->button(QDialogButtonBox::Cancel)->text(), s("Abbrechen"));
        SelectLanguage(s("it"));
        QMessageBox english(QMessageBox::Question, s("Confirmation"), s("?"), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(english.button(QMessageBox::Yes)->text(), s("&Yes"));
    }

    void translatingTwiceInAnotherLanguageIsRefused()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        TranslateComponent(window.get());
        SelectLanguage(s("fr"));
        QVERIFY_THROWS_EXCEPTION(Error, TranslateComponent(window.get()));
        QCOMPARE(findMarker(window.get())->language, s("fr"));
        // Nothing was translated the second time.
        QCOMPARE(child<QPushButton>(window.get(), "btnCancel")->text(), s("Anhalten"));
    }

    void anOwnedWindowTranslatedOnItsOwnIsLeftToItself()
    {
        SelectLanguage(s("de"));
        auto window = makeWindow();
        auto *dialog = new QWidget(window.get(), Qt::Dialog);
        auto *label = new QLabel(s("Stop"), dialog);
        TranslateComponent(dialog);
        TranslateComponent(window.get());
        for (const RememberedText &entry : findMarker(window.get())->texts)
            QVERIFY(entry.object != dialog && entry.object != label);
        QCOMPARE(label->text(), s("Anhalten"));
    }

    void retranslatingAnUntranslatedWindowIsRefused()
    {
        auto window = makeWindow();
        QVERIFY_THROWS_EXCEPTION(Error, RetranslateComponent(window.get()));
    }

    void listedWindowsAreTranslatedInTheirOrder()
    {
        QObject scan, options, main;
        TranslatedWindows windows;
        windows.add(TranslatedWindow::Scan, &scan);
        windows.add(TranslatedWindow::Options, &options);
        {
            QObject review;
            windows.add(TranslatedWindow::Duplicates, &review);
        }
        windows.add(TranslatedWindow::Main, &main);
        QCOMPARE(windows.windows(), QList<QObject *>({&options, &main, &scan}));
    }

    void latin1CatalogShowsTheBoxOnceAndStaysEnglish()
    {
        testing::CatalogFixture latin1;
        QVERIFY(latin1.addCatalog(s("de"), testing::germanEntries(), "ISO-8859-1"));
        QVERIFY(latin1.addCatalog(s("fr"), testing::frenchEntries()));
        setCatalogRoot(latin1.root());
        startInterfaceTranslation();

        QStringList boxes;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&boxes] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes << box->windowTitle() + s("|") + box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        closer.start(10);

        SelectLanguage(s("de"));
        auto window = makeWindow();
        TranslateComponent(window.get());
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().startsWith(s("Localization problem|The translation for the language code de (in ")),
            qPrintable(boxes.first()));
        QVERIFY(boxes.first().endsWith(
            s(") does not have charset=utf-8 in its Content-Type. Translations are turned off.")));
        QCOMPARE(child<QPushButton>(window.get(), "btnCancel")->text(), s("Stop"));

        SelectLanguage(s("fr"));
        RetranslateComponent(window.get());
        QCOMPARE(child<QPushButton>(window.get(), "btnCancel")->text(), s("Stop"));
        QCOMPARE(boxes.size(), 1);
        setCharsetProblemHandler({});
    }

private:
    testing::CatalogFixture m_catalogs;
    CatalogTranslator m_translator;
};

QTEST_MAIN(WindowTranslationTest)
#include "windowtranslationtest.moc"
