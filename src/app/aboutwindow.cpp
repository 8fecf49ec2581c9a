#include "app/aboutwindow.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "i18n/translate.h"
#include "ui/componenttranslation.h"

namespace vexaris::ui {

namespace {

QLabel *newLabel(const char *objectName, const char *text)
{
    auto *label = new QLabel(i18n::english(text));
    label->setObjectName(QLatin1String(objectName));
    label->setWordWrap(true);
    return label;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(i18n::english(N_("About")));

    auto *Panel1 = new QFrame;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    ProgramIcon = new QLabel;
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/icons/vexaris.png")));
    ProgramIcon->setAlignment(Qt::AlignTop);

    ProductName = new QLabel(i18n::english(N_("Vexaris 3.0")));
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = ProductName->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    ProductName->setFont(big);
    Maker = newLabel("Maker", N_("Made by Quillmark."));
    Terms = newLabel("Terms", N_("You may use this program and pass it on freely."));
    Comments = newLabel("Comments", N_("It comes without any warranty: keep copies of the pictures you care about."));

    auto *texts = new QVBoxLayout;
    texts->addWidget(ProductName);
    texts->addWidget(Maker);
    texts->addWidget(Terms);
    texts->addWidget(Comments);
    texts->addStretch();
    auto *panelLayout = new QHBoxLayout(Panel1);
    panelLayout->addWidget(ProgramIcon);
    panelLayout->addLayout(texts, 1);

    OKButton = new QPushButton(i18n::english(N_("OK")));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);

    setFixedSize(420, 210);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    i18n::TranslateComponent(this);
}

} // namespace vexaris::ui
