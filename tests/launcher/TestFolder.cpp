#include "TestFolder.h"

#include "platform/ProcessList.h"

#include <chrono>

unsigned long TestFolder::ProcessNumber()
{
    // Unique enough across runs that share the temporary folder at once.
    static const unsigned long number =
        static_cast<unsigned long>(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000000);
    return number;
}
