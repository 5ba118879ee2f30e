#pragma once

#include "BusTest.h"
#include "RecordingReceiver.h"
#include "bus/COProcDispatcher.h"
#include "foundation/AnimTime.h"
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// Several processes on one bus: the test process attaches itself and starts
// the bus tool as its peers. Every wait is bounded; a peer that does not end
// in time fails the test and is killed by its ChildProcess.

inline constexpr uint32_t waitLimitMs = 20000;

class BusPeerTest : public BusTest {
protected:
    BusPeerTest() : BusTest("vbproc") {}

    void SetUp() override
    {
        dispatcher = std::make_unique<COProcDispatcher>(name.c_str());
        dispatcher->AddReceiver(receiver.GetID());
    }

    void ReleaseBus() override
    {
        peers.clear();
        dispatcher.reset();
        for (const std::string& file : files) {
            std::remove(file.c_str());
        }
    }

    std::string TempFile(const std::string& stem)
    {
        files.push_back(UniqueBusName("vbus-" + stem + "-") + ".txt");
        std::remove(files.back().c_str());
        return files.back();
    }

    static bool Exists(const std::string& file) { return std::ifstream(file).good(); }

    // Starts a listener and returns once it is attached.
    platform::ChildProcess& StartListener(long count, std::string* output, const char* program = VBUS_PROGRAM)
    {
        *output = TempFile("out");
        const std::string ready = TempFile("ready");
        peers.push_back(std::make_unique<platform::ChildProcess>());
        platform::ChildProcess& peer = *peers.back();
        EXPECT_TRUE(peer.Start(platform::SiblingProgram(program),
                               {"listen", name, "--count", std::to_string(count), "--time", "20000", "--ready", ready},
                               *output));
        const uint32_t start = animTimeGetTime();
        while (!Exists(ready) && animTimeGetTime() - start < waitLimitMs) {
            utilSleep(5);
        }
        EXPECT_TRUE(Exists(ready));
        return peer;
    }

    // Serves this process's side of the bus until the peer ends.
    static int PumpUntilEnded(platform::ChildProcess& peer)
    {
        int exitCode = -1;
        const uint32_t start = animTimeGetTime();
        while (!peer.Wait(0, &exitCode)) {
            if (animTimeGetTime() - start > waitLimitMs) {
                return -1;
            }
            Pump();
            utilSleep(1);
        }
        return exitCode;
    }

    static std::vector<std::string> Lines(const std::string& file)
    {
        std::ifstream input(file, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(input, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
        }
        return lines;
    }

    RecordingReceiver receiver;
    std::unique_ptr<COProcDispatcher> dispatcher;
    std::vector<std::unique_ptr<platform::ChildProcess>> peers;
    std::vector<std::string> files;
};
