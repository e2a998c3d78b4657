#pragma once

namespace quorvex {

class ComboBoxWindow;
class MessageBox;
class Window;
class WindowSystem;

// The order in which every display draws the model, the bottom first: each visible top-level
// window (the bottom of the stack first) followed by its visible controls, each before its
// own children and in the reverse of the z-order; then the open drop-down list; then the
// message boxes, the newest last. UI thread only.
class PaintOrder {
public:
    class Painter {
    public:
        virtual ~Painter() = default;
        virtual void TopLevel(const Window& window) = 0;
        virtual void Control(const Window& control) = 0;
        virtual void OpenList(const ComboBoxWindow& list) = 0;
        virtual void Box(const MessageBox& box) = 0;
    };

    static void Walk(const WindowSystem& model, Painter& painter);

private:
    static void Children(const Window& window, Painter& painter);
};

}  // namespace quorvex
