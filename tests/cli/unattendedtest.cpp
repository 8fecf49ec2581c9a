// The manual's nightly example, run as a timer would run it, on a collection that holds a file
// no reader can read: the update's status 3 must not keep the scan from running night after night.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/testdatabase.h"

using namespace vexaris;

namespace {

// The lines as the manual and the README give them.
const char kNightly[] = R"(vexaris-cli update "Family pictures"
case $? in
    0 | 3) vexaris-cli scan "Family pictures" --yes ;;
    *) exit 1 ;;
esac
)";

TEST(Unattended, TheNightlyLinesScanPastAFileThatCannotBeRead)
{
    const test::TestDatabase database;
    QTemporaryDir work;
    const QString pictures = work.filePath(QStringLiteral("pictures"));
    const QString bin = work.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(pictures) && QDir().mkpath(bin));
    const QString photo = QStringLiteral(VEXARIS_TEST_DATA "/runs/photo-plasma-80x60.jpg");
    ASSERT_TRUE(QFile::copy(photo, pictures + QStringLiteral("/original.jpg")));
    ASSERT_TRUE(QFile::copy(photo, pictures + QStringLiteral("/copy.jpg")));
    QFile broken(pictures + QStringLiteral("/broken.jpg"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
    broken.close();

    // The program as the timer finds it on its PATH, with the test's database.
    QFile program(bin + QStringLiteral("/vexaris-cli"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("#!/bin/sh\nexec '" VEXARIS_CLI "' --db '" + database.path().toUtf8() + "' \"$@\"\n");
    program.close();
    program.setPermissions(program.permissions() | QFileDevice::ExeOwner);

    // The preferences of a user who chose the colour image, who would find the copy.
    const QString config = work.filePath(QStringLiteral("config"));
    ASSERT_TRUE(QDir().mkpath(config + QStringLiteral("/Quillmark")));
    QFile preferences(config + QStringLiteral("/Quillmark/Vexaris.conf"));
    ASSERT_TRUE(preferences.open(QIODevice::WriteOnly) && preferences.write("[General]\nMethod=1\n") > 0);
    preferences.close();

    const auto shell = [&](const QString &script) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), bin + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
        EXPECT_TRUE(process.waitForFinished(60000));
        return std::pair(process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()));
    };
    ASSERT_EQ(shell(QStringLiteral("vexaris-cli create 'Family pictures' && vexaris-cli add-folder 'Family "
                                   "pictures' '%1'")
                        .arg(pictures))
                  .first,
        0);
    for (const char *night : {"first", "second"}) {
        SCOPED_TRACE(night);
        EXPECT_EQ(shell(QString::fromUtf8(kNightly)).first, 0);
        const auto [status, pairs] = shell(QStringLiteral("vexaris-cli pairs 'Family pictures'"));
        EXPECT_EQ(status, 0);
        EXPECT_EQ(pairs.count(QLatin1Char('\n')), 1) << pairs.toStdString();
    }
}

} // namespace
