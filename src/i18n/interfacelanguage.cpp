#include "i18n/interfacelanguage.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "i18n/catalog.h"
#include "i18n/catalogtranslator.h"

namespace vexaris::i18n {

void startInterfaceTranslation()
{
    static QPointer<CatalogTranslator> translator;
    if (!translator) {
        translator = new CatalogTranslator(QCoreApplication::instance());
        QCoreApplication::installTranslator(translator);
    }
    setCharsetProblemHandler(showLocalizationProblem);
    SelectLanguage(QString());
}

void showLocalizationProblem(const std::string &caption, const std::string &message)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(message),
        QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace vexaris::i18n
