#include "ui/interfacelanguage.h"

#include <QApplication>

#include "i18n/catalog.h"
#include "i18n/catalogtranslator.h"
#include "ui/dialogs.h"

namespace vexaris::i18n {

void startInterfaceTranslation()
{
    // The translator belongs to the application; a second start finds it there.
    QCoreApplication *app = QCoreApplication::instance();
    if (!app->findChild<CatalogTranslator *>(QString(), Qt::FindDirectChildrenOnly))
        QCoreApplication::installTranslator(new CatalogTranslator(app));
    setCharsetProblemHandler(showLocalizationProblem);
    SelectLanguage(QString());
}

void showLocalizationProblem(const std::string &caption, const std::string &message)
{
    ui::notify(QApplication::activeWindow(), QString::fromStdString(caption), QString::fromStdString(message));
}

} // namespace vexaris::i18n
