// A start that fails before it has a display, run in this process: the display source says
// why its display cannot open and offers another to say so on, where the person reads the
// message box and presses Enter.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/framework/application.h"
#include "platform/system/posix.h"
#include "platform/system/program_file.h"
#include "platform/window/display_source.h"
#include "platform/window/headless_display.h"
#include "platform/window/input_event.h"
#include "platform/window/message_box.h"
#include "platform/window/window_system.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

namespace fs = std::filesystem;

struct SeenBox {
    std::wstring text;
    std::wstring caption;
    std::uint32_t type = 0;
    std::vector<int> buttons;
};

// A display whose person answers each message box with Enter, noting what it said.
class ReaderDisplay : public HeadlessDisplay {
public:
    explicit ReaderDisplay(std::vector<SeenBox>& seen) : seen(seen)
    {
        ready = static_cast<int>(Posix::EventFd().value);
        (void)Posix::SignalEventFd(ready);  // input always waits: ReadInput comes at once
    }
    ~ReaderDisplay() override { (void)Posix::Close(ready); }

    std::span<const int> InputDescriptors() const override { return {&ready, 1}; }
    void ReadInput(WindowSystem& model) override
    {
        if (model.MessageBoxes().empty())
            return;
        const MessageBox& box = *model.MessageBoxes().back();
        seen.push_back({box.Text(), box.Caption(), box.Type(), box.Buttons()});
        model.Deliver(InputEvent::Press(Key::Enter));
    }

private:
    std::vector<SeenBox>& seen;
    int ready = -1;
};

class FailingSource : public DisplaySource {
public:
    std::unique_ptr<Display> Open(const DisplayRequest& request, std::string& error) override
    {
        asked = request;
        error = "the dialog's font is missing";
        return nullptr;
    }
    std::unique_ptr<Display> OpenForMessage(const DisplayRequest& request) override
    {
        ++forMessage;
        asked = request;
        return offers ? std::make_unique<ReaderDisplay>(seen) : nullptr;
    }

    bool offers = true;
    int forMessage = 0;
    DisplayRequest asked;
    std::vector<SeenBox> seen;
};

class NothingApplication : public Application {
public:
    bool started = false;

protected:
    bool StartUp() override
    {
        started = true;
        return false;
    }
    Size PortraitLayout() const override { return {160, 166}; }
    Size LandscapeLayout() const override { return {213, 118}; }
};

class StartFailureTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("QUORVEX_PREFIX", prefix.Path().c_str(), 1); }

    testing::TempPrefix prefix;
    FailingSource source;
    NothingApplication application;
};

TEST_F(StartFailureTest, ADisplayThatCannotOpenIsSaidInAnOkBoxCaptionedWithTheName)
{
    EXPECT_EQ(application.Run(source), -1);
    EXPECT_FALSE(application.started);
    ASSERT_EQ(source.seen.size(), 1u);
    const SeenBox& box = source.seen.front();
    EXPECT_EQ(box.text, L"the dialog's font is missing");
    EXPECT_EQ(box.caption, ProgramFile::ApplicationName(ProgramFile::Path()));
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(box.type & MB_ICONMASK, static_cast<std::uint32_t>(MB_ICONEXCLAMATION));
    // The display is asked for with the program's name and layouts, both times.
    EXPECT_EQ(source.asked.applicationName, application.Name());
    EXPECT_EQ(source.asked.portrait.cx, 160);
    EXPECT_EQ(source.asked.landscape.cy, 118);
}

TEST_F(StartFailureTest, APrefixThatFailsItsChecksIsSaidInABoxBeforeAnyDisplayIsOpened)
{
    fs::permissions(prefix.Path(), fs::perms::group_write, fs::perm_options::add);
    EXPECT_EQ(application.Run(source), -1);
    fs::permissions(prefix.Path(), fs::perms::group_write, fs::perm_options::remove);
    ASSERT_EQ(source.seen.size(), 1u);
    EXPECT_NE(source.seen.front().text.find(L"may be written by others"), std::wstring::npos);
    EXPECT_FALSE(application.started);
}

TEST_F(StartFailureTest, WithoutADisplayForTheMessageStandardErrorAloneSaysIt)
{
    source.offers = false;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(application.Run(source), -1);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(source.forMessage, 1);
    EXPECT_TRUE(source.seen.empty());
    EXPECT_NE(said.find(": the dialog's font is missing\n"), std::string::npos) << said;
}

}  // namespace
}  // namespace quorvex
