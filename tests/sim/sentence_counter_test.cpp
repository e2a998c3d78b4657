#include "sim/sentence_counter.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "sim/nmea_generator.h"

namespace quorvex {
namespace {

void AddText(SentenceCounter& counter, std::string_view text)
{
    counter.Add({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
}

TEST(SentenceCounter, CountsValidSentencesAcrossPiecesOfAnySize)
{
    NmeaGenerator generator(2, 10);
    std::string stream;
    for (int i = 0; i < 70; ++i)
        stream += generator.Next();
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{512}}) {
        SentenceCounter counter;
        for (std::size_t at = 0; at < stream.size(); at += piece)
            AddText(counter, std::string_view(stream).substr(at, piece));
        EXPECT_EQ(counter.Sentences(), 70u) << piece;
        EXPECT_EQ(counter.OtherLines(), 0u) << piece;
        EXPECT_EQ(counter.Bytes(), stream.size()) << piece;
    }
}

TEST(SentenceCounter, EverythingElseIsAnotherLine)
{
    SentenceCounter counter;
    AddText(counter, "$GPTXT,hi*62\n");     // no carriage return: still a sentence
    AddText(counter, "$GPTXT,hi*63\r\n");   // checksum off by one
    AddText(counter, "$GPTXT,hi9*5b\r\n");  // lower-case digits
    AddText(counter, "GPTXT,hi*62\r\n");    // no '$'
    AddText(counter, "$GP$TXT*00\r\n");     // '$' inside
    AddText(counter, "\r\n");
    AddText(counter, "$" + std::string(90, 'A') + "*00\r\n");  // too long, whatever its sum
    AddText(counter, "$GPTXT,hi*62");                          // not ended yet
    EXPECT_EQ(counter.Sentences(), 1u);
    EXPECT_EQ(counter.OtherLines(), 6u);
    AddText(counter, "\r\n");
    EXPECT_EQ(counter.Sentences(), 2u);
}

}  // namespace
}  // namespace quorvex
