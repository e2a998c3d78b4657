// Feeds arbitrary bytes as a dialog template to the relayout routine, applied to the
// program's own dialog. Whatever the bytes say, the routine must neither read past them
// nor fail in any other way than returning false.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>

#include "dialog/template_relayout.h"
#include "platform/gui/dialog.h"
#include "platform/resource/resource_module.h"
#include "platform/testing/manual_clock.h"
#include "platform/window/headless_display.h"
#include "platform/window/message_box.h"
#include "platform/window/window_system.h"
#include "platform/window/window_system_test_helper.h"
#include "resources/dialog_ids.h"
#include "resources/program_resources.h"

namespace quorvex {
namespace {

constexpr std::uint16_t kFuzzedTemplate = 500;

// The dialog lives on a UI thread of its own, in its modal loop; each input is handed to
// that loop, applied there, and the fuzzer waits for it.
class RelayoutRunner {
public:
    RelayoutRunner() : ui([this] { RunDialog(); }) {}

    void Apply(std::span<const std::byte> bytes)
    {
        std::unique_lock lock(mutex);
        input = bytes;
        pending = true;
        changed.notify_all();
        changed.wait(lock, [this] { return !pending; });
    }

private:
    void RunDialog()
    {
        HeadlessDisplay display;
        ManualClock clock;
        WindowSystem system(display, clock);
        Dialog dialog(ProgramResources(), DialogId::Portrait);
        WindowSystemTestHelper::SetIdleHook(system, [&] {
            std::unique_lock lock(mutex);
            changed.wait(lock, [this] { return pending; });
            const std::array<ResourceEntry, 1> entries{
                {{ResourceType::Dialog, kFuzzedTemplate, 1033, input}}};
            const ResourceModule module(entries, {});
            (void)TemplateRelayout::RelayoutFromTemplate(module, dialog, kFuzzedTemplate);
            pending = false;
            changed.notify_all();
            return true;
        });
        dialog.DoModal();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::span<const std::byte> input;
    bool pending = false;
    std::thread ui;
};

}  // namespace
}  // namespace quorvex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Made once and never ended: the fuzzer leaves by exiting the process.
    static auto* runner = new quorvex::RelayoutRunner();
    runner->Apply({reinterpret_cast<const std::byte*>(data), size});
    return 0;
}
