// The access keys (the letter after "&") of the program's windows in every shipped catalog. The
// titles of a window's menu bar share one Alt+letter with its buttons and labels, the entries of a
// menu share its letters; when two texts take one key, the key reaches only one of them.
#include <map>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStandardPaths>

#include <QTest>

#include "app/desktop.h"
#include "i18n/catalog.h"
#include "log/processinglog.h"
#include "settings/optionswindow.h"
#include "store/session.h"
#include "support/testdatabase.h"
#include "ui/interfacelanguage.h"

using namespace vexaris;

namespace {

QString nameOf(const QObject *object)
{
    return object->objectName().isEmpty() ? QString::fromLatin1(object->metaObject()->className())
                                          : object->objectName();
}

// One "where: A and B both take Alt+X" line per clash among the texts.
QStringList clashes(const QString &where, const QStringList &texts)
{
    QStringList found;
    std::map<int, QString> taken;
    for (const QString &text : texts) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (key.isEmpty())
            continue;
        const auto [first, fresh] = taken.emplace(key[0].toCombined(), text);
        if (!fresh)
            found << QStringLiteral("%1: \"%2\" and \"%3\" both take %4")
                         .arg(where, first->second, text, key.toString(QKeySequence::NativeText));
    }
    return found;
}

QStringList actionTexts(const QWidget *widget)
{
    QStringList texts;
    for (const QAction *action : widget->actions())
        texts << action->text();
    return texts;
}

// The texts that answer to Alt+letter anywhere in the window: its menu bar's titles, its buttons,
// group boxes and the labels that hand the key on to another control.
QStringList windowKeyTexts(QWidget *window)
{
    QStringList texts;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window || !widget->isVisibleTo(window))
            continue;
        if (auto *bar = qobject_cast<QMenuBar *>(widget))
            texts << actionTexts(bar);
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            texts << button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            texts << group->title();
        else if (auto *label = qobject_cast<QLabel *>(widget); label && label->buddy())
            texts << label->text();
    }
    return texts;
}

// Every clash of one window: among its window-wide keys, within each of its menus, and within the
// context menu of each of its text boxes.
QStringList windowClashes(QWidget *window)
{
    const QString name = nameOf(window);
    QStringList found = clashes(name, windowKeyTexts(window));
    for (const QMenu *menu : window->findChildren<QMenu *>()) {
        if (menu->parentWidget() && menu->parentWidget()->window() == window)
            found << clashes(name + QStringLiteral(" menu ") + menu->title(), actionTexts(menu));
    }
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window)
            continue;
        std::unique_ptr<QMenu> context;
        if (auto *line = qobject_cast<QLineEdit *>(widget))
            context.reset(line->createStandardContextMenu());
        else if (auto *text = qobject_cast<QPlainTextEdit *>(widget))
            context.reset(text->createStandardContextMenu());
        if (context)
            found << clashes(name + QStringLiteral(" context menu of ") + nameOf(widget), actionTexts(context.get()));
    }
    return found;
}

} // namespace

class AccessKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No stored preference of the user's chooses the language of the windows.
        QStandardPaths::setTestModeEnabled(true);
        i18n::startInterfaceTranslation();
    }

    void noTwoTextsShareAKey_data()
    {
        QTest::addColumn<QString>("language");
        const QStringList languages = settings::languageList(i18n::catalogRoot());
        // The shipped catalogs and English, which has none.
        QVERIFY2(languages.size() > 1, qPrintable(i18n::catalogRoot()));
        for (const QString &code : languages)
            QTest::newRow(qPrintable(code)) << code;
    }

    void noTwoTextsShareAKey()
    {
        QFETCH(QString, language);
        // The windows as the program creates them at start, and the boxes it asks its questions in.
        const test::TestDatabase database;
        store::Session session;
        log::ProcessingLog processingLog;
        ui::Desktop desktop(session, processingLog, database.path());

        i18n::SelectLanguage(language);
        desktop.translatedWindows.retranslate();
        QCOMPARE(desktop.translatedWindows.windows().size(), 9);
        if (language != QLatin1String("en"))
            QCOMPARE(i18n::catalogState(), i18n::CatalogState::Open);

        QMessageBox question(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
        question.setObjectName(QStringLiteral("question"));
        QMessageBox notice(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok);
        notice.setObjectName(QStringLiteral("notice"));
        QInputDialog input;
        input.setObjectName(QStringLiteral("input box"));
        input.setInputMode(QInputDialog::TextInput);

        QStringList found;
        for (QObject *window : desktop.translatedWindows.windows()) {
            found << windowClashes(qobject_cast<QWidget *>(window));
            // A window's own dialogs (the pairs overview's rule editor) are translated with it.
            for (QDialog *dialog : window->findChildren<QDialog *>())
                found << windowClashes(dialog);
        }
        for (QWidget *box : std::initializer_list<QWidget *> {&question, &notice, &input})
            found << windowClashes(box);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(AccessKeysTest)
#include "accesskeystest.moc"
