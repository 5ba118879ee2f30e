#include "tests/discserver/StdoutCapture.h"

#include "tests/discserver/TessalySession.h"

#include <fcntl.h>
#include <unistd.h>

struct StdoutCapture::Saved {
    int original = -1;
};

StdoutCapture::StdoutCapture() : path(TessalySession::ScratchPath("stdout")), saved(new Saved)
{
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    saved->original = dup(STDOUT_FILENO);
    dup2(file, STDOUT_FILENO);
    close(file);
}

StdoutCapture::~StdoutCapture()
{
    dup2(saved->original, STDOUT_FILENO);
    close(saved->original);
    unlink(path.c_str());
    delete saved;
}

std::string StdoutCapture::Text() const
{
    return TessalySession::ReadFile(path);
}
