// Runs the desktop program's test classes in one executable, with the settings and the runtime
// folder of a test user rather than the real one's. Test functions named on the command line run
// in the class that has them.
#include <algorithm>
#include <memory>

#include <QApplication>
#include <QMetaMethod>
#include <QStandardPaths>
#include <QStringList>

#include <QTest>

QObject *newAppPiecesTest();
QObject *newMainWindowTest();

namespace {

bool hasTestFunction(const QObject &test, const QString &argument)
{
    const QString name = argument.section(QLatin1Char(':'), 0, 0);
    for (int i = 0; i < test.metaObject()->methodCount(); ++i) {
        if (QString::fromLatin1(test.metaObject()->method(i).name()) == name)
            return true;
    }
    return false;
}

// The arguments for one class: the options as given, and of the named test functions those
// that the class has. A class none of whose functions is named does not run.
int run(QObject &test, const QList<QObject *> &all, const QStringList &arguments)
{
    QStringList mine {arguments.first()};
    bool namedAny = false;
    bool namedMine = false;
    for (const QString &argument : arguments.mid(1)) {
        const bool function = std::any_of(
            all.begin(), all.end(), [&argument](const QObject *each) { return hasTestFunction(*each, argument); });
        namedAny = namedAny || function;
        if (function && !hasTestFunction(test, argument))
            continue;
        namedMine = namedMine || function;
        mine.append(argument);
    }
    if (namedAny && !namedMine)
        return 0;
    return QTest::qExec(&test, mine);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("Vexaris 3.0 beta"));
    const QStringList arguments = QCoreApplication::arguments();
    std::unique_ptr<QObject> pieces(newAppPiecesTest());
    std::unique_ptr<QObject> window(newMainWindowTest());
    const QList<QObject *> all {pieces.get(), window.get()};
    return run(*pieces, all, arguments) + run(*window, all, arguments);
}
