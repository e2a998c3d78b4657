#include "platform/window/display_source.h"
#include "platform/window/headless_display.h"

namespace quorvex {
namespace {

// A screen without a screen, for test programs that start the framework.
class HeadlessSource : public DisplaySource {
public:
    std::unique_ptr<Display> Open(const DisplayRequest& request, std::string& error) override
    {
        (void)request;
        (void)error;
        return std::make_unique<HeadlessDisplay>();
    }
};

}  // namespace

std::unique_ptr<DisplaySource> DisplaySource::CreateDefault()
{
    return std::make_unique<HeadlessSource>();
}

}  // namespace quorvex
