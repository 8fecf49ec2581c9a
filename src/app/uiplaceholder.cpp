// Placeholder so that the window library links before its first window exists.
namespace vexaris::ui {
void linkPlaceholder() { }
} // namespace vexaris::ui
