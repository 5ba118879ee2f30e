#pragma once

#include <string>

// Points the process's standard output at a file of its own while it lives,
// so a test can read what code under test wrote to the standard output
// handle. Text returns everything written so far.
class StdoutCapture {
public:
    StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    ~StdoutCapture();

    std::string Text() const;

private:
    std::string path;
    struct Saved;
    Saved* saved;
};
