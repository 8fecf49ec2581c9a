// Build step: makes the delivered empty database from the schema when the file is missing, and
// leaves an existing one alone (it may hold the user's collections).
//   vexaris-makedb SCHEMA.sql DATABASE
#include <iostream>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "store/database.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::cerr << "usage: vexaris-makedb SCHEMA.sql DATABASE\n";
        return 2;
    }
    const QString database = args[2];
    if (QFileInfo::exists(database) || QFileInfo(database).isSymLink())
        return 0;
    QFile schema(args[1]);
    if (!schema.open(QIODevice::ReadOnly)) {
        std::cerr << "vexaris-makedb: cannot read " << args[1].toStdString() << "\n";
        return 1;
    }
    try {
        vexaris::store::createDatabase(database, schema.readAll());
    } catch (const std::exception &e) {
        std::cerr << "vexaris-makedb: " << e.what() << "\n";
        return 1;
    }
    std::cout << "Created " << database.toStdString() << "\n";
    return 0;
}
