#include "review/duplicateswindow.h"

#include <optional>
#include <utility>

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "i18n/qtranslate.h"
#include "review/fileoperation.h"
#include "review/pairlist.h"
#include "review/pairreview.h"
#include "review/panegeometry.h"
#include "settings/settingsstore.h"
#include "store/connection.h"
#include "store/data.h"
#include "store/datetime.h"
#include "ui/componenttranslation.h"
#include "ui/datetimetext.h"
#include "ui/dialogs.h"
#include "ui/elidedlabel.h"
#include "ui/errorreport.h"
#include "ui/picturelabel.h"
#include "ui/progressindication.h"

namespace vexaris::ui {

using store::ResolutionAction;

namespace {

constexpr int kBarHeight = 41;
constexpr int kDetailsHeight = 77;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
constexpr int kMiddleButtonsWidth = 129;
constexpr int kDupNumberWidth = 78;
constexpr int kMostTicks = 100;
constexpr qint64 kReadingBoxAfterMs = 100;
constexpr QSize kMinimumSize(755, 539);
constexpr QSize kRestoredSize(1024, 720);

const QColor kGreen(0, 128, 0);
const QColor kLime(0, 255, 0);
const QColor kMaroon(128, 0, 0);
const QColor kSalmon(255, 160, 128);

int sign(qint64 value)
{
    return value > 0 ? 1 : (value < 0 ? -1 : 0);
}

QIcon themeIcon(const char *name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QLatin1String(name), QApplication::style()->standardIcon(fallback));
}

// Two small pictures side by side: what happens to the file, and towards which side.
QIcon twoPartIcon(const QIcon &first, const QIcon &second)
{
    constexpr int side = 18;
    QPixmap pixmap(side * 2 + 2, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    first.paint(&painter, QRect(0, 0, side, side));
    second.paint(&painter, QRect(side + 2, 0, side, side));
    painter.end();
    return QIcon(pixmap);
}

QLabel *detailsLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Names and paths may be shortened to fit (they are the user's data and must never widen the
// window); sizes and dates keep their room, and their labels share out what is left.
enum class Fit { Shorten, Whole };

QLabel *valueLabel(QWidget *parent, const char *name, Fit fit)
{
    auto *label = new ElidedLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setText(QStringLiteral("-"));
    // The user's data, or figures: never translated.
    i18n::keepUntranslated(label);
    label->setAutoFillBackground(true);
    label->setSizePolicy(fit == Fit::Shorten ? QSizePolicy::Ignored : QSizePolicy::Preferred, QSizePolicy::Preferred);
    label->setContentsMargins(2, 0, 2, 0);
    return label;
}

// Where the label is too narrow, the time zone gives way before the seconds do: the marks
// compare the seconds.
void setDateTimeText(QLabel *label, double days)
{
    const QDateTime time = store::fromDays(days);
    const QString withoutZone = localDateTimeText(time);
    static_cast<ElidedLabel *>(label)->setText(withoutZone + QLatin1Char(' ') + localTimeZoneText(time), withoutZone);
}

// The whole seconds of a date-time, as its label shows it: two labels that read alike must not
// be marked one later than the other for the milliseconds they do not show.
qint64 shownSeconds(double days)
{
    const qint64 ms = store::fromDays(days).toMSecsSinceEpoch();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

} // namespace

TfrmDuplicates::TfrmDuplicates(store::Session &session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_fileOperation(std::make_unique<review::QtFileOperation>())
    , m_review(std::make_unique<review::PairReview>(session, *m_fileOperation))
{
    setObjectName(QStringLiteral("frmDuplicates"));
    setWindowTitle(i18n::english(N_("View Duplicates")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
        | Qt::WindowCloseButtonHint);
    setModal(true);
    setMinimumSize(kMinimumSize);

    pnlLeft = new QWidget(this);
    pnlLeft->setObjectName(QStringLiteral("pnlLeft"));
    pnlRight = new QWidget(this);
    pnlRight->setObjectName(QStringLiteral("pnlRight"));
    for (const bool left : {true, false}) {
        QWidget *half = left ? pnlLeft : pnlRight;
        const auto name
            = [left](const char *stem) { return QLatin1String(left ? "Left" : "Right") + QLatin1String(stem); };

        auto *pane = new QFrame(half);
        pane->setObjectName(QStringLiteral("pnl") + name("Picture"));
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setLineWidth(1);
        auto *client = new QWidget(pane);
        client->setObjectName(QStringLiteral("pnl") + name("PictureClient"));
        auto *paneLayout = new QVBoxLayout(pane);
        paneLayout->setContentsMargins(0, 0, 0, 0);
        paneLayout->addWidget(client);
        auto *image = new PictureLabel(client);
        image->setObjectName(QStringLiteral("img") + QLatin1String(left ? "Left" : "Right"));
        image->installEventFilter(this);

        auto *details = new QFrame(half);
        details->setObjectName(QStringLiteral("pnl") + name("PictureDetails"));
        details->setFixedHeight(kDetailsHeight);
        auto *grid = new QGridLayout(details);
        // Narrow margins: at the smallest window a half is just wide enough for a date to the
        // second beside the widest title and dimensions.
        grid->setContentsMargins(4, 4, 4, 4);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(1);
        // The halves are placed by hand; what their labels ask for must not hold them wider.
        grid->setSizeConstraint(QLayout::SetNoConstraint);
        const char *side = left ? "Left" : "Right";
        const auto labelName = [side](const char *stem) { return QByteArray("lbl") + side + stem; };
        grid->addWidget(detailsLabel(details, labelName("FileTitle"), i18n::english(N_("File:"))), 0, 0);
        auto *file = valueLabel(details, labelName("File"), Fit::Shorten);
        grid->addWidget(file, 0, 1, 1, 3);
        grid->addWidget(detailsLabel(details, labelName("PathTitle"), i18n::english(N_("Path:"))), 1, 0);
        auto *path = valueLabel(details, labelName("Path"), Fit::Shorten);
        path->installEventFilter(this);
        grid->addWidget(path, 1, 1, 1, 3);
        // The two dates in one column, the short figures in the other: two dates side by side
        // do not fit into half of the smallest window.
        grid->addWidget(detailsLabel(details, labelName("SizeTitle"), i18n::english(N_("Size:"))), 2, 0);
        auto *size = valueLabel(details, labelName("Size"), Fit::Whole);
        grid->addWidget(size, 2, 1);
        grid->addWidget(detailsLabel(details, labelName("DimensionsTitle"), i18n::english(N_("Dimensions:"))), 3, 0);
        auto *dimensions = valueLabel(details, labelName("Dimensions"), Fit::Whole);
        grid->addWidget(dimensions, 3, 1);
        grid->addWidget(detailsLabel(details, labelName("CreatedTitle"), i18n::english(N_("Created:"))), 2, 2);
        auto *created = valueLabel(details, labelName("Created"), Fit::Whole);
        grid->addWidget(created, 2, 3);
        grid->addWidget(detailsLabel(details, labelName("ModifiedTitle"), i18n::english(N_("Modified:"))), 3, 2);
        auto *modified = valueLabel(details, labelName("Modified"), Fit::Whole);
        grid->addWidget(modified, 3, 3);
        // Room to spare goes to the dates first, for their time zone.
        grid->setColumnStretch(3, 1);

        auto *halfLayout = new QVBoxLayout(half);
        halfLayout->setSizeConstraint(QLayout::SetNoConstraint);
        halfLayout->setContentsMargins(0, 0, 0, 0);
        halfLayout->setSpacing(0);
        halfLayout->addWidget(pane, 1);
        halfLayout->addWidget(details);

        (left ? pnlLeftPicture : pnlRightPicture) = pane;
        (left ? imgLeft : imgRight) = image;
        (left ? pnlLeftPictureDetails : pnlRightPictureDetails) = details;
        (left ? lblLeftFile : lblRightFile) = file;
        (left ? lblLeftPath : lblRightPath) = path;
        (left ? lblLeftSize : lblRightSize) = size;
        (left ? lblLeftDimensions : lblRightDimensions) = dimensions;
        (left ? lblLeftCreated : lblRightCreated) = created;
        (left ? lblLeftModified : lblRightModified) = modified;
    }

    pnlActions = new QFrame(this);
    pnlActions->setObjectName(QStringLiteral("pnlActions"));
    const QIcon trash = themeIcon("edit-delete", QStyle::SP_TrashIcon);
    const QIcon toLeft = themeIcon("go-previous", QStyle::SP_ArrowLeft);
    const QIcon toRight = themeIcon("go-next", QStyle::SP_ArrowRight);
    const QIcon cut = themeIcon("edit-cut", QStyle::SP_FileLinkIcon);
    const QIcon copy = themeIcon("edit-copy", QStyle::SP_FileIcon);
    btnDelLeft = makeButton(pnlActions, "btnDelLeft", trash, N_("Move the left file to the Trash"));
    btnMoveToLeft = makeButton(pnlActions, "btnMoveToLeft", twoPartIcon(toLeft, cut),
        N_("Move the left file to the Trash and move the right file in its place"));
    btnCopyToLeft = makeButton(pnlActions, "btnCopyToLeft", twoPartIcon(toLeft, copy),
        N_("Move the left file to the Trash and copy the right file in its place"));
    pnlMiddleButtons = new QFrame(pnlActions);
    pnlMiddleButtons->setObjectName(QStringLiteral("pnlMiddleButtons"));
    btnNotAMatch = makeButton(pnlMiddleButtons, "btnNotAMatch", themeIcon("process-stop", QStyle::SP_DialogNoButton),
        N_("Not a match: remove this pair from the list"));
    btnCopyToRight = makeButton(pnlActions, "btnCopyToRight", twoPartIcon(copy, toRight),
        N_("Move the right file to the Trash and copy the left file in its place"));
    btnMoveToRight = makeButton(pnlActions, "btnMoveToRight", twoPartIcon(cut, toRight),
        N_("Move the right file to the Trash and move the left file in its place"));
    btnDelRight = makeButton(pnlActions, "btnDelRight", trash, N_("Move the right file to the Trash"));

    pnlNavigation = new QFrame(this);
    pnlNavigation->setObjectName(QStringLiteral("pnlNavigation"));
    btnFirst = makeButton(pnlNavigation, "btnFirst", themeIcon("go-first", QStyle::SP_MediaSkipBackward), nullptr);
    btnPrev = makeButton(pnlNavigation, "btnPrev", themeIcon("go-previous", QStyle::SP_MediaSeekBackward), nullptr);
    btnOverview
        = makeButton(pnlNavigation, "btnOverview", themeIcon("view-list-details", QStyle::SP_FileDialogDetailedView),
            N_("All pairs in the overview, with their groups and Differences"));
    trbRecNo = new QSlider(Qt::Horizontal, pnlNavigation);
    trbRecNo->setObjectName(QStringLiteral("trbRecNo"));
    trbRecNo->setRange(1, 1);
    trbRecNo->setSingleStep(1);
    trbRecNo->setPageStep(1);
    trbRecNo->setTickInterval(1);
    trbRecNo->setTickPosition(QSlider::TicksBelow);
    lblDifference = new QLabel(pnlNavigation);
    lblDifference->setObjectName(QStringLiteral("lblDifference"));
    lblDifference->setAlignment(Qt::AlignCenter);
    // Made in the language of the moment with its figure.
    i18n::keepUntranslated(lblDifference);
    lblDupNumber = new QLabel(pnlNavigation);
    lblDupNumber->setObjectName(QStringLiteral("lblDupNumber"));
    lblDupNumber->setAlignment(Qt::AlignCenter);
    i18n::keepUntranslated(lblDupNumber);
    btnNext = makeButton(pnlNavigation, "btnNext", themeIcon("go-next", QStyle::SP_MediaSeekForward), nullptr);
    btnLast = makeButton(pnlNavigation, "btnLast", themeIcon("go-last", QStyle::SP_MediaSkipForward), nullptr);

    connect(btnFirst, &QPushButton::clicked, this, &TfrmDuplicates::btnFirstClick);
    connect(btnPrev, &QPushButton::clicked, this, &TfrmDuplicates::btnPrevClick);
    connect(btnNext, &QPushButton::clicked, this, &TfrmDuplicates::btnNextClick);
    connect(btnLast, &QPushButton::clicked, this, &TfrmDuplicates::btnLastClick);
    connect(trbRecNo, &QSlider::valueChanged, this, &TfrmDuplicates::trbRecNoChange);
    connect(btnOverview, &QPushButton::clicked, this, &TfrmDuplicates::btnOverviewClick);
    const std::pair<QPushButton *, ResolutionAction> resolutions[] = {
        {btnDelLeft, ResolutionAction::DeleteLeft},
        {btnMoveToLeft, ResolutionAction::MoveToLeft},
        {btnCopyToLeft, ResolutionAction::CopyToLeft},
        {btnCopyToRight, ResolutionAction::CopyToRight},
        {btnMoveToRight, ResolutionAction::MoveToRight},
        {btnDelRight, ResolutionAction::DeleteRight},
    };
    for (const auto &[button, action] : resolutions)
        connect(button, &QPushButton::clicked, this, [this, action] { ResolvePairClick(action); });
    connect(btnNotAMatch, &QPushButton::clicked, this, &TfrmDuplicates::btnNotAMatchClick);

    // Restored, the window sits in the middle of the screen; it is shown maximized.
    resize(kRestoredSize);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormResize();

    i18n::TranslateComponent(this);
}

TfrmDuplicates::~TfrmDuplicates()
{
    qApp->removeEventFilter(this);
}

void TfrmDuplicates::setStretchPreference(std::function<bool()> stretch)
{
    m_stretchPreference = std::move(stretch);
}

void TfrmDuplicates::setRememberPreference(std::function<bool()> remember)
{
    m_rememberPreference = std::move(remember);
}

void TfrmDuplicates::setStartPair(qint64 pairId)
{
    m_startPair = pairId;
}

void TfrmDuplicates::setFileOperation(std::unique_ptr<review::FileOperation> operation)
{
    Q_ASSERT(!m_review->isOpen());
    m_review.reset();
    m_fileOperation = std::move(operation);
    m_review = std::make_unique<review::PairReview>(m_session, *m_fileOperation);
}

QPushButton *TfrmDuplicates::makeButton(QWidget *parent, const char *name, const QIcon &icon, const char *toolTip)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(icon);
    button->setIconSize(icon.availableSizes().value(0, QSize(18, 18)).boundedTo(QSize(40, 20)));
    button->setFixedSize(kButtonWidth, kButtonHeight);
    // Keys belong to the window (Space toggles the details), so no button takes the focus and
    // none is pressed by Enter.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    if (toolTip)
        button->setToolTip(i18n::english(toolTip));
    return button;
}

// ---- Layout ----

void TfrmDuplicates::FormResize()
{
    const int w = width();
    const int h = height();
    const int halvesHeight = std::max(0, h - 2 * kBarHeight);
    pnlLeft->setGeometry(0, 0, w / 2, halvesHeight);
    pnlRight->setGeometry(w / 2, 0, w - w / 2, halvesHeight);
    pnlActions->setGeometry(0, halvesHeight, w, kBarHeight);
    pnlNavigation->setGeometry(0, halvesHeight + kBarHeight, w, kBarHeight);

    const int y = (kBarHeight - kButtonHeight) / 2;
    const auto at = [y](QWidget *widget, int x) { widget->move(x, y); };
    const int step = kButtonWidth + kButtonGap;
    at(btnDelLeft, kButtonGap);
    at(btnMoveToLeft, kButtonGap + step);
    at(btnCopyToLeft, kButtonGap + 2 * step);
    pnlMiddleButtons->setGeometry((w - kMiddleButtonsWidth) / 2, 0, kMiddleButtonsWidth, kBarHeight);
    at(btnNotAMatch, (kMiddleButtonsWidth - kButtonWidth) / 2);
    at(btnDelRight, w - step);
    at(btnMoveToRight, w - 2 * step);
    at(btnCopyToRight, w - 3 * step);

    at(btnFirst, kButtonGap);
    at(btnPrev, kButtonGap + step);
    at(btnLast, w - step);
    at(btnNext, w - 2 * step);
    at(btnOverview, kButtonGap + 2 * step);
    const int numberLeft = w - 2 * step - kButtonGap - m_numberWidth;
    lblDupNumber->setGeometry(numberLeft, y, m_numberWidth, kButtonHeight);
    const int differenceLeft = numberLeft - m_differenceWidth;
    lblDifference->setGeometry(differenceLeft, y, m_differenceWidth, kButtonHeight);
    const int trackLeft = kButtonGap + 3 * step;
    trbRecNo->setGeometry(trackLeft, 4, std::max(0, differenceLeft - kButtonGap - trackLeft), kBarHeight - 8);
}

void TfrmDuplicates::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FormResize();
    // The window manager maximizes the window only after it has been shown, so the first pair
    // was laid out for the restored size: until the user does anything, it follows the window.
    if (m_settling && isVisible())
        showInStartMode();
}

void TfrmDuplicates::toggleDetails()
{
    const bool show = !pnlLeftPictureDetails->isVisibleTo(pnlLeft);
    pnlLeftPictureDetails->setVisible(show);
    pnlRightPictureDetails->setVisible(show);
}

// ---- The pair list ----

void TfrmDuplicates::OpenPairs()
{
    // A list that takes long to read is read with a progress box that keeps the program painted;
    // a short one never shows it.
    std::optional<ProgressIndication> reading;
    QElapsedTimer clock;
    clock.start();
    m_review->open([this, &reading, &clock](qint64 done, qint64 total) {
        if (!reading && clock.elapsed() >= kReadingBoxAfterMs && done < total)
            reading.emplace(this, qtr("Reading the pairs..."));
        if (reading)
            reading->advanced(done, total);
    });
    const int count = m_review->count();
    if (count >= 1)
        setTrackRange(count);
}

void TfrmDuplicates::setTrackRange(int count)
{
    // Only the range changes here; the cursor stays where it is. A tick a pair, as long as the
    // ticks stay apart: beyond that they would only cost drawing time.
    const QSignalBlocker blocker(trbRecNo);
    trbRecNo->setRange(1, count);
    trbRecNo->setTickInterval(std::max(1, count / kMostTicks));
}

void TfrmDuplicates::MarkDifference(QLabel *left, QLabel *right, int difference)
{
    const QPalette system = QApplication::palette();
    const auto paint = [](QLabel *label, const QColor &background, const QColor &text) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::WindowText, text);
        label->setPalette(palette);
    };
    if (difference > 0) {
        paint(left, kGreen, kLime);
        paint(right, kMaroon, kSalmon);
    } else if (difference < 0) {
        paint(left, kMaroon, kSalmon);
        paint(right, kGreen, kLime);
    } else {
        paint(left, system.color(QPalette::Button), system.color(QPalette::WindowText));
        paint(right, system.color(QPalette::Button), system.color(QPalette::WindowText));
    }
}

QString TfrmDuplicates::leftFullPath() const
{
    return review::joinPath(lblLeftPath->text(), lblLeftFile->text());
}

QString TfrmDuplicates::rightFullPath() const
{
    return review::joinPath(lblRightPath->text(), lblRightFile->text());
}

bool TfrmDuplicates::ShowPair()
{
    if (!m_review->hasCurrent())
        return false;
    const review::PairSide &left = m_review->leftShown();
    const review::PairSide &right = m_review->rightShown();

    lblLeftPath->setText(left.folderPath);
    lblRightPath->setText(right.folderPath);
    lblLeftFile->setText(left.fileName);
    lblRightFile->setText(right.fileName);

    // Sizes and pixel counts in 64 bits: the difference of two large values must keep its sign.
    lblLeftSize->setText(QString::number(left.size));
    lblRightSize->setText(QString::number(right.size));
    MarkDifference(lblLeftSize, lblRightSize, sign(left.size - right.size));

    const QString dimensions = QStringLiteral("%1 x %2");
    lblLeftDimensions->setText(dimensions.arg(left.width).arg(left.height));
    lblRightDimensions->setText(dimensions.arg(right.width).arg(right.height));
    MarkDifference(lblLeftDimensions, lblRightDimensions,
        sign(qint64(left.width) * left.height - qint64(right.width) * right.height));

    setDateTimeText(lblLeftCreated, left.created);
    setDateTimeText(lblRightCreated, right.created);
    MarkDifference(lblLeftCreated, lblRightCreated, sign(shownSeconds(left.created) - shownSeconds(right.created)));

    setDateTimeText(lblLeftModified, left.modified);
    setDateTimeText(lblRightModified, right.modified);
    MarkDifference(lblLeftModified, lblRightModified, sign(shownSeconds(left.modified) - shownSeconds(right.modified)));

    const bool oneFolder = lblLeftPath->text() == lblRightPath->text();
    btnMoveToLeft->setEnabled(!oneFolder);
    btnMoveToRight->setEnabled(!oneFolder);

    // A picture that cannot be shown leaves its pane empty; the rest of the pair is still shown
    // and the first failure is reported once the window is in step with the new pair.
    QString loadError;
    for (PictureLabel *image : {imgLeft, imgRight}) {
        image->clearPicture();
        const QString path = image == imgLeft ? leftFullPath() : rightFullPath();
        try {
            image->setPicture(loadPictureImage(path));
        } catch (const std::exception &e) {
            if (loadError.isEmpty())
                loadError = qtrFormat(N_("%s cannot be shown: %s"), {path, QString::fromUtf8(e.what())});
        }
    }
    PlaceImage(imgLeft);
    PlaceImage(imgRight);

    lblDifference->setText(qtrFormat("Difference %s", {QLocale().toString(m_review->current().difference)}));
    // As wide as the text, so that the track bar keeps the rest.
    const int differenceWidth = lblDifference->fontMetrics().horizontalAdvance(lblDifference->text()) + 2 * kButtonGap;
    if (differenceWidth != m_differenceWidth) {
        m_differenceWidth = differenceWidth;
        FormResize();
    }

    const int position = m_review->position();
    const int count = m_review->count();
    if (position >= 1 && position <= count) {
        const QSignalBlocker blocker(trbRecNo);
        trbRecNo->setValue(position);
        lblDupNumber->setText(QStringLiteral("%1/%2").arg(position).arg(count));
        lblDupNumber->show();
        // Wide enough for the largest number of the list, so that it is never cut.
        const int wanted = std::max(kDupNumberWidth,
            lblDupNumber->fontMetrics().horizontalAdvance(QStringLiteral("%1/%1").arg(count)) + 2 * kButtonGap);
        if (wanted != m_numberWidth) {
            m_numberWidth = wanted;
            FormResize();
        }
    } else {
        lblDupNumber->hide();
    }

    showInStartMode();

    if (!loadError.isEmpty())
        throw Error(loadError.toStdString());
    return true;
}

void TfrmDuplicates::showInStartMode()
{
    const bool stretch
        = m_stretchPreference ? m_stretchPreference() : settings::SettingsStore().load().stretchDuplicates;
    FitImages();
    if (!stretch) {
        ShowActualSize();
        PlaceImage(imgLeft);
        PlaceImage(imgRight);
    }
}

// ---- Navigation ----

void TfrmDuplicates::btnFirstClick()
{
    guarded(this, [this] {
        m_review->first();
        ShowPair();
    });
}

void TfrmDuplicates::btnPrevClick()
{
    guarded(this, [this] {
        if (m_review->position() > 1) {
            m_review->previous();
            ShowPair();
        }
    });
}

void TfrmDuplicates::btnNextClick()
{
    guarded(this, [this] {
        if (m_review->position() < m_review->count()) {
            m_review->next();
            ShowPair();
        }
    });
}

void TfrmDuplicates::btnLastClick()
{
    guarded(this, [this] {
        m_review->last();
        ShowPair();
    });
}

void TfrmDuplicates::trbRecNoChange()
{
    guarded(this, [this] {
        m_review->moveTo(trbRecNo->value());
        ShowPair();
    });
}

void TfrmDuplicates::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored from the task bar: the pair stays as it was
    qApp->installEventFilter(this);
    FormResize();
    if (guarded(this, [this] {
            OpenPairs();
            if (m_startPair)
                m_review->moveToPair(*m_startPair);
            m_startPair.reset();
        })) {
        try {
            ShowPair();
        } catch (const std::exception &e) {
            // The window is not on the screen yet: the report waits for it, so that it stands
            // over the pair it is about rather than over the main window.
            QTimer::singleShot(0, this, [this, text = QString::fromUtf8(e.what())] { showErrorReport(this, text); });
        }
    }
    m_settling = true;
}

