// The journal window: the resolutions of the current collection, newest first, each of which
// can be taken back (a batch as one line that opens to its pairs and is taken back whole), and the
// pairs remembered as not a match, each of which can be given up so that the next scan reports it
// again. A view over the store's journal and the undo of the review; it runs no statement of its
// own.
#pragma once

#include <memory>
#include <optional>

#include <QDialog>

class QGroupBox;
class QPushButton;
class QTreeWidget;

namespace vexaris::store {
class Session;
}

namespace vexaris::review {
class FileOperation;
}

namespace vexaris::ui {

class TfrmJournal : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmJournal(store::Session &session, QWidget *parent = nullptr);
    ~TfrmJournal() override;

    // The file operations of an undo; by default the real file system and Trash.
    void setFileOperation(std::unique_ptr<review::FileOperation> operation);

    // Reads both lists again, keeping the selected entries selected where they are still listed.
    void fillLists();

    QGroupBox *grpResolutions = nullptr;
    QTreeWidget *lstResolutions = nullptr;
    QPushButton *btnUndo = nullptr;
    QGroupBox *grpNotAMatches = nullptr;
    QTreeWidget *lstNotAMatches = nullptr;
    QPushButton *btnForget = nullptr;
    QPushButton *btnClose = nullptr;

public slots:
    // The selected entry or batch, or the newest entry not yet undone when none is selected.
    void btnUndoClick();
    void btnForgetClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void updateButtons();
    // The selected entry of the list; nullopt for none or a batch.
    std::optional<qint64> selectedId(const QTreeWidget *list) const;
    std::optional<qint64> selectedBatch() const;
    // Takes the whole batch back and says how far that went, with the reasons of the refused.
    void undoBatch(qint64 batchId);

    store::Session &m_session;
    std::unique_ptr<review::FileOperation> m_fileOperation;
};

} // namespace vexaris::ui
