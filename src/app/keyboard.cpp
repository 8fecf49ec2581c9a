#include "app/keyboard.h"

#include <QGuiApplication>

namespace vexaris::ui {

static std::optional<bool> s_shiftForTests;

bool liveShiftDown()
{
    if (s_shiftForTests)
        return *s_shiftForTests;
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

void setShiftDownForTests(std::optional<bool> down)
{
    s_shiftForTests = down;
}

} // namespace vexaris::ui
