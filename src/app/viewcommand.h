// The main window's View duplicates and Pairs overview commands: each counts the current
// collection's pairs, says so when there are none, and otherwise shows its window modally; and the
// review window opened at one pair from the overview.
#pragma once

#include <QtGlobal>

class QWidget;

namespace vexaris::store {
class Session;
}

namespace vexaris::ui {

class TfrmDuplicates;
class TfrmPairs;

void executeViewDuplicates(QWidget *mainWindow, store::Session &session, TfrmDuplicates &window);
void executePairsOverview(QWidget *mainWindow, store::Session &session, TfrmPairs &window);
// The review window at that pair (the list's first when the pair has gone meanwhile).
void executeViewPair(TfrmDuplicates &window, qint64 pairId);

} // namespace vexaris::ui
