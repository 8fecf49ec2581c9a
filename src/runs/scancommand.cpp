#include "runs/scancommand.h"

namespace vexaris::ui {

void executeScan(QWidget *, const QList<int> &)
{
}

} // namespace vexaris::ui