void TfrmDuplicates::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    qApp->removeEventFilter(this);
    m_settling = false;
    m_review->close();
}

bool TfrmDuplicates::isOurs(QObject *object) const
{
    return object->isWidgetType() && static_cast<QWidget *>(object)->window() == this;
}

bool TfrmDuplicates::FormKeyDown(QKeyEvent *event)
{
    if (event->key() == Qt::Key_PageUp) {
        trbRecNo->setValue(trbRecNo->value() - 1);
        return true;
    }
    if (event->key() == Qt::Key_PageDown) {
        trbRecNo->setValue(trbRecNo->value() + 1);
        return true;
    }
    return false;
}

bool TfrmDuplicates::FormKeyPress(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (event->key() == Qt::Key_Space) {
        toggleDetails();
        return true;
    }
    return false;
}

bool TfrmDuplicates::FormMouseWheel(QWheelEvent *event)
{
    // A pair a notch, towards the user to the next one, whether or not the track bar has the
    // focus already: Qt's own track bar would step three at a time and the other way round.
    m_wheelTurn += event->angleDelta().y();
    const int notches = m_wheelTurn / QWheelEvent::DefaultDeltasPerStep;
    m_wheelTurn %= QWheelEvent::DefaultDeltasPerStep;
    if (!trbRecNo->hasFocus())
        trbRecNo->setFocus(Qt::MouseFocusReason);
    if (notches != 0)
        trbRecNo->setValue(trbRecNo->value() - notches);
    return true;
}

