#include "tests/discserver/StdoutCapture.h"

#include "tests/discserver/TessalySession.h"

#include <windows.h>

struct StdoutCapture::Saved {
    HANDLE original = nullptr;
    HANDLE file = nullptr;
};

StdoutCapture::StdoutCapture() : path(TessalySession::ScratchPath("stdout")), saved(new Saved)
{
    saved->file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    saved->original = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, saved->file);
}

StdoutCapture::~StdoutCapture()
{
    SetStdHandle(STD_OUTPUT_HANDLE, saved->original);
    CloseHandle(saved->file);
    DeleteFileA(path.c_str());
    delete saved;
}

std::string StdoutCapture::Text() const
{
    return TessalySession::ReadFile(path);
}
