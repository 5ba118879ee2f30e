#pragma once

#include "platform/Export.h"

#include <cstdio>
#include <string>

// Diagnostic text output. A context made with a C stream writes every piece
// to that stream at once; a context made without one collects the text, which
// Text returns. Numbers are written in plain decimal, pointers in hexadecimal
// after a dollar sign, and a null text as "(null)".
class VELMORA_API CDumpContext {
public:
    CDumpContext() = default;
    explicit CDumpContext(std::FILE* stream) : stream_(stream) {}
    CDumpContext(const CDumpContext&) = delete;
    CDumpContext& operator=(const CDumpContext&) = delete;

    CDumpContext& operator<<(const char* text);
    CDumpContext& operator<<(int value);
    CDumpContext& operator<<(unsigned int value);
    CDumpContext& operator<<(long value);
    CDumpContext& operator<<(unsigned long value);
    CDumpContext& operator<<(long long value);
    CDumpContext& operator<<(unsigned long long value);
    CDumpContext& operator<<(double value);
    CDumpContext& operator<<(const void* pointer);

    void Flush();

    // The text collected so far; empty for a context that writes to a stream.
    const std::string& Text() const { return collected_; }

private:
    void Write(const char* text, std::size_t length);

    std::FILE* stream_ = nullptr;
    std::string collected_;
};
