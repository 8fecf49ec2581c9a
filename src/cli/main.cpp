// vexaris-cli: the command line over the same core as the desktop program.
#include <iostream>

#include <QCoreApplication>

#include "cli/command.h"
#include "cli/commandline.h"
#include "common/bytenames.h"
#include "i18n/catalog.h"
#include "i18n/translate.h"

using namespace vexaris;
using namespace vexaris::cli;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    i18n::SelectLanguage(QString());

    // Qt would replace the odd bytes, and a folder or name changed that way names nothing on disk.
    for (int i = 1; i < argc; ++i) {
        if (!isValidUtf8(argv[i])) {
            std::cerr << "vexaris-cli: "
                      << formatText(_("The argument %s is not valid UTF-8; Vexaris keeps only names that are"),
                             {printableName(argv[i])})
                      << "\n";
            return kExitUsage;
        }
    }
    return runCommandLine(QCoreApplication::arguments().mid(1));
}
