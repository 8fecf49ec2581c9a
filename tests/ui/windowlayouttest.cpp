// What a window remembers of its layout between runs: a table's columns, stored when its window is
// hidden and given to the next window of the same key. (The main window's size and place are
// checked with the main window.)
#include "ui/windowlayout.h"

#include <memory>

#include <QHeaderView>
#include <QSettings>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

#include <QTest>

using namespace vexaris;

class WindowLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Quillmark"), QStringLiteral("Vexaris")).remove(QStringLiteral("Layout/LayoutTest"));
    }

    void aTableKeepsItsColumnsWidthsAndOrder()
    {
        QStandardItemModel model(2, 3);
        const auto window = [&model](QTableView *&table) {
            auto *widget = new QWidget;
            table = new QTableView(widget);
            table->setModel(&model);
            (new QVBoxLayout(widget))->addWidget(table);
            ui::rememberColumns(table->horizontalHeader(), QStringLiteral("LayoutTest/Table"));
            return widget;
        };
        QTableView *table = nullptr;
        std::unique_ptr<QWidget> first(window(table));
        first->show();
        table->horizontalHeader()->resizeSection(0, 211);
        table->horizontalHeader()->moveSection(2, 0);
        first->hide();

        std::unique_ptr<QWidget> second(window(table));
        QCOMPARE(table->horizontalHeader()->sectionSize(0), 211);
        QCOMPARE(table->horizontalHeader()->logicalIndex(0), 2);
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "windowlayouttest.moc"
