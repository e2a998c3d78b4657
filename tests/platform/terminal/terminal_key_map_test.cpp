#include "platform/terminal/terminal_key_map.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace quorvex {
namespace {

using Kind = TerminalKeyMap::Action::Kind;
using Clock = std::chrono::steady_clock;

// What the map makes of `bytes`, read one after another at `at`: the presses as key
// names, "close" for a close request; dropped pieces leave nothing.
class KeyMapTest : public ::testing::Test {
protected:
    std::vector<std::string> Read(const std::string& bytes)
    {
        std::vector<std::string> seen;
        for (unsigned char byte : bytes) {
            const TerminalKeyMap::Action action = keys.Take(byte, false, at);
            if (action.kind == Kind::Close)
                seen.push_back("close");
            else if (action.kind == Kind::Press)
                seen.push_back(Name(action.key));
            else if (action.kind != Kind::None)
                seen.push_back("other");
        }
        return seen;
    }

    static std::string Name(Key key)
    {
        switch (key) {
            case Key::Tab:
                return "Tab";
            case Key::Enter:
                return "Enter";
            case Key::Space:
                return "Space";
            case Key::Escape:
                return "Esc";
            case Key::CaptionOk:
                return "OK";
            default:
                return "key";
        }
    }

    using Seen = std::vector<std::string>;
    TerminalKeyMap keys;
    Clock::time_point at = Clock::now();
};

TEST_F(KeyMapTest, PlainKeysAndTheControlKeysThatLeave)
{
    EXPECT_EQ(Read("\t\r\n \x0f\x03"), (Seen{"Tab", "Enter", "Enter", "Space", "OK", "close"}));
    EXPECT_EQ(Read("a[Z~"), Seen{}) << "characters without a meaning are nothing";
}

TEST_F(KeyMapTest, TheRestOfASequenceWhoseEscCameAloneIsDropped)
{
    // A mouse report: its button byte would be a Space, its column and row printable.
    EXPECT_EQ(Read("\x1b"), Seen{"Esc"});
    EXPECT_EQ(Read("[M !!"), Seen{});
    EXPECT_EQ(Read(" "), Seen{"Space"}) << "the report is over";
    // An arrow with modifiers, an SS3 arrow, a mouse report of the SGR kind.
    EXPECT_EQ(Read("\x1b[1;5A \x1bOA \x1b[<0;12;5M "),
              (Seen{"Esc", "Space", "Esc", "Space", "Esc", "Space"}));
    // A control key ends the piece at once and counts.
    EXPECT_EQ(Read("\x1b[1\x03"), (Seen{"Esc", "close"}));
    EXPECT_EQ(Read("\x1b[\t"), (Seen{"Esc", "Tab"}));
}

TEST_F(KeyMapTest, ACharacterLongAfterALoneEscIsTypedNotAPiece)
{
    EXPECT_EQ(Read("\x1b"), Seen{"Esc"});
    at += TerminalKeyMap::kPieceWindow + std::chrono::milliseconds(1);
    EXPECT_EQ(Read("O "), Seen{"Space"});
}

}  // namespace
}  // namespace quorvex
