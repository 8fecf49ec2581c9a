#include "runs/updatecommand.h"

namespace vexaris::ui {

void executeThumbnailUpdate(QWidget *)
{
}

} // namespace vexaris::ui
