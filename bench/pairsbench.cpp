// The pairs overview at scale. "model": a database of 100,000 pictures (each with a stored
// thumbnail and edge image, as the update run writes them) in 100 folders and PAIRS pairs
// (default 300,000), mostly within small clusters of alike pictures and some across them, so that
// there are many small groups and a few large ones; then, driven without a window, the time to
// open the overview's model (read the list, group it, order and filter it), to sort by each kind
// of column, to change the interval and the other filters, to draw a screenful of rows with their
// small pictures, and to make a rule's verdicts for every row. "window": the window itself opened
// on such a database, and a column sorted and pages scrolled in it (run under Xvfb). Every figure
// is wall time and this process's processor time, which other work on a shared machine does not
// stretch.
//
// Usage: bench_pairs model DATABASE [PAIRS]
//        bench_pairs window DATABASE
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <time.h>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include "review/pairsmodel.h"
#include "review/pairswindow.h"
#include "review/pairtable.h"
#include "review/plan.h"
#include "store/data.h"
#include "store/database.h"
#include "store/folderlist.h"
#include "store/session.h"

using namespace vexaris;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPictures = 100000;
constexpr int kFolders = 100;
constexpr int kCluster = 8;
const QString kRoot = QStringLiteral("/bench/photos");

double processMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Timing
{
    double wall = 0;
    double cpu = 0;
};

Timing timed(const std::function<void()> &work)
{
    const auto start = Clock::now();
    const double cpuStart = processMilliseconds();
    work();
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(), processMilliseconds() - cpuStart};
}

void print(const char *what, const Timing &timing)
{
    std::printf("%-52s %8.1f ms wall %8.1f ms processor\n", what, timing.wall, timing.cpu);
}

// The median and the worst of repeated timings.
void printSpread(const char *what, std::vector<Timing> timings)
{
    std::sort(timings.begin(), timings.end(), [](const Timing &a, const Timing &b) { return a.wall < b.wall; });
    const Timing &median = timings[timings.size() / 2];
    std::printf("%-52s %8.2f ms wall %8.2f ms processor (median of %zu; worst %.2f ms wall)\n", what, median.wall,
        median.cpu, timings.size(), timings.back().wall);
}

