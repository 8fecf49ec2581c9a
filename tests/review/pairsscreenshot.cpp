// Draws the pairs overview of a real collection (one that the command line has updated and
// scanned, with a saved rule) for the README and the manual: the histogram with a group chosen in
// the group panel, then the rule's plan over the shown pairs with its verdicts and reasons. Run
// it under Xvfb (make-screenshots.sh).
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QIcon>
#include <QSpinBox>
#include <QTreeView>

#include <QTest>

#include "review/pairsmodel.h"
#include "review/pairswindow.h"
#include "store/data.h"
#include "store/folderlist.h"
#include "store/session.h"
#include "ui/interfacelanguage.h"

using namespace vexaris;

namespace {

bool save(QWidget &window, const QString &file)
{
    QTest::qWait(300);
    return window.grab().save(file);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QIcon::setFallbackThemeName(QStringLiteral("Tango"));
    QCoreApplication::setApplicationName(QStringLiteral("Vexaris 3.0 beta"));
    i18n::startInterfaceTranslation();
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s DATABASE COLLECTION RULE GROUP-PICTURE-FILE OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    store::Session session;
    session.ConnectDatabase(QString::fromLocal8Bit(argv[1]));
    store::FolderList folders;
    if (!store::LoadCollection(session, QString::fromLocal8Bit(argv[2]), session.CurrentCollection, folders))
        return 1;
    const QString rule = QString::fromLocal8Bit(argv[3]);
    const QString groupPicture = QString::fromLocal8Bit(argv[4]);
    const QString output = QString::fromLocal8Bit(argv[5]);

    ui::TfrmPairs window(session);
    window.resize(1280, 760);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    // The group of the named picture, chosen in the group panel as a user would.
    const ui::PairsModel &model = window.model();
    int group = 0;
    for (int row = 0; row < model.rowCount() && group == 0; ++row) {
        for (const int column : {ui::PairsModel::LeftFile, ui::PairsModel::RightFile}) {
            if (model.index(row, column).data().toString() == groupPicture)
                group = model.index(row, 0).data(ui::PairsModel::kGroupRole).toInt();
        }
    }
    auto *groups = window.findChild<QTreeView *>(QStringLiteral("lstGroups"));
    for (int row = 0; row < groups->model()->rowCount(); ++row) {
        const QModelIndex index = groups->model()->index(row, 0);
        if (index.data(Qt::UserRole).toInt() == group) {
            groups->setCurrentIndex(index);
            QTest::mouseClick(groups->viewport(), Qt::LeftButton, {}, groups->visualRect(index).center());
        }
    }
    if (!save(window, output + QStringLiteral("/pairs-group.png")))
        return 1;

    window.findChild<QSpinBox *>(QStringLiteral("spnGroup"))->setValue(0);
    auto *rules = window.findChild<QComboBox *>(QStringLiteral("cmbRule"));
    rules->setCurrentIndex(rules->findText(rule));
    auto *pairs = window.findChild<QTreeView *>(QStringLiteral("lstPairs"));
    pairs->setCurrentIndex(pairs->model()->index(0, 0));
    return save(window, output + QStringLiteral("/pairs-plan.png")) ? 0 : 1;
}
