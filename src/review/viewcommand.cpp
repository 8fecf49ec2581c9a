#include "review/viewcommand.h"

namespace vexaris::ui {

void executeViewDuplicates(QWidget *)
{
}

} // namespace vexaris::ui
