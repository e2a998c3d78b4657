#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/parsed_dialog_template.h"
#include "platform/window/font.h"
#include "platform/window/window.h"

namespace quorvex {

class Control;
class ResourceModule;

// A dialog made from a template among the resources and run modally. User dialogs derive
// from it and override the handlers they need: OnInitDialog (call the base first: it runs
// the shell's set-up and the first DoDataExchange), OnOK, OnCancel, OnCommand for their
// controls' notifications, and Window's OnTimer, OnSize, OnClose, OnDestroy.
//
// Commands: IDOK calls OnOK, whose default runs DoDataExchange and ends the dialog with
// IDOK; IDCANCEL calls OnCancel, which ends it with IDCANCEL at once; a close request
// (WM_CLOSE) ends it with IDCANCEL. The controls the template names are made and owned by
// the dialog and go away with its window; the module outlives the dialog. UI thread only.
class Dialog : public Window {
public:
    Dialog(const ResourceModule& module, std::uint16_t templateId, Window* owner = nullptr);
    ~Dialog() override;

    // Creates the dialog and its controls, sends WM_INITDIALOG, shows it and runs the loop
    // until EndDialog; then destroys the window (WM_DESTROY) and returns EndDialog's value.
    // -1 when the template cannot be found or read or the window cannot be made.
    int DoModal();

    // Ends the modal run once the current handler returns.
    void EndDialog(int result);
    bool IsEnded() const { return ended; }

    // Dialog units to pixels with the dialog's font: x * cell width / 4, y * cell height / 8.
    bool MapDialogRect(Rect& rect) const;

    // Attaches a control object to the dialog's item `id`; false when there is no such
    // item or it is of another class.
    bool BindControl(Control& control, int id);

    const ResourceModule& Module() const { return module; }
    std::uint16_t TemplateId() const { return templateId; }

    bool Destroy() override;

protected:
    virtual bool OnInitDialog();  // true: the framework puts the focus on the first tab stop
    virtual void OnOK();
    virtual void OnCancel();
    // Binds control objects to the items; run at initialisation and when OK is accepted.
    virtual void DoDataExchange() {}

    LRESULT WindowProc(std::uint32_t message, WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;

private:
    bool CreateFromTemplate(const ParsedDialogTemplate& dialogTemplate);
    bool CreateItem(const ParsedDialogTemplate::Item& item);
    // An image static (SS_ICON, SS_BITMAP) shows the image its template names.
    void LoadImage(Window& control, std::uint32_t style, std::uint16_t id) const;

    const ResourceModule& module;
    const std::uint16_t templateId;
    Window* owner;
    Font font;
    std::vector<std::unique_ptr<Window>> controls;
    bool ended = false;
    int result = 0;
};

}  // namespace quorvex
