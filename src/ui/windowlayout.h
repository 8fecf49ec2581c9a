// What a window remembers of its layout between runs: its size and position, and for a table
// its columns' widths, order and sorting. Every window that keeps its layout uses these, so that
// they all keep it the same way and in one place of the settings.
#pragma once

#include <QString>

class QHeaderView;
class QWidget;

namespace vexaris::ui {

// Gives the window the geometry stored under key, if any (a position off every screen now
// attached is brought back onto one), and stores it again each time the window is hidden or
// closed. Call it once the window has its first size and position: that stays without a stored
// one.
void rememberGeometry(QWidget *window, const QString &key);

// The same for a table's header, once the table is in its window: restored now, stored when
// the window is hidden or closed.
void rememberColumns(QHeaderView *header, const QString &key);

} // namespace vexaris::ui
