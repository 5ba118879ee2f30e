// A program the launcher tests start: it reports where and how it was
// started, or waits to be told to end, so that it can stand in for a
// product program in the process list.
//
//   ProbeProgram REPORT_FILE [ARG...]   writes the current folder and each
//                                       argument, one per line, to REPORT_FILE
//   ProbeProgram --wait STOP_FILE       runs until STOP_FILE exists (60 s at most)
#include "platform/Clock.h"
#include "platform/CurrentFolder.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--wait") == 0) {
        for (int waited = 0; waited < 60000; waited += 20) {
            if (FILE* stop = std::fopen(argv[2], "rb")) {
                std::fclose(stop);
                return 0;
            }
            platform::SleepMilliseconds(20);
        }
        return 1;
    }
    if (argc < 2)
        return 2;
    const std::string temporary = std::string(argv[1]) + ".part";
    FILE* report = std::fopen(temporary.c_str(), "wb");
    if (report == nullptr)
        return 3;
    std::fprintf(report, "%s\n", platform::CurrentFolder().c_str());
    for (int i = 2; i < argc; ++i)
        std::fprintf(report, "%s\n", argv[i]);
    std::fclose(report);
    // Renamed when complete, so a reader never sees half a report.
    std::rename(temporary.c_str(), argv[1]);
    return 0;
}
