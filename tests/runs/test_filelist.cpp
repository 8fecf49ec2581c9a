// The run's file list: processing order, and how database names find their files.
#include <cstdio>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/paths.h"
#include "runs/filelist.h"
#include "support/printers.h"

using namespace vexaris;
using namespace vexaris::runs;

namespace {

FileList listOf(NameComparison comparison, const std::vector<QString> &names)
{
    FileList list;
    list.clear(comparison);
    for (const QString &name : names) {
        FileEntry entry;
        entry.name = name;
        list.add(std::move(entry));
    }
    list.sort();
    return list;
}

std::vector<QString> namesOf(const FileList &list)
{
    std::vector<QString> names;
    for (size_t i = 0; i < list.size(); ++i)
        names.push_back(list[i].name);
    return names;
}

struct OrderCase
{
    const char *title;
    std::vector<QString> listed;
    std::vector<QString> processed;
};

void PrintTo(const OrderCase &row, std::ostream *out)
{
    *out << row.title;
}

class FileListOrder : public ::testing::TestWithParam<OrderCase>
{
};

TEST_P(FileListOrder, IgnoresCaseAndNeverDependsOnTheListing)
{
    const OrderCase &c = GetParam();
    EXPECT_EQ(namesOf(listOf(NameComparison::Exact, c.listed)), c.processed);
    std::vector<QString> reversed(c.listed.rbegin(), c.listed.rend());
    EXPECT_EQ(namesOf(listOf(NameComparison::Exact, reversed)), c.processed);
}

INSTANTIATE_TEST_SUITE_P(Cases, FileListOrder,
    ::testing::Values(
        OrderCase {"CaseIgnored", {u"b.jpg"_qs, u"C.jpg"_qs, u"a.jpg"_qs}, {u"a.jpg"_qs, u"b.jpg"_qs, u"C.jpg"_qs}},
        OrderCase {"UpperBeforeLowerOnlyAsTieBreak", {u"x.jpg"_qs, u"X.jpg"_qs, u"w.jpg"_qs},
            {u"w.jpg"_qs, u"X.jpg"_qs, u"x.jpg"_qs}},
        OrderCase {"Empty", {}, {}}),
    [](const ::testing::TestParamInfo<OrderCase> &row) { return std::string(row.param.title); });

struct LookupCase
{
    const char *title;
    NameComparison comparison;
    std::vector<QString> listed;
    QString rowName;
    std::optional<QString> found; // the listed name the row finds
    size_t listSize;
};

void PrintTo(const LookupCase &row, std::ostream *out)
{
    *out << row.title;
}

class FileListLookup : public ::testing::TestWithParam<LookupCase>
{
};

TEST_P(FileListLookup, MatchesRowNames)
{
    const LookupCase &c = GetParam();
    const FileList list = listOf(c.comparison, c.listed);
    EXPECT_EQ(list.size(), c.listSize);
    const std::optional<size_t> index = list.indexOf(c.rowName);
    ASSERT_EQ(index.has_value(), c.found.has_value());
    if (index) {
        EXPECT_EQ(list[*index].name, *c.found);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FileListLookup,
    ::testing::Values(LookupCase {"ExactFindsSameSpelling", NameComparison::Exact, {u"Photo.jpg"_qs}, u"Photo.jpg"_qs,
                          u"Photo.jpg"_qs, 1},
        LookupCase {"ExactMissesOtherCase", NameComparison::Exact, {u"Photo.jpg"_qs}, u"photo.jpg"_qs, std::nullopt, 1},
        LookupCase {
            "ExactKeepsBothSpellings", NameComparison::Exact, {u"a.jpg"_qs, u"A.jpg"_qs}, u"A.jpg"_qs, u"A.jpg"_qs, 2},
        LookupCase {"FoldingFindsOtherCase", NameComparison::IgnoreCase, {u"Photo.jpg"_qs}, u"PHOTO.JPG"_qs,
            u"Photo.jpg"_qs, 1},
        LookupCase {"FoldingFindsUnicodeCase", NameComparison::IgnoreCase, {u"Ärger.jpg"_qs}, u"ärger.jpg"_qs,
            u"Ärger.jpg"_qs, 1},
        LookupCase {"FoldingKeepsFirstListed", NameComparison::IgnoreCase, {u"b.jpg"_qs, u"B.jpg"_qs}, u"B.jpg"_qs,
            u"b.jpg"_qs, 1}),
    [](const ::testing::TestParamInfo<LookupCase> &row) { return std::string(row.param.title); });

TEST(ListFolderFiles, TakesOrdinaryFilesOnly)
{
    QTemporaryDir dir;
    const auto touch = [&](const QString &name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("1234567");
    };
    touch(u"visible.jpg"_qs);
    touch(u".hidden.jpg"_qs);
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder.jpg"_qs));

    FileList list;
    ListFolderFiles(toFsPath(dir.path()), list);

    ASSERT_EQ(namesOf(list), (std::vector<QString> {u"visible.jpg"_qs}));
    EXPECT_EQ(list[0].data.Size, 7);
    EXPECT_EQ(list[0].rawName, "visible.jpg");
    EXPECT_FALSE(list[0].data.InDatabase);
    // This machine's temporary folder is an ordinary Linux one: names compare exactly.
    EXPECT_EQ(list.comparison(), NameComparison::Exact);
}

TEST(ListFolderFiles, NamesThatAreNotUtf8AreLeftOutAndReturnedEachOnItsOwn)
{
    QTemporaryDir dir;
    // Decoded with a replacement character, both would read as one name.
    const std::vector<std::string> raw {"caf\xe8.jpg", "caf\xe9.jpg"};
    std::vector<std::string> full;
    for (const std::string &name : raw) {
        full.push_back(toFsPath(dir.path()).native() + "/" + name);
        FILE *file = fopen(full.back().c_str(), "w");
        ASSERT_NE(file, nullptr);
        fclose(file);
    }
    QFile plain(dir.filePath(u"plain.jpg"_qs));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();

    FileList list;
    const std::vector<std::string> left = ListFolderFiles(toFsPath(dir.path()), list);

    for (const std::string &name : full)
        std::remove(name.c_str()); // QTemporaryDir cannot spell the names to remove them
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].rawName, "plain.jpg");
    EXPECT_EQ(left, raw);
}

TEST(ListFolderFiles, UnreadableFolderIsAnError)
{
    FileList list;
    EXPECT_THROW(ListFolderFiles("/nonexistent-vexaris-folder", list), std::exception);
}

} // namespace
