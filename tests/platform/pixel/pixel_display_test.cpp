// The pixel display on its own: the font it measures, what it refuses, and the one wait that
// serves the model and Qt.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/pixel/dialog_font.h"
#include "platform/window/window.h"
#include "tests/platform/pixel/pixel_screen.h"
#include "tests/support/temp_prefix.h"

namespace quorvex {
namespace {

TEST(DialogFontTest, TheBaseUnitsAreWhatDejaVuSansGivesAt8PointsAnd96DotsPerInch)
{
    DialogFont font;
    std::string error;
    ASSERT_TRUE(font.Load(DialogFont::kDefaultFolder, error)) << error;
    // Average width of A-Z and a-z 6.79, rounded; ascent 10 plus descent 3.
    EXPECT_EQ(font.BaseUnits(), (Size{7, 13}));
    EXPECT_EQ(font.Regular().family(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(font.Bold().bold());
}

TEST(DialogFontTest, AMissingFontFileIsNamedAndNothingOpens)
{
    DialogFont font;
    std::string error;
    EXPECT_FALSE(font.Load("/nonexistent/fonts", error));
    EXPECT_NE(error.find("/nonexistent/fonts/DejaVuSans.ttf is missing"), std::string::npos)
        << error;

    PixelDisplay::Options options;
    options.fontFolder = "/nonexistent/fonts";
    EXPECT_EQ(PixelDisplay::Open(options, error), nullptr);
    EXPECT_NE(error.find("fonts-dejavu-core"), std::string::npos) << error;
}

TEST(DialogFontTest, AFileThatIsNoFontIsRefused)
{
    testing::TempPrefix folder;
    std::ofstream(folder.Path() / DialogFont::kRegularFile) << "not a font\n";
    std::filesystem::create_directory(folder.Path() / DialogFont::kBoldFile);
    DialogFont font;
    std::string error;
    EXPECT_FALSE(font.Load(folder.Path().string(), error));
    EXPECT_NE(error.find("DejaVuSans.ttf cannot be read as a font"), std::string::npos) << error;
    DialogFont bold;
    EXPECT_FALSE(bold.Load(folder.Path().string(), error)) << "a folder is no font file";
    EXPECT_EQ(error.find("DejaVuSans-Bold.ttf"), std::string::npos) << "the regular face first";
}

// A second start names where the running one shows itself.
TEST(PixelDisplayTest, SaysWhereItShowsItself)
{
    testing::PixelScreen screen({240, 320});
    ASSERT_TRUE(screen.pixelDisplay);
    EXPECT_EQ(screen.pixelDisplay->ShownOn(), L"a window on the offscreen platform");
}

// ---- One UI loop -------------------------------------------------------------------------------

long VoluntarySwitches()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

// Counts its 500 ms ticks and ends the loop after `last` of them.
class Ticking : public Window {
public:
    int ticks = 0;
    int last = 0;
    bool done = false;
    long switchesAtFirst = 0;

protected:
    void OnTimer(std::uintptr_t) override
    {
        if (++ticks == 1)
            switchesAtFirst = VoluntarySwitches();
        done = ticks > last;
    }
};

TEST(PixelLoopTest, WithA500MsTimerAndNothingElseTheProcessWakesTwiceASecond)
{
    testing::PixelScreen screen({240, 320});
    ASSERT_TRUE(screen.pixelDisplay);
    WindowSystem system(*screen.pixelDisplay);  // the real clock: this test counts real sleeps
    Ticking window;
    ASSERT_TRUE(window.Create(L"", L"", WS_POPUP | WS_VISIBLE, {0, 0, 240, 320}, nullptr, 0));
    window.last = 4;
    window.SetTimer(1, 500);
    system.RunUntil(window.done);
    // Four periods of 500 ms after the first tick: four wake-ups for the ticks, and a few to
    // spare for Qt's own start-up work. A loop that polled every 10 ms would wake 200 times,
    // a busy one without end.
    const long wakeUps = VoluntarySwitches() - window.switchesAtFirst;
    EXPECT_GE(wakeUps, 4);
    EXPECT_LE(wakeUps, 8);
}

}  // namespace
}  // namespace quorvex
