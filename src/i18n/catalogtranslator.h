// Qt's own texts (the buttons of message and input boxes, the edit menu of a line edit) looked up
// in our catalog, so that they follow the interface language like every other text.
#pragma once

#include <vector>

#include <QTranslator>

namespace vexaris::i18n {

class CatalogTranslator : public QTranslator
{
    Q_OBJECT

public:
    using QTranslator::QTranslator;

    QString translate(const char *context, const char *sourceText, const char *disambiguation, int n) const override;
    bool isEmpty() const override { return false; }
};

// The English texts that Qt shows in the boxes this program uses; listed so that extraction
// puts them in the template.
const std::vector<const char *> &toolkitTexts();

} // namespace vexaris::i18n
