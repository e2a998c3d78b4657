#include "platform/terminal/terminal_display.h"
#include "platform/window/display_source.h"

namespace quorvex {
namespace {

// The terminal the program was started in, and nothing else.
class TerminalSource : public DisplaySource {
public:
    std::unique_ptr<Display> Open(const DisplayRequest& request, std::string& error) override
    {
        (void)request;
        return TerminalDisplay::Open(error);
    }
};

}  // namespace

std::unique_ptr<DisplaySource> DisplaySource::CreateDefault()
{
    return std::make_unique<TerminalSource>();
}

}  // namespace quorvex
