#include "DemoTrace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void DemoTrace(const char* who, const char* format, ...)
{
    char line[2048];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    const char* path = std::getenv("QUILLMARK_DEMO_TRACE");
    FILE* out = path != nullptr && *path != '\0' ? std::fopen(path, "ab") : nullptr;
    // One write per line, so lines of several programs do not interleave.
    std::fprintf(out != nullptr ? out : stdout, "[%s] %s\n", who, line);
    if (out != nullptr)
        std::fclose(out);
    else
        std::fflush(stdout);
}
