// The main window's View duplicates command, offscreen, on a real database file: the notice when
// the collection has no pairs, the modal and maximized review window when it has.
#include "app/viewcommand.h"

#include <memory>

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <QtTest>

#include "review/duplicateswindow.h"
#include "support/testdatabase.h"
#include "ui/dialogs.h"

using namespace vexaris;
using namespace vexaris::ui;
using namespace Qt::Literals::StringLiterals;

namespace {

class Boxes : public DialogHook
{
public:
    bool answer(const BoxRecord &question) override
    {
        questions << question;
        return false;
    }
    void shown(const BoxRecord &notice) override { notices << notice; }
    QString input(const BoxRecord &, const QString &initial) override { return initial; }

    QList<BoxRecord> questions;
    QList<BoxRecord> notices;
};

} // namespace

class TestViewCommand : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_db = std::make_unique<test::ConnectedTestDatabase>();
        m_collection = m_db->addCollection(u"Holiday"_s);
        m_db->session().CurrentCollection.ID = m_collection;
        m_boxes = Boxes();
        setDialogHook(&m_boxes);
        m_window = std::make_unique<TfrmDuplicates>(m_db->session());
        m_window->setStretchPreference([] { return true; });
    }

    void cleanup()
    {
        m_window.reset();
        setDialogHook(nullptr);
        m_db.reset();
    }

    void viewWithoutPairsOnlySaysSo()
    {
        // A pair of another collection does not count.
        const int other = m_db->addCollection(u"Other"_s);
        const int folder = m_db->addFolder(other, u"/elsewhere"_s);
        m_db->addPair(other, m_db->addPicture({.collectionId = other, .folderId = folder}),
            m_db->addPicture({.collectionId = other, .folderId = folder}), 0);
        QWidget mainWindow;
        executeViewDuplicates(&mainWindow, m_db->session(), *m_window);
        QCOMPARE(m_boxes.notices.size(), 1);
        QCOMPARE(m_boxes.notices[0].caption, u"No Duplicates"_s);
        QCOMPARE(m_boxes.notices[0].text,
            u"No duplicates were found during the scan. If you suspect that there still are duplicates, you may try "
            "to scan with a higher threshold."_s);
        QCOMPARE(m_boxes.notices[0].icon, QMessageBox::NoIcon);
        QVERIFY(!m_window->isVisible());
    }

    void viewWithPairsOpensModalAndMaximized()
    {
        const int folder = m_db->addFolder(m_collection, m_db->folder());
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        for (const QString &name : {u"l.png"_s, u"r.png"_s})
            QVERIFY(picture.save(m_db->folder() + u'/' + name));
        m_db->addPair(m_collection,
            m_db->addPicture({.collectionId = m_collection, .folderId = folder, .fileName = u"l.png"_s}),
            m_db->addPicture({.collectionId = m_collection, .folderId = folder, .fileName = u"r.png"_s}), 1);
        bool wasShown = false;
        QTimer::singleShot(0, m_window.get(), [&] {
            wasShown = m_window->isVisible() && m_window->isModal()
                && m_window->windowState().testFlag(Qt::WindowMaximized) && m_window->lblLeftFile->text() == u"l.png"_s;
            m_window->close();
        });
        QWidget mainWindow;
        executeViewDuplicates(&mainWindow, m_db->session(), *m_window);
        QVERIFY(wasShown);
        QVERIFY(m_boxes.notices.isEmpty());
    }

private:
    std::unique_ptr<test::ConnectedTestDatabase> m_db;
    std::unique_ptr<TfrmDuplicates> m_window;
    Boxes m_boxes;
    int m_collection = 0;
};

QTEST_MAIN(TestViewCommand)
#include "viewcommandtest.moc"
