#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The standard console handles and unbuffered byte I/O on them: each write is
// one system write of the whole piece (retried only for what a pipe did not
// take), each read takes exactly one byte. Safe to call from any thread; no
// lock is shared between writers, so pieces from different threads never
// split but may interleave.
using ConsoleHandle = intptr_t;

ConsoleHandle StandardInputHandle();
ConsoleHandle StandardOutputHandle();

// Makes a closed reader of the output a failed write instead of the end of the
// process, as it is on Windows.
void KeepRunningWhenOutputCloses();

// Writes count bytes; false when the output is gone.
bool ConsoleWrite(ConsoleHandle handle, const void* bytes, size_t count);

// Reads one byte; false at the end of the input or when the read fails.
bool ConsoleReadByte(ConsoleHandle handle, char& byte);

// True when standard output is a terminal (a console window), where text may
// be redrawn in place; false for files and pipes.
bool StandardOutputIsTerminal();

} // namespace platform
