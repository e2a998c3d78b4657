#include "platform/window/paint_order.h"

#include "platform/window/combo_box_window.h"
#include "platform/window/message_box.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace quorvex {

void PaintOrder::Walk(const WindowSystem& model, Painter& painter)
{
    const auto windows = model.TopLevelWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (!(*it)->IsWindowVisible())
            continue;
        painter.TopLevel(**it);
        Children(**it, painter);
    }
    if (const Window* open = model.OpenList())
        painter.OpenList(static_cast<const ComboBoxWindow&>(*open));
    for (const MessageBox* box : model.MessageBoxes())
        painter.Box(*box);
}

void PaintOrder::Children(const Window& window, Painter& painter)
{
    // Children() is topmost first, so the bottom of the stack comes first.
    const auto children = window.Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const Window& child = **it;
        if (!child.IsWindowVisible())
            continue;
        painter.Control(child);
        Children(child, painter);
    }
}

}  // namespace quorvex
