#include "tests/discserver/TessalySession.h"

#include <gtest/gtest.h>

// Tessaly's console protocol through the real program and the virtual
// engine, byte for byte: each case gives the engine's configuration, the
// bytes sent and every byte expected back.

namespace {

struct ProtocolCase {
    const char* name;
    std::string config;
    std::string input;
    std::string output;
};

const std::string twoRecorders = "recorder {disc0} Virtual DVD+RW One\n"
                                 "recorder {disc1}\n";
const std::string prompt = "Command:";
const std::string banner2 = "Tessaly DVDs available: 2\n";

std::string WithDiscs(std::string config)
{
    for (const char* slot : {"{disc0}", "{disc1}", "{disc2}"}) {
        for (size_t at = config.find(slot); at != std::string::npos; at = config.find(slot)) {
            config.replace(at, 7, TessalySession::ScratchPath("disc"));
        }
    }
    return config;
}

std::string Prompts(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += prompt;
    }
    return text;
}

std::string Bytes(const char* text, size_t length)
{
    return std::string(text, length);
}

const ProtocolCase cases[] = {
    {"CountAndModelOfTheSelectedRecorder", twoRecorders, "Drives:\nModel\nUseDrive:1\nModel\nClose\n",
     "Command:=2\nCommand:=Virtual DVD+RW One\nCommand:Ok\nCommand:=\nCommand:" + banner2},
    {"OnlyTheSixBytesOfDrivesAreCompared", twoRecorders, "Drives\nDrives:junk\nDrivesX\nDrive\n",
     "Command:=2\nCommand:=2\nCommand:=2\nCommand:Command:" + banner2},
    {"CarriageReturnsAnywhereAreDropped", twoRecorders, "\rDri\rves:\r\r\nC\rlose\r\n",
     "Command:=2\nCommand:" + banner2},
    {"UnknownLinesGetNoReply", twoRecorders, "close\nClose \n\n Eject\nEjectX\nTrayClose2\nModels\n\xff\xfe\n",
     Prompts(9) + banner2},
    {"LinesEndAtTheirFirstZeroByte", twoRecorders, Bytes("Drives\0x\nMo\0del\nClose\0ignored\n", 28),
     "Command:=2\nCommand:Command:" + banner2},
    {"UseDriveNumbersAreReadLikeAtoi", "recorder {disc0} A\nrecorder {disc1} B\nrecorder {disc2} C\n",
     "UseDrive: \t2\nModel\nUseDrive:\nModel\nUseDrive:+1x5\nModel\nUseDrive:letters\nModel\nClose\n",
     "Command:Ok\nCommand:=C\nCommand:Ok\nCommand:=A\nCommand:Ok\nCommand:=B\nCommand:Ok\nCommand:=A\nCommand:"
     "Tessaly DVDs available: 3\n"},
    {"NegativeRecorderNumberReachesTheEngineAndItsFailureAbandons", twoRecorders, "UseDrive:-1\nDrives:\nClose\n",
     "Command:"},
    {"EjectAndTrayCloseReplyOk", twoRecorders, "Eject\nTrayClose\nClose\n",
     "Command:Ok\nCommand:Ok\nCommand:" + banner2},
    {"FailingEjectAbandonsTheRunSilently", twoRecorders + "status EjectTray E_FAIL\n", "Eject\nDrives:\nClose\n",
     "Command:"},
    {"FailingTrayCloseAbandonsTheRunSilently", twoRecorders + "status CloseTray 0x80070005\n", "TrayClose\n",
     "Command:"},
    {"FailingModelQueryAbandons", twoRecorders + "status GetRecorderModel E_OUTOFMEMORY\n", "Model\nClose\n",
     "Command:"},
    {"SelectingAMissingRecorderAbandons", twoRecorders, "UseDrive:5\n", "Command:"},
    {"AddWithEmptyOrMissingPathFailsAndServingGoesOn", twoRecorders, "Add:\nAdd:/no/such/file\nDrives:\nClose\n",
     "Command:Failed\nCommand:Failed\nCommand:=2\nCommand:" + banner2},
    {"AddAnsweringFalseIsAFailure", twoRecorders + "status AddItem S_FALSE\n", "Add:x\nClose\n",
     "Command:Failed\nCommand:" + banner2},
    {"FormatOfAClosedTraySucceeds", twoRecorders, "Format\nClose\n", "Command:Ok\nCommand:" + banner2},
    {"FormatAnsweringFalseIsAFailure", twoRecorders + "status FormatDisc S_FALSE\n", "Format\nFormat\nClose\n",
     "Command:Failed\nCommand:Failed\nCommand:" + banner2},
    {"FormatFailureIsOneFailedAndServingGoesOn", twoRecorders + "status FormatDisc E_FAIL\n",
     "Format\nDrives:\nClose\n", "Command:Failed\nCommand:=2\nCommand:" + banner2},
    {"FormatWithTheTrayOpenIsRefusedWithAnErrorEvent", twoRecorders, "Eject\nFormat\nClose\n",
     "Command:Ok\nCommand:Error: 4,the tray is open\nFailed\nCommand:" + banner2},
    {"DriveOperationNamesTheCode", twoRecorders + "operation 2\n", "DriveOperation\nClose\n",
     "Command:=WRITE_DATA\nCommand:" + banner2},
    {"DriveOperationIdle", twoRecorders, "DriveOperation\nClose\n", "Command:=IDLE\nCommand:" + banner2},
    {"DriveOperationOutsideTheTableWritesNothing", twoRecorders + "operation 7\n", "DriveOperation\nClose\n",
     "Command:Command:" + banner2},
    {"DriveOperationWhoseQueryFailsWritesNothing", twoRecorders + "status GetCurrentOperation E_FAIL\n",
     "DriveOperation\nDrives:\nClose\n", "Command:Command:=2\nCommand:" + banner2},
    {"StartAndStopWriteHaveNoReply", twoRecorders, "StopWrite\nStartWrite\nClose\n",
     "Command:Command:Error: 3,nothing to write: add items first\nCommand:" + banner2},
    {"FailingStartWriteAbandons", twoRecorders + "status BeginWriting E_FAIL\n", "StartWrite\nClose\n", "Command:"},
    {"FailingWriteOptionAbandonsBeforeTheWrite", twoRecorders + "status SetWriteOption E_INVALIDARG\n",
     "StartWrite\nClose\n", "Command:"},
    {"FailingStopWriteAbandons", twoRecorders + "status StopWriting E_FAIL\n", "StopWrite\nClose\n", "Command:"},
    {"ErrorEventDuringInitializeIsFollowedByTheNotice", "", "Drives:\nModel\nEject\nClose\n",
     "Error: 1,no DVD+R or DVD+RW recorder found\nNo DVD+R or DVD+RW Recorders found!\nCommand:=0\nCommand:"},
    {"NoticeDoesNotStopServing",
     "count 0\nrecorder {disc0} M\n"
     "bogus line\n",
     "Model\nClose\n",
     "Error: 2,configuration line 3 not understood: bogus line\nNo DVD+R or DVD+RW Recorders found!\n"
     "Command:=M\nCommand:Tessaly DVDs available: 0\n"},
    {"BannerShowsTheCountTakenAtStartUp", twoRecorders + "count 2 5\n", "Drives:\nClose\n",
     "Command:=5\nCommand:" + banner2},
    {"CountIsSignExtended", twoRecorders + "count -3\n", "Drives:\nClose\n",
     "Command:=-3\nCommand:Tessaly DVDs available: -3\n"},
    {"FailingInitializeEndsBeforeAnyPrompt", twoRecorders + "status Initialize E_FAIL\n", "Drives:\nClose\n", ""},
    {"FailingCountAtStartUpEndsBeforeAnyPrompt", twoRecorders + "status GetRecorderCount E_FAIL\n", "Close\n", ""},
    {"MissingEngineEndsBeforeAnyPrompt", twoRecorders + "status Create E_FAIL\n", "Drives:\nClose\n", ""},
    {"FailingShutdownLeavesOutTheBanner", twoRecorders + "status Shutdown E_FAIL\n", "Drives:\nClose\n",
     "Command:=2\nCommand:"},
    {"EndOfInputClosesTheRun", twoRecorders, "Drives:\n", "Command:=2\nCommand:" + banner2},
    {"UnfinishedLastLineIsNotActedOn", twoRecorders + "status EjectTray E_FAIL\n", "Drives:\nEject",
     "Command:=2\nCommand:" + banner2},
    {"LinesAfterCloseAreNotRead", twoRecorders, "Close\nDrives:\n", "Command:" + banner2},
};

class TessalyProtocol : public ::testing::TestWithParam<ProtocolCase> {};

} // namespace

TEST_P(TessalyProtocol, AnswersByteForByte)
{
    const ProtocolCase& testCase = GetParam();
    TessalySession sut(WithDiscs(testCase.config));
    ASSERT_TRUE(sut.Start());
    int exitCode = -1;
    const std::string output = sut.Converse(testCase.input, exitCode);
    EXPECT_EQ(output, testCase.output);
    EXPECT_EQ(exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, TessalyProtocol, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<ProtocolCase>& info) { return info.param.name; });
