#include "bus/MappedSegment.h"

MappedSegment::MappedSegment(const char* name, int32_t number, uint32_t size) : number(number)
{
    segment.Open(name, size);
}
