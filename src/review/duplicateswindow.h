// The review window: the recorded pairs of the current collection shown one at a time, side by
// side with their file details, stepped through by buttons, track bar, keys and wheel, and
// resolved by the actions bar.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QDialog>
#include <QPoint>

#include "store/journal.h"

class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QWidget;

namespace vexaris::store {
class Session;
}

namespace vexaris::review {
class FileOperation;
class PairReview;
} // namespace vexaris::review

namespace vexaris::ui {

class PictureLabel;

class TfrmDuplicates : public QDialog
{
    Q_OBJECT

public:
    // The pairs are those of the session's current collection when the window opens.
    explicit TfrmDuplicates(store::Session &session, QWidget *parent = nullptr);
    ~TfrmDuplicates() override;

    // Where ShowPair reads the StretchDuplicates preference; by default the stored preference.
    void setStretchPreference(std::function<bool()> stretch);
    // Where Not a match reads the RememberNotAMatch preference; by default the stored preference.
    void setRememberPreference(std::function<bool()> remember);
    // The file operations of the resolutions; by default the real file system and Trash. Only
    // while the window is hidden.
    void setFileOperation(std::unique_ptr<review::FileOperation> operation);

    // The pair the window shows first when it is next shown, in place of the list's first pair.
    void setStartPair(qint64 pairId);

    // The pair list, its cursor, the shown sides and the resolutions.
    const review::PairReview &review() const { return *m_review; }

    // The picture panes' state.
    bool Fitted = false;
    bool DraggingLeft = false;
    bool DraggingRight = false;
    QPoint DragOrigin;

    void OpenPairs();
    bool ShowPair();
    void MarkDifference(QLabel *left, QLabel *right, int sign);

    void PlaceImage(PictureLabel *image);
    void FollowImage(PictureLabel *source, PictureLabel *target);
    void FitImages();
    void ShowActualSize();

    // The full path of the picture shown in the left or right pane.
    QString leftFullPath() const;
    QString rightFullPath() const;

    QWidget *pnlLeft = nullptr;
    QWidget *pnlRight = nullptr;
    QFrame *pnlLeftPicture = nullptr;
    QFrame *pnlRightPicture = nullptr;
    PictureLabel *imgLeft = nullptr;
    PictureLabel *imgRight = nullptr;
    QFrame *pnlLeftPictureDetails = nullptr;
    QFrame *pnlRightPictureDetails = nullptr;
    QLabel *lblLeftFile = nullptr;
    QLabel *lblRightFile = nullptr;
    QLabel *lblLeftPath = nullptr;
    QLabel *lblRightPath = nullptr;
    QLabel *lblLeftSize = nullptr;
    QLabel *lblRightSize = nullptr;
    QLabel *lblLeftDimensions = nullptr;
    QLabel *lblRightDimensions = nullptr;
    QLabel *lblLeftCreated = nullptr;
    QLabel *lblRightCreated = nullptr;
    QLabel *lblLeftModified = nullptr;
    QLabel *lblRightModified = nullptr;
    QFrame *pnlActions = nullptr;
    QPushButton *btnDelLeft = nullptr;
    QPushButton *btnMoveToLeft = nullptr;
    QPushButton *btnCopyToLeft = nullptr;
    QFrame *pnlMiddleButtons = nullptr;
    QPushButton *btnNotAMatch = nullptr;
    QPushButton *btnCopyToRight = nullptr;
    QPushButton *btnMoveToRight = nullptr;
    QPushButton *btnDelRight = nullptr;
    QFrame *pnlNavigation = nullptr;
    QPushButton *btnFirst = nullptr;
    QPushButton *btnPrev = nullptr;
    QPushButton *btnOverview = nullptr;
    QSlider *trbRecNo = nullptr;
    QLabel *lblDifference = nullptr;
    QLabel *lblDupNumber = nullptr;
    QPushButton *btnNext = nullptr;
    QPushButton *btnLast = nullptr;

public slots:
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();
    void trbRecNoChange();
    void ResolvePairClick(store::ResolutionAction action);
    void btnNotAMatchClick();
    void btnOverviewClick();

signals:
    // The overview of all pairs is asked for, at the shown pair.
    void overviewRequested(qint64 pairId);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPushButton *makeButton(QWidget *parent, const char *name, const QIcon &icon, const char *toolTip);
    void FormResize();
    bool FormKeyDown(QKeyEvent *event);
    bool FormKeyPress(QKeyEvent *event);
    bool FormMouseWheel(QWheelEvent *event);
    void toggleDetails();

    void ImageMouseDown(PictureLabel *image, QMouseEvent *event);
    void ImageMouseMove(PictureLabel *image, QMouseEvent *event);
    void ImageMouseUp(PictureLabel *image, QMouseEvent *event);
    void ImageDblClick(PictureLabel *image, QMouseEvent *event);

    void showInStartMode();
    void setTrackRange(int count);
    // The question, the resolution and what follows it, for the shown pair.
    void settleShownPair(store::ResolutionAction action);
    // After a change of the list: the pair the review went to, or the window closes when none is left.
    void GoToAnchorPair();
    bool isOurs(QObject *object) const;
    PictureLabel *other(PictureLabel *image) const;

    std::function<bool()> m_stretchPreference;
    std::function<bool()> m_rememberPreference;
    store::Session &m_session;
    std::unique_ptr<review::FileOperation> m_fileOperation;
    std::unique_ptr<review::PairReview> m_review;
    int m_wheelTurn = 0; // what a fine-grained wheel has turned short of a notch
    bool m_settling = false; // shown, and nothing done by the user yet
    int m_numberWidth = 78; // of the position label
    int m_differenceWidth = 0; // of the Difference label
    std::optional<qint64> m_startPair;
};

} // namespace vexaris::ui