bool TfrmDuplicates::eventFilter(QObject *watched, QEvent *event)
{
    auto *image = (watched == imgLeft || watched == imgRight) ? static_cast<PictureLabel *>(watched) : nullptr;
    const QEvent::Type type = event->type();
    if (m_settling
        && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress
            || type == QEvent::Wheel)
        && isOurs(watched))
        m_settling = false;
    switch (type) {
    case QEvent::KeyPress:
        // Seen before the focused control; the keys the window acts on stop here, so that the
        // track bar does not page a second time.
        if (isOurs(watched)) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (FormKeyDown(key) || FormKeyPress(key))
                return true;
        }
        break;
    case QEvent::Wheel:
        if (isOurs(watched) && isActiveWindow())
            return FormMouseWheel(static_cast<QWheelEvent *>(event));
        break;
    case QEvent::Enter:
        if (watched == lblLeftPath || watched == lblRightPath) {
            auto *label = static_cast<QLabel *>(watched);
            label->setToolTip(label->text());
        }
        break;
    case QEvent::MouseButtonPress:
        if (image) {
            guarded(this, [&] { ImageMouseDown(image, static_cast<QMouseEvent *>(event)); });
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (image) {
            guarded(this, [&] { ImageMouseMove(image, static_cast<QMouseEvent *>(event)); });
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (image) {
            guarded(this, [&] { ImageMouseUp(image, static_cast<QMouseEvent *>(event)); });
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (image) {
            guarded(this, [&] { ImageDblClick(image, static_cast<QMouseEvent *>(event)); });
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Picture panes ----

PictureLabel *TfrmDuplicates::other(PictureLabel *image) const
{
    return image == imgLeft ? imgRight : imgLeft;
}

void TfrmDuplicates::PlaceImage(PictureLabel *image)
{
    image->setGeometry(review::placeImage(image->geometry(), image->parentWidget()->size()));
}

void TfrmDuplicates::FollowImage(PictureLabel *source, PictureLabel *target)
{
    if (!source->hasPicture() || !target->hasPicture() || source->size().isEmpty())
        return;
    target->move(review::followImage(
        source->geometry(), source->parentWidget()->size(), target->size(), target->parentWidget()->size()));
}

void TfrmDuplicates::FitImages()
{
    for (PictureLabel *image : {imgLeft, imgRight}) {
        if (image->hasPicture())
            image->resize(review::fitSize(image->size(), image->parentWidget()->size()));
        image->move(0, 0);
    }
    PlaceImage(imgLeft);
    PlaceImage(imgRight);
    Fitted = true;
}

void TfrmDuplicates::ShowActualSize()
{
    for (PictureLabel *image : {imgLeft, imgRight})
        image->resize(image->pictureSize());
    Fitted = false;
}

void TfrmDuplicates::ImageMouseDown(PictureLabel *image, QMouseEvent *event)
{
    (image == imgLeft ? DraggingLeft : DraggingRight) = true;
    DragOrigin = event->globalPosition().toPoint();
}

void TfrmDuplicates::ImageMouseMove(PictureLabel *image, QMouseEvent *event)
{
    if (!(image == imgLeft ? DraggingLeft : DraggingRight))
        return;
    const QPoint p = event->globalPosition().toPoint();
    image->move(image->pos() + (p - DragOrigin));
    DragOrigin = p;
    PictureLabel *follower = other(image);
    PlaceImage(image);
    if (image == imgLeft)
        image->repaint();
    FollowImage(image, follower);
    if (image == imgRight)
        image->repaint();
    PlaceImage(follower);
    follower->repaint();
}

void TfrmDuplicates::ImageMouseUp(PictureLabel *, QMouseEvent *event)
{
    DraggingLeft = false;
    DraggingRight = false;
    if (event->button() != Qt::RightButton)
        return;
    if (Fitted)
        ShowActualSize();
    for (PictureLabel *image : {imgLeft, imgRight}) {
        if (image->hasPicture())
            image->resize(review::halveSize(image->size()));
    }
    PlaceImage(imgLeft);
    PlaceImage(imgRight);
}

void TfrmDuplicates::ImageDblClick(PictureLabel *, QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (Fitted) {
        ShowActualSize();
    } else {
        if (!review::canZoomIn(imgLeft->size()) || !review::canZoomIn(imgRight->size()))
            return; // as far as zooming goes
        if (imgLeft->hasPicture())
            imgLeft->setGeometry(review::zoomInAboutCentre(imgLeft->geometry(), imgLeft->parentWidget()->size()));
        if (imgRight->hasPicture())
            imgRight->resize(imgRight->size() * 2);
    }
    PlaceImage(imgLeft);
    FollowImage(imgLeft, imgRight);
    PlaceImage(imgRight);
}

// ---- Resolution ----

namespace {

// The progress box of each file step, up for as long as the step runs.
class ProgressSteps final : public review::ResolutionSteps
{
public:
    explicit ProgressSteps(QWidget *parent)
        : m_parent(parent)
    {
    }

    review::FileOperationProgress &started(Step step) override
    {
        const char *title = step == Step::Recycle ? N_("Deleting a file...")
            : step == Step::Move                  ? N_("Moving a file...")
                                                  : N_("Copying a file...");
        m_indication.emplace(m_parent, qtr(title));
        return *m_indication;
    }
    void finished() override { m_indication.reset(); }

private:
    QWidget *m_parent;
    std::optional<ProgressIndication> m_indication;
};

// The questions and notices of a resolution as message boxes over the window.
class WindowPolicy final : public review::ResolutionPolicy
{
public:
    explicit WindowPolicy(QWidget *window)
        : m_window(window)
        , m_steps(window)
    {
    }

    bool confirm(Caption caption, const QString &question) override
    {
        if (caption == Caption::Confirmation)
            return askYesNo(m_window, qtr("Confirmation"), question, QMessageBox::Question);
        return askYesNo(m_window, qtr("Warning"), question, QMessageBox::NoIcon);
    }
    void tell(const QString &message) override { notify(m_window, applicationTitle(), message, QMessageBox::Warning); }
    review::ResolutionSteps &steps() override { return m_steps; }

private:
    QWidget *m_window;
    ProgressSteps m_steps;
};

} // namespace

void TfrmDuplicates::GoToAnchorPair()
{
    if (!m_review->hasCurrent()) {
        m_review->close();
        close();
        return;
    }
    setTrackRange(m_review->count());
    ShowPair();
}

void TfrmDuplicates::settleShownPair(ResolutionAction action)
{
    if (!m_review->hasCurrent())
        return;
    WindowPolicy policy(this);
    switch (m_review->settle(m_review->current().id, action, policy)) {
    case review::Settled::Done:
    case review::Settled::PartlyDone:
    case review::Settled::Forgotten:
        GoToAnchorPair();
        break;
    case review::Settled::Declined:
    case review::Settled::Refused:
    case review::Settled::Failed:
        break;
    }
}

void TfrmDuplicates::ResolvePairClick(ResolutionAction action)
{
    guarded(this, [this, action] { settleShownPair(action); });
}

void TfrmDuplicates::btnOverviewClick()
{
    if (m_review->hasCurrent())
        emit overviewRequested(m_review->current().id);
}

void TfrmDuplicates::btnNotAMatchClick()
{
    guarded(this, [this] {
        m_review->setRememberNotAMatch(
            m_rememberPreference ? m_rememberPreference() : settings::SettingsStore().load().rememberNotAMatch);
        settleShownPair(ResolutionAction::NotAMatch);
    });
}

} // namespace vexaris::ui
