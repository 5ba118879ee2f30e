#include "discclient/ProtocolParser.h"

#include <gtest/gtest.h>

#include <vector>

using discclient::ProtocolParser;
using discclient::ServerEvent;
using Kind = ServerEvent::Kind;

namespace {

struct Transcript {
    const char* name;
    std::string bytes;
    std::vector<ServerEvent> events;
};

// Transcripts as Tessaly writes them, engine threads cutting into replies.
const std::vector<Transcript>& Transcripts()
{
    static const std::vector<Transcript> transcripts = {
        {"start and queries",
         "Command:=2\nCommand:=YOYODYNE WARP DRIVE\nCommand:Ok\nCommand:Failed\nCommand:",
         {{Kind::Prompt},
          {Kind::Value, 0, "2"},
          {Kind::Prompt},
          {Kind::Value, 0, "YOYODYNE WARP DRIVE"},
          {Kind::Prompt},
          {Kind::Ok},
          {Kind::Prompt},
          {Kind::Failed},
          {Kind::Prompt}}},
        {"no recorder at start",
         "Error: 1,No DVD+R or DVD+RW recorder found\nNo DVD+R or DVD+RW Recorders found!\nCommand:=0\nCommand:",
         {{Kind::EngineError, 1, "No DVD+R or DVD+RW recorder found"},
          {Kind::NoRecorderNotice},
          {Kind::Prompt},
          {Kind::Value, 0, "0"},
          {Kind::Prompt}}},
        {"progress inside prompts and replies",
         "Command:\rProgress: 0,Command:\rProgress: 40,=WRITE_DATA\nCommand:=\rProgress: 99,WRITE_DATA\n"
         "Command:\rProgress: 100,=IDLE\nCommand:",
         {{Kind::Prompt},
          {Kind::Progress, 0},
          {Kind::Prompt},
          {Kind::Progress, 40},
          {Kind::Value, 0, "WRITE_DATA"},
          {Kind::Prompt},
          {Kind::Progress, 99},
          {Kind::Value, 0, "WRITE_DATA"},
          {Kind::Prompt},
          {Kind::Progress, 100},
          {Kind::Value, 0, "IDLE"},
          {Kind::Prompt}}},
        {"error line between a reply's parts",
         "Command:=Error: 6,Writing to stdio:/tmp/x.iso failed\nIDLE\nCommand:",
         {{Kind::Prompt},
          {Kind::EngineError, 6, "Writing to stdio:/tmp/x.iso failed"},
          {Kind::Value, 0, "IDLE"},
          {Kind::Prompt}}},
        {"prompt before an error's line end, progress inside the error",
         "Error: 131330,Write\rProgress: 7, stopped by user\rProgress: 8,Command:\n=IDLE\nCommand:",
         {{Kind::Progress, 7},
          {Kind::Progress, 8},
          {Kind::EngineError, 131330, "Write stopped by user"},
          {Kind::Prompt},
          {Kind::Value, 0, "IDLE"},
          {Kind::Prompt}}},
        {"odd lines, lone CR, empty model, closing",
         "Command:=\nCommand:\rsomething\nCommand:=-1\nCommand:Tessaly DVDs available: 3\n",
         {{Kind::Prompt},
          {Kind::Value, 0, ""},
          {Kind::Prompt},
          {Kind::Other, 0, "something"},
          {Kind::Prompt},
          {Kind::Value, 0, "-1"},
          {Kind::Prompt},
          {Kind::Closing, 3}}},
    };
    return transcripts;
}

std::vector<ServerEvent> Parse(const std::vector<std::string>& reads)
{
    ProtocolParser parser;
    std::vector<ServerEvent> events;
    for (const std::string& read : reads) {
        parser.Feed(read);
        while (auto event = parser.Next()) {
            events.push_back(*event);
        }
    }
    parser.Finish();
    while (auto event = parser.Next()) {
        events.push_back(*event);
    }
    return events;
}

std::string Describe(const std::vector<ServerEvent>& events)
{
    std::string text;
    for (const ServerEvent& event : events) {
        text +=
            std::to_string(static_cast<int>(event.kind)) + "/" + std::to_string(event.number) + "/" + event.text + " ";
    }
    return text;
}

} // namespace

// However the reads cut the output (whole, in two at every place, byte by
// byte), the same events come out in the same order.
TEST(ProtocolParserTest, TranscriptsGiveTheirEventsHoweverReadsSplitThem)
{
    for (const Transcript& transcript : Transcripts()) {
        SCOPED_TRACE(transcript.name);
        EXPECT_EQ(Describe(Parse({transcript.bytes})), Describe(transcript.events));
        for (size_t cut = 1; cut < transcript.bytes.size(); ++cut) {
            ASSERT_EQ(Describe(Parse({transcript.bytes.substr(0, cut), transcript.bytes.substr(cut)})),
                      Describe(transcript.events))
                << "cut at " << cut;
        }
        std::vector<std::string> bytes;
        for (char c : transcript.bytes) {
            bytes.emplace_back(1, c);
        }
        EXPECT_EQ(Describe(Parse(bytes)), Describe(transcript.events));
    }
}

TEST(ProtocolParserTest, UnfinishedPiecesWaitAndTheEndFlushesThem)
{
    ProtocolParser parser;
    parser.Feed("Comm");
    EXPECT_FALSE(parser.Next());
    parser.Feed("and:\rProgress: 1");
    EXPECT_EQ(parser.Next(), (ServerEvent{Kind::Prompt}));
    EXPECT_FALSE(parser.Next()); // more digits may follow
    parser.Feed("2,=WRI");
    EXPECT_EQ(parser.Next(), (ServerEvent{Kind::Progress, 12}));
    EXPECT_FALSE(parser.Next());
    parser.Finish();
    EXPECT_EQ(parser.Next(), (ServerEvent{Kind::Other, 0, "=WRI"}));
}
