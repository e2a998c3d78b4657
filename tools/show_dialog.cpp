// quorvex-show-dialog: opens the main dialog (template 102) from the program's own resources
// in the terminal, with sample entries in its lists, and does nothing else: a way to look at
// the terminal front end and try its keys and mouse. The caption's OK or a close request
// ends it.

#include "platform/framework/application.h"
#include "tools/sample_dialog.h"

namespace quorvex {
namespace {

class ShowDialogApplication : public Application {
protected:
    bool StartUp() override
    {
        SampleDialog dialog({});
        SetMainWindow(&dialog);
        return dialog.DoModal() != -1;
    }
};

ShowDialogApplication application;

}  // namespace
}  // namespace quorvex
