// A rule's text forms (the keeper order as the user writes it, the stored JSON), what it refuses,
// the name tests it makes of files and folders, and the rules stored by name.
#include "review/rule.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "store/rules.h"
#include "support/printers.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::review;
using namespace Qt::Literals::StringLiterals;

namespace {

Rule everyField()
{
    Rule rule;
    rule.scope.minDifference = 3;
    rule.scope.maxDifference = 40;
    rule.scope.folders = QStringList {u"/photos/inbox"_s};
    rule.scope.patterns = QStringList {u"*/WhatsApp/*"_s, u"/tmp/[!a]?.jpg"_s};
    rule.scope.relation = FolderRelation::Different;
    rule.scope.formats = QStringList {u"jpg"_s, u"png"_s};
    rule.scope.minPixels = 5000000000;
    rule.scope.pairIds = {9007199254740993, 4, 17};
    rule.keeperOrder = parseKeeperOrder(u"pixels:2.5%,bytes:100000,bytes-per-pixel:0.1,format=heic>png>jpg,"
                                        u"newer:1.5h,older,plain-name"_s);
    rule.keepFolders = QStringList {u"/photos/best"_s, u"/ünïcode/\"quoted\""_s};
    rule.pruneFolders = QStringList {u"/photos/dump"_s};
    rule.guard = false;
    return rule;
}

TEST(RuleText, EveryRuleReadsBackAsItWasAndWritesTheSameText)
{
    Rule notAMatch;
    notAMatch.action = RuleAction::NotAMatch;
    notAMatch.scope.minDifference = 40;
    Rule plain;
    plain.keeperOrder = defaultKeeperOrder();
    for (const Rule &rule : {Rule {}, plain, notAMatch, everyField()}) {
        const QString text = ruleToText(rule);
        const Rule back = ruleFromText(text);
        EXPECT_TRUE(back == rule) << text.toStdString();
        EXPECT_EQ(ruleToText(back), text);
    }
}

TEST(RuleText, AnythingButTheTextOfAGoodRuleIsRefused)
{
    const QString good = ruleToText(everyField());
    for (const QString &text : {u"not json"_s, u"[]"_s, QString(good).replace(u"\"guard\""_s, u"\"gaurd\""_s),
             QString(good).replace(u"\"relation\""_s, u"\"sideways\""_s),
             QString(good).replace(u"\"different\""_s, u"\"sideways\""_s),
             QString(good).replace(u"\"newer\""_s, u"\"bigger\""_s),
             QString(good).replace(u"\"minPixels\":5000000000"_s, u"\"minPixels\":\"many\""_s),
             QString(good).replace(u"\"minDifference\":3"_s, u"\"minDifference\":41"_s),
             QString(good).replace(u"\"/photos/dump\""_s, u"\"photos/dump\""_s),
             QString(good).replace(
                 u"{\"criterion\":\"older\"}"_s, u"{\"criterion\":\"older\",\"margin\":{\"percent\":5}}"_s),
             QString(good).replace(
                 u"{\"criterion\":\"plain-name\"}"_s, u"{\"criterion\":\"plain-name\",\"margin\":{\"amount\":1}}"_s)}) {
        EXPECT_NE(text, good);
        EXPECT_THROW(ruleFromText(text), Error) << text.toStdString();
    }
}

struct OrderCase
{
    const char *name;
    const char *text;
    const char *written; // "" when it is refused
};

class KeeperOrderText : public testing::TestWithParam<OrderCase>
{
};

TEST_P(KeeperOrderText, ReadsAndWritesBackOrIsRefused)
{
    const OrderCase &c = GetParam();
    if (c.written[0] == 0) {
        EXPECT_THROW(parseKeeperOrder(QString::fromUtf8(c.text)), Error);
        return;
    }
    const std::vector<KeeperCriterion> order = parseKeeperOrder(QString::fromUtf8(c.text));
    EXPECT_EQ(keeperOrderText(order), QString::fromUtf8(c.written));
    EXPECT_TRUE(parseKeeperOrder(keeperOrderText(order)) == order);
}

INSTANTIATE_TEST_SUITE_P(Rule, KeeperOrderText,
    testing::Values(OrderCase {"Plain", "pixels,bytes,older", "pixels,bytes,older"},
        OrderCase {
            "Margins", "pixels:5%, bytes:1000 ,bytes-per-pixel:0.25", "pixels:5%,bytes:1000,bytes-per-pixel:0.25"},
        OrderCase {"DurationsInTheLargestWholeUnit", "older:1.5h,newer:86400,older:120s,newer:0.5s",
            "older:90m,newer:1d,older:2m,newer:0.5s"},
        OrderCase {
            "FormatsInLowerCaseWithoutTheDot", "format=HEIC>.png>jpg,plain-name", "format=heic>png>jpg,plain-name"},
        OrderCase {"Empty", "", ""}, OrderCase {"TrailingComma", "pixels,", ""}, OrderCase {"Unknown", "frobs", ""},
        OrderCase {"EmptyRanking", "format=", ""}, OrderCase {"RankingWithAGap", "format=png>>jpg", ""},
        OrderCase {"FormatMargin", "format=png>jpg:5%", ""}, OrderCase {"NameMargin", "plain-name:1", ""},
        OrderCase {"DatePercent", "older:5%", ""}, OrderCase {"UnknownDuration", "older:3w", ""},
        OrderCase {"PartOfAPixel", "pixels:1.5", ""}, OrderCase {"Negative", "bytes:-1", ""},
        OrderCase {"NotANumber", "bytes-per-pixel:lots", ""}),
    [](const testing::TestParamInfo<OrderCase> &row) { return std::string(row.param.name); });

TEST(RuleNames, CopyMarkersFormatsAndTrashFolders)
{
    for (const char *name : {"IMG (1).jpg", "IMG (12).JPG", "IMG copy.jpg", "IMG Copy 2.png", "IMG - Copy.jpg",
             "IMG - Copy (3).jpg", "Copy of IMG.jpg", "copy (2) of IMG.jpg", "IMG copy"})
        EXPECT_TRUE(hasCopyMarker(QString::fromUtf8(name))) << name;
    for (const char *name : {"IMG.jpg", "IMG(1).jpg", "copycat.jpg", "IMG (1) .jpg", "Copy.jpg", "photocopy.png",
             "IMG (a).jpg", "Copy ofIMG.jpg"})
        EXPECT_FALSE(hasCopyMarker(QString::fromUtf8(name))) << name;

    EXPECT_EQ(formatOf(u"a.b.JPeG"_s), u"jpeg"_s);
    EXPECT_EQ(formatOf(u".hidden"_s), QString());
    EXPECT_EQ(formatOf(u"noextension"_s), QString());

    for (const char *folder :
        {"/home/u/.local/share/Trash/files", "/media/disk/.Trash-1000/files", "/media/d/.Trash/1000"})
        EXPECT_TRUE(isTrashFolder(QString::fromUtf8(folder))) << folder;
    for (const char *folder : {"/home/u/Trash", "/home/u/share/Trash", "/home/u/.local/Trash", "/photos/My.Trash"})
        EXPECT_FALSE(isTrashFolder(QString::fromUtf8(folder))) << folder;
}

TEST(StoredRules, SavedByNameInPlaceOfTheOldOneListedFoundAndDeletedExactly)
{
    test::ConnectedTestDatabase db;
    store::Session &session = db.session();
    store::SaveRule(session, u"Phone"_s, u"{\"one\":1}"_s);
    store::SaveRule(session, u"Camera"_s, u"{}"_s);
    const qint64 phone = store::FindRule(session, u"Phone"_s)->id;
    store::SaveRule(session, u"Phone"_s, u"{\"two\":2}"_s);

    const std::vector<store::StoredRule> rules = store::ListRules(session);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].name, u"Camera"_s);
    EXPECT_EQ(rules[1].id, phone);
    EXPECT_EQ(rules[1].definition, u"{\"two\":2}"_s);
    EXPECT_FALSE(store::FindRule(session, u"phone"_s));
    EXPECT_FALSE(store::DeleteRule(session, u"phone"_s));
    EXPECT_TRUE(store::DeleteRule(session, u"Phone"_s));
    EXPECT_FALSE(store::FindRule(session, u"Phone"_s));

    for (const QString &name : {QString(), u"  "_s, u" Phone"_s, u"Phone\t"_s})
        EXPECT_THROW(store::SaveRule(session, name, u"{}"_s), Error) << name.toStdString();
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Rule"), 1);
}

} // namespace
