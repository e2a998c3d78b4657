#pragma once

#include <cstdint>

#include "platform/gui/parsed_dialog_template.h"

namespace quorvex {

class Dialog;
class ResourceModule;
class Window;

// Moves the controls of a dialog that exists to the places another template gives them:
// the general routine behind a dialog that follows the screen when it turns. Each item of
// the template moves the dialog's child with the same id, all in one batch; then the
// control is fixed up from the template: a button's or static's text (or image) is the
// template's again, and a list selects its selection anew.
//
// A template that is missing or malformed (truncated, a count or a size that runs past
// its end) is refused whole: nothing moves and nothing is read beyond its bytes. Dialog
// thread only.
class TemplateRelayout {
public:
    // True when every item found its control and every move was made. False when the
    // template cannot be found or read, when a control is missing or cannot be placed
    // (the others still move), or when two or more items have the id 0xFFFF.
    static bool RelayoutFromTemplate(const ResourceModule& module, Dialog& dialog,
                                     std::uint16_t templateId);

    // One control's fix-up after its move; only predefined classes named by ordinal.
    static void FixupControl(const ResourceModule& module, Dialog& dialog,
                             const ParsedDialogTemplate::Item& item,
                             const ParsedDialogTemplate::Field& windowClass,
                             const ParsedDialogTemplate::Field& title);

private:
    static void FixupTextOrImage(const ResourceModule& module, Window& control, std::uint32_t style,
                                 const ParsedDialogTemplate::Field& title);
    static void ReselectList(Window& control);
};

}  // namespace quorvex
