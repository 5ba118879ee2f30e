#pragma once

// One line of the demo's trace, printf-style, prefixed with who writes it:
// appended to the file named by QUILLMARK_DEMO_TRACE when that is set (the
// programs of the demo have no console on Windows), else to standard output.
void DemoTrace(const char* who, const char* format, ...);
