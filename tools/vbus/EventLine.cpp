#include "EventLine.h"

#include <cstdio>

namespace {

bool IsText(const unsigned char* bytes, int size)
{
    if (size > 0 && bytes[size - 1] == 0) {
        --size;
    }
    for (int i = 0; i < size; ++i) {
        if (bytes[i] < 0x20 || bytes[i] > 0x7e) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string FormatEventLine(const COEvent& event)
{
    char head[96];
    std::snprintf(head, sizeof head, "sender=%ld code=0x%x size=%d ", static_cast<long>(event.senderID),
                  event.eventCode, event.dataSize);
    std::string line = head;
    if (event.dataSize <= 0 || event.data == nullptr) {
        return line + "value=" + std::to_string(event.Value());
    }
    const auto* bytes = static_cast<const unsigned char*>(event.data);
    if (IsText(bytes, event.dataSize)) {
        line += "text=\"";
        for (int i = 0; i < event.dataSize && bytes[i] != 0; ++i) {
            if (bytes[i] == '"' || bytes[i] == '\\') {
                line += '\\';
            }
            line += static_cast<char>(bytes[i]);
        }
        return line + "\"";
    }
    line += "hex=";
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < event.dataSize; ++i) {
        line += digits[bytes[i] >> 4];
        line += digits[bytes[i] & 15];
    }
    return line;
}
