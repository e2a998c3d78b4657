#pragma once

#include "platform/gui/control.h"

namespace quorvex {

// A static text item (class "static"). UI thread only.
class StaticText : public Control {
protected:
    bool Accepts(const Window& window) const override;
};

}  // namespace quorvex