void fillDatabase(store::Session &session, int pairs)
{
    store::AddCollection(session, QStringLiteral("Bench"));
    store::FolderList folders;
    store::LoadCollection(session, QStringLiteral("Bench"), session.CurrentCollection, folders);
    const int collection = session.CurrentCollection.ID;
    std::vector<int> folderIds;
    for (int f = 0; f < kFolders; ++f)
        folderIds.push_back(store::AddFolder(session, collection, kRoot + QStringLiteral("/folder%1").arg(f)));

    store::Database &database = session.DatabaseConnection;
    store::Transaction transaction(database);
    store::Statement picture(database,
        QStringLiteral(
            "INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
            "Height, Thumbnail, Derivative, ColorRank, DerivativeRank, Old) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "0, 0, 1)"));
    std::mt19937 random(20261211);
    const std::vector<std::pair<int, int>> dimensions {
        {4000, 3000}, {3000, 4000}, {1600, 1200}, {1024, 768}, {4032, 3024}, {800, 600}};
    const QStringList extensions {QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("heic")};
    std::vector<qint64> ids;
    QByteArray thumbnail(3072, '\0');
    const QByteArray derivative(1024, 'd');
    for (int i = 0; i < kPictures; ++i) {
        const auto &[width, height] = dimensions[random() % dimensions.size()];
        const QString name = QStringLiteral("IMG_%1.%2").arg(i, 6, 10, QLatin1Char('0')).arg(extensions[i % 3]);
        for (char &cell : thumbnail)
            cell = static_cast<char>(random() % 64);
        const double modified = 44000.0 + static_cast<double>(random() % 3000);
        picture.reset();
        picture.bindAll({collection, folderIds[static_cast<size_t>(random() % kFolders)], name,
            static_cast<qint64>(200000 + random() % 8000000), modified, modified, width, height,
            store::Value::fromBlob(thumbnail), store::Value::fromBlob(derivative)});
        picture.run();
        ids.push_back(database.lastInsertId());
    }
    store::Statement pair(database,
        QStringLiteral("INSERT INTO Duplicate (Left_ID, Right_ID, Collection_ID, Difference) VALUES (?, ?, ?, ?)"));
    std::uniform_int_distribution<int> anyPicture(0, kPictures - 1);
    std::uniform_int_distribution<int> member(0, kCluster - 1);
    std::uniform_int_distribution<int> difference(0, 400000);
    for (int n = 0; n < pairs; ++n) {
        const int left = anyPicture(random);
        int right = left;
        // One pair in a hundred joins two clusters; the rest stay within one.
        while (right == left)
            right = n % 100 == 0 ? anyPicture(random) : left / kCluster * kCluster + member(random);
        if (right >= kPictures)
            right = left == 0 ? 1 : left - 1;
        pair.reset();
        pair.bindAll({ids[static_cast<size_t>(left)], ids[static_cast<size_t>(right)], collection, difference(random)});
        pair.run();
    }
    transaction.commit();
}

void loadCollection(store::Session &session)
{
    store::FolderList folders;
    if (!store::LoadCollection(session, QStringLiteral("Bench"), session.CurrentCollection, folders)) {
        std::fprintf(stderr, "the database has no collection Bench\n");
        std::exit(1);
    }
}

// The rows of a screenful of 40, every column and the small pictures, as the view asks for them.
void drawRows(const ui::PairsModel &model, int first)
{
    for (int row = first; row < first + 40 && row < model.rowCount(); ++row) {
        for (int column = 0; column < ui::PairsModel::ColumnCount; ++column) {
            const QModelIndex index = model.index(row, column);
            index.data(Qt::DisplayRole);
            index.data(Qt::DecorationRole);
        }
    }
}

int benchModel(const QString &databaseFile, int pairs)
{
    QFile::remove(databaseFile);
    QFile schema(QStringLiteral(VEXARIS_SCHEMA_FILE));
    schema.open(QIODevice::ReadOnly);
    store::createDatabase(databaseFile, schema.readAll());
    store::Session session;
    session.ConnectDatabase(databaseFile);
    const Timing made = timed([&] { fillDatabase(session, pairs); });
    std::printf("database of %d pictures and %d pairs made in %.1f s\n", kPictures, pairs, made.wall / 1000);
    loadCollection(session);

    review::PairList list;
    std::unique_ptr<review::PairTable> table;
    ui::PairsModel model(session.DatabaseConnection);
    print("open: read the pair list", timed([&] { list.read(session, session.CurrentCollection.ID); }));
    print("open: the table with its groups", timed([&] { table = std::make_unique<review::PairTable>(list); }));
    print("open: the model (order, filter, histogram)", timed([&] { model.setTable(table.get()); }));
    std::printf("  %zu pairs in %zu groups, the largest of %d pairs\n", table->size(), table->grouping().groups.size(),
        table->grouping().groups.empty()
            ? 0
            : table->grouping().groups[review::groupsBySize(table->grouping()).front() - 1].pairs);

    const std::pair<const char *, int> columns[] = {{"sort by Difference, descending", ui::PairsModel::Difference},
        {"sort by group", ui::PairsModel::Group}, {"sort by left file name (first time)", ui::PairsModel::LeftFile},
        {"sort by left file name again", ui::PairsModel::LeftFile},
        {"sort by right folder (first time)", ui::PairsModel::RightFolder},
        {"sort by right size", ui::PairsModel::RightSize}, {"sort by left dimensions", ui::PairsModel::LeftDimensions},
        {"sort by right modified", ui::PairsModel::RightModified}};
    for (const auto &[what, column] : columns)
        print(what, timed([&, column = column] { model.sort(column, Qt::DescendingOrder); }));
    model.sort(ui::PairsModel::Difference, Qt::AscendingOrder);

    review::PairFilter filter;
    std::vector<Timing> intervals;
    for (int step = 0; step < 20; ++step) {
        filter.minDifference = step * 10000;
        filter.maxDifference = 200000 + step * 10000;
        intervals.push_back(timed([&] { model.setFilter(filter); }));
    }
    printSpread("change the interval", intervals);
    filter = {};
    filter.folder = kRoot + QStringLiteral("/folder7");
    print("filter by a folder, either side", timed([&] { model.setFilter(filter); }));
    filter.folder.clear();
    filter.format = QStringLiteral("png");
    print("filter by a format, either side", timed([&] { model.setFilter(filter); }));
    filter.format.clear();
    filter.relation = review::FolderRelation::Different;
    print("filter by different folders", timed([&] { model.setFilter(filter); }));
    filter = {};
    filter.group = review::groupsBySize(table->grouping()).front();
    print("filter by the largest group", timed([&] { model.setFilter(filter); }));
    std::printf("  %d pairs shown\n", model.rowCount());
    print("every filter taken away", timed([&] { model.setFilter({}); }));

    std::vector<Timing> cold;
    for (int page = 0; page < 50; ++page)
        cold.push_back(timed([&] { drawRows(model, 100000 + page * 40); }));
    printSpread("a screenful of 40 rows, small pictures first read", cold);
    std::vector<Timing> kept;
    for (int page = 0; page < 50; ++page)
        kept.push_back(timed([&] { drawRows(model, 100000 + page * 40); }));
    printSpread("the same screenful again, small pictures kept", kept);

    review::Rule rule;
    rule.keeperOrder = review::parseKeeperOrder(QStringLiteral("pixels:5%,bytes,older"));
    rule.keepFolders = {kRoot + QStringLiteral("/folder0")};
    rule.pruneFolders = {kRoot + QStringLiteral("/folder99")};
    std::vector<review::PairRow> rows;
    review::Plan plan;
    const Timing gathered = timed([&] {
        rows.reserve(table->size());
        for (size_t entry = 0; entry < table->size(); ++entry)
            rows.push_back(table->rowOf(entry));
    });
    const Timing planned = timed([&] { plan = review::makePlan(rows, rule); });
    const Timing shown = timed([&] { model.setPlan(std::move(plan)); });
    print("a rule's verdicts for every row: the rows", gathered);
    print("  the plan", planned);
    print("  into the table", shown);
    print("  together", {gathered.wall + planned.wall + shown.wall, gathered.cpu + planned.cpu + shown.cpu});
    const ui::PlanTally tally = model.tally();
    std::printf("  %lld acting, %lld undecided, %lld guarded, %lld covered, %lld in conflict\n",
        static_cast<long long>(tally.acting), static_cast<long long>(tally.undecided),
        static_cast<long long>(tally.guarded), static_cast<long long>(tally.covered),
        static_cast<long long>(tally.conflicts));
    print("sort by verdict", timed([&] { model.sort(ui::PairsModel::Verdict, Qt::AscendingOrder); }));
    return 0;
}

int benchWindow(const QString &databaseFile)
{
    store::Session session;
    session.ConnectDatabase(databaseFile);
    loadCollection(session);
    ui::TfrmPairs window(session);
    window.resize(1400, 900);
    const Timing opened = timed([&] {
        window.show();
        QApplication::processEvents();
        window.repaint();
    });
    print("open the window, the table drawn", opened);
    std::printf("  %d pairs shown\n", window.model().rowCount());
    auto *view = window.findChild<QTreeView *>(QStringLiteral("lstPairs"));
    print("sort by left file name, drawn", timed([&] {
        view->sortByColumn(ui::PairsModel::LeftFile, Qt::AscendingOrder);
        view->viewport()->repaint();
    }));
    print("sort by Difference, drawn", timed([&] {
        view->sortByColumn(ui::PairsModel::Difference, Qt::AscendingOrder);
        view->viewport()->repaint();
    }));
    QScrollBar *bar = view->verticalScrollBar();
    std::vector<Timing> pages;
    for (int page = 0; page < 100; ++page) {
        pages.push_back(timed([&] {
            bar->setValue(bar->value() + bar->pageStep());
            view->viewport()->repaint();
        }));
    }
    printSpread("scroll a page down, drawn", pages);
    std::vector<Timing> jumps;
    for (int jump = 1; jump <= 20; ++jump) {
        jumps.push_back(timed([&] {
            bar->setValue(bar->maximum() / 21 * jump);
            view->viewport()->repaint();
        }));
    }
    printSpread("jump the scroll bar, drawn", jumps);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3 || (std::strcmp(argv[1], "model") != 0 && std::strcmp(argv[1], "window") != 0)) {
        std::fprintf(stderr, "usage: %s model DATABASE [PAIRS] | window DATABASE\n", argv[0]);
        return 2;
    }
    const bool window = std::strcmp(argv[1], "window") == 0;
    if (!window)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString databaseFile = QString::fromLocal8Bit(argv[2]);
    return window ? benchWindow(databaseFile) : benchModel(databaseFile, argc > 3 ? std::atoi(argv[3]) : 300000);
}
