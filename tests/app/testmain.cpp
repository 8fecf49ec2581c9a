// Runs the desktop program's test classes in one executable, with the settings and the runtime
// folder of a test user rather than the real one's.
#include <QApplication>
#include <QStandardPaths>

int runAppPiecesTests(int argc, char *argv[]);
int runMainWindowTests(int argc, char *argv[]);

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("Vexaris 3.0 beta"));
    int failures = runAppPiecesTests(argc, argv);
    failures += runMainWindowTests(argc, argv);
    return failures;
}
