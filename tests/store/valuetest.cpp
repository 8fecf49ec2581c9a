// Column values, their conversions and the date-time scale.
#include "store/value.h"

#include <QTimeZone>

#include <gtest/gtest.h>

#include "store/datetime.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

TEST(IntOrZero, NumbersGiveTheirIntegerAnythingElseZero)
{
    struct Case
    {
        const char *label;
        Value value;
        int32_t expected;
    };
    const Case cases[] = {
        {"null", Value(), 0},
        {"integer", Value(17), 17},
        {"negative", Value(-3), -3},
        {"double", Value(2.0), 2},
        {"emptyText", Value(QString()), 0},
        {"numericText", Value(u"12"_s), 0},
        {"blob", Value::fromBlob("12"), 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IntOrZero(c.value), c.expected) << c.label;
}

TEST(ValueConversion, NullAndMismatchRaiseErrors)
{
    EXPECT_THROW(Value().toInt(), Error);
    EXPECT_THROW(Value().toDouble(), Error);
    EXPECT_THROW(Value().toString(), Error);
    EXPECT_THROW(Value().toBool(), Error);
    EXPECT_THROW(Value(u"abc"_s).toInt(), Error);
    EXPECT_THROW(Value::fromBlob("x").toInt(), Error);
    EXPECT_THROW(Value(qint64(1) << 31).toInt(), Error);
    EXPECT_EQ(Value(qint64(-2147483648LL)).toInt(), INT32_MIN);
    EXPECT_EQ(Value(u" 42 "_s).toInt(), 42);
    EXPECT_EQ(Value(2.5).toInt(), 2); // half to even
    EXPECT_EQ(Value(3.5).toInt(), 4);
    EXPECT_TRUE(Value(true).toBool());
    EXPECT_FALSE(Value(0).toBool());
}

TEST(BlobToString, NullIsAnErrorNotAnEmptyString)
{
    EXPECT_THROW(BlobToString(Value()), Error);
    EXPECT_TRUE(BlobToString(StringToBlob(QByteArray())).isEmpty());
}

TEST(BlobRoundTrip, BytesComeBackUnchangedThroughTheDatabase)
{
    test::ConnectedTestDatabase db;
    QByteArray thumbnail(3072, '\0');
    for (int i = 0; i < thumbnail.size(); ++i)
        thumbnail[i] = static_cast<char>((i * 7) & 0xFF); // every byte value, zeros included
    const struct
    {
        const char *label;
        QByteArray bytes;
    } cases[] = {{"thumbnail", thumbnail}, {"empty", QByteArray()}, {"zeros", QByteArray(5, '\0')}};

    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        db.database().Execute(u"DELETE FROM Collection"_s);
        db.database().Execute(u"INSERT INTO Collection (Name) VALUES (?)"_s, {StringToBlob(c.bytes)});
        Statement row(db.database(), u"SELECT Name, typeof(Name) FROM Collection"_s);
        ASSERT_TRUE(row.step());
        EXPECT_EQ(row.column(1).toString(), u"blob"_s); // an empty string is no NULL
        EXPECT_EQ(BlobToString(row.column(0)), c.bytes);
    }
}

TEST(TextRoundTrip, UnicodeAndQuotesComeBackExactly)
{
    test::ConnectedTestDatabase db;
    const QString name = u"Bob's \"Fotos\" 100% _ \\ 日本 😀"_s;
    db.database().Execute(u"INSERT INTO Collection (Name) VALUES (?)"_s, {name});
    Statement row(db.database(), u"SELECT Name FROM Collection"_s);
    ASSERT_TRUE(row.step());
    EXPECT_EQ(row.column(0).toString(), name);
}

QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), QTimeZone::utc());
}

TEST(DateTimeScale, KnownDays)
{
    struct Case
    {
        const char *label;
        QDateTime time;
        double days;
    };
    const Case cases[] = {
        {"origin", utc(1899, 12, 30), 0.0},
        {"firstOf1900", utc(1900, 1, 1), 2.0},
        {"unixEpoch", utc(1970, 1, 1), 25569.0},
        {"millenniumNoon", utc(2000, 1, 1, 12), 36526.5},
        {"sixInTheMorning", utc(2000, 1, 1, 6), 36526.25},
        {"dayBeforeOrigin", utc(1899, 12, 29), -1.0},
        {"morningBeforeOrigin", utc(1899, 12, 29, 6), -1.25},
    };
    for (const Case &c : cases) {
        EXPECT_DOUBLE_EQ(toDays(c.time), c.days) << c.label;
        EXPECT_EQ(fromDays(c.days), c.time) << c.label;
    }
}

TEST(DateTimeScale, MillisecondsSurviveTheRoundTrip)
{
    for (const QDateTime &time : {utc(2023, 7, 14, 23, 59, 59, 999), utc(2001, 2, 3, 4, 5, 6, 7),
             utc(1850, 6, 1, 18, 30, 0, 1), utc(2099, 12, 31, 0, 0, 0, 1)}) {
        EXPECT_EQ(fromDays(toDays(time)), time) << time.toString(Qt::ISODateWithMs).toStdString();
    }
    EXPECT_EQ(fromDays(36526.5).offsetFromUtc(), 0);
}

TEST(DateTimeScale, LaterTimesGiveLargerValuesAfterTheOrigin)
{
    EXPECT_LT(toDays(utc(2020, 1, 1, 0, 0, 0, 0)), toDays(utc(2020, 1, 1, 0, 0, 0, 1)));
}

} // namespace
