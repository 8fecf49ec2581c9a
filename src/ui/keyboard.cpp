#include "ui/keyboard.h"

#include <QGuiApplication>

namespace vexaris::ui {

static std::function<bool()> s_shiftForTests;

bool liveShiftDown()
{
    if (s_shiftForTests)
        return s_shiftForTests();
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

void setShiftDownForTests(std::optional<bool> down)
{
    if (down)
        s_shiftForTests = [value = *down] { return value; };
    else
        s_shiftForTests = nullptr;
}

void setShiftQueryForTests(std::function<bool()> query)
{
    s_shiftForTests = std::move(query);
}

} // namespace vexaris::ui
