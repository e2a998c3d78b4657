#pragma once

#include "platform/gui/control.h"

namespace quorvex {

// A push button item (class "button", not a group box); pressing it sends BN_CLICKED to
// the dialog. UI thread only.
class PushButton : public Control {
protected:
    bool Accepts(const Window& window) const override;
};

}  // namespace quorvex
