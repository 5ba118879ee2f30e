#include "foundation/OvString.h"

#include "afx/AfxMemory.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <string_view>

// Modification. Each operation makes the buffer the string's own before it
// writes, unless it returns early without writing.

namespace {

bool IsSpace(char ch)
{
    return std::isspace(static_cast<unsigned char>(ch)) != 0;
}

// Finds occurrences of a needle left to right in text of a given length,
// searching each zero-terminated segment in turn so that text after an
// embedded zero byte is found too. Positions asked for never go back, so the
// end of the current segment is measured only once.
class SegmentSearch {
public:
    SegmentSearch(const char* text, int length, const char* needle)
        : text(text), length(length), needle(needle), segmentEnd(-1)
    {
    }

    // The next occurrence at or after `from`, or -1.
    int Next(int from)
    {
        while (from < length) {
            if (segmentEnd < from) {
                segmentEnd = from + static_cast<int>(std::strlen(text + from));
            }
            const std::string_view segment(text + from, static_cast<std::size_t>(segmentEnd - from));
            const std::size_t hit = segment.find(needle);
            if (hit != std::string_view::npos) {
                return from + static_cast<int>(hit);
            }
            from = segmentEnd + 1;
        }
        return -1;
    }

private:
    const char* text;
    int length;
    std::string_view needle;
    int segmentEnd;
};

// Copies `source` (with its terminator) to `dest` with every occurrence found
// in `hay` (the source itself or an upper-cased copy, same offsets) replaced.
// `dest` may overlap `source` as long as it never runs ahead of the unread
// source, which holds when it starts at or before it and the text shrinks, or
// starts far enough before it for the growth.
void CopyReplacing(char* dest, const char* source, const char* hay, int length, const char* needle, int needleLength,
                   const char* replacement, int replacementLength)
{
    SegmentSearch search(hay, length, needle);
    int from = 0;
    for (int at = search.Next(0); at >= 0; at = search.Next(from)) {
        std::memmove(dest, source + from, static_cast<std::size_t>(at - from));
        dest += at - from;
        std::memmove(dest, replacement, static_cast<std::size_t>(replacementLength));
        dest += replacementLength;
        from = at + needleLength;
    }
    std::memmove(dest, source + from, static_cast<std::size_t>(length - from) + 1);
}

} // namespace

void OvString::MakeUpper()
{
    CopyBeforeWrite();
    std::transform(chars, chars + GetLength(), chars,
                   [](char ch) { return static_cast<char>(std::toupper(static_cast<unsigned char>(ch))); });
}

void OvString::MakeLower()
{
    CopyBeforeWrite();
    std::transform(chars, chars + GetLength(), chars,
                   [](char ch) { return static_cast<char>(std::tolower(static_cast<unsigned char>(ch))); });
}

void OvString::MakeReverse()
{
    CopyBeforeWrite();
    std::reverse(chars, chars + GetLength());
}

void OvString::CharToOemA()
{
    CopyBeforeWrite();
    platform::ConvertAnsiToOem(chars);
}

void OvString::OemToCharA()
{
    CopyBeforeWrite();
    platform::ConvertOemToAnsi(chars);
}

void OvString::TrimLeft()
{
    CopyBeforeWrite();
    int skip = 0;
    while (skip < GetLength() && IsSpace(chars[skip])) {
        ++skip;
    }
    Delete(0, skip);
}

void OvString::TrimRight()
{
    CopyBeforeWrite();
    int end = GetLength();
    while (end > 0 && IsSpace(chars[end - 1])) {
        --end;
    }
    Delete(end, GetLength() - end);
}

void OvString::TrimLeft(char ch)
{
    CopyBeforeWrite();
    int skip = 0;
    while (skip < GetLength() && chars[skip] == ch) {
        ++skip;
    }
    Delete(0, skip);
}

void OvString::TrimRight(char ch)
{
    CopyBeforeWrite();
    int end = GetLength();
    while (end > 0 && chars[end - 1] == ch) {
        --end;
    }
    Delete(end, GetLength() - end);
}

void OvString::TrimLeft(const char* set)
{
    if (SafeStrlen(set) == 0) {
        return;
    }
    CopyBeforeWrite();
    int skip = 0;
    while (skip < GetLength() && chars[skip] != '\0' && std::strchr(set, chars[skip]) != nullptr) {
        ++skip;
    }
    Delete(0, skip);
}

void OvString::TrimRight(const char* set)
{
    CopyBeforeWrite();
    if (SafeStrlen(set) == 0) {
        return;
    }
    int end = GetLength();
    while (end > 0 && chars[end - 1] != '\0' && std::strchr(set, chars[end - 1]) != nullptr) {
        --end;
    }
    Delete(end, GetLength() - end);
}

int OvString::Delete(int index, int count)
{
    index = index < 0 ? 0 : index;
    const int length = GetLength();
    if (count > 0 && index < length) {
        CopyBeforeWrite();
        // A count past the end removes the rest of the string.
        count = std::min(count, length - index);
        std::memmove(chars + index, chars + index + count, static_cast<std::size_t>(length - index - count) + 1);
        GetData()->dataLength = length - count;
    }
    return length;
}

int OvString::Insert(int index, char ch)
{
    CopyBeforeWrite();
    const int length = GetLength();
    index = std::clamp(index, 0, length);
    GetBuffer(length + 1);
    std::memmove(chars + index + 1, chars + index, static_cast<std::size_t>(length - index) + 1);
    chars[index] = ch;
    GetData()->dataLength = length + 1;
    return length + 1;
}

int OvString::Insert(int index, const char* text)
{
    index = index < 0 ? 0 : index;
    const int insertLength = SafeStrlen(text);
    const int length = GetLength();
    if (insertLength == 0) {
        return length;
    }
    if (int64_t{length} + insertLength > INT_MAX - 64) {
        AfxThrowMemoryException();
    }
    // The text may be part of this string, whose buffer may move below.
    const OvString saved(text, insertLength);
    CopyBeforeWrite();
    index = std::min(index, length);
    GetBuffer(length + insertLength);
    std::memmove(chars + index + insertLength, chars + index, static_cast<std::size_t>(length - index) + 1);
    std::memcpy(chars + index, saved.chars, static_cast<std::size_t>(insertLength));
    GetData()->dataLength = length + insertLength;
    return length + insertLength;
}

int OvString::Replace(char oldChar, char newChar)
{
    if (oldChar == newChar) {
        return 0;
    }
    CopyBeforeWrite();
    int replaced = 0;
    for (int i = 0; i < GetLength(); ++i) {
        if (chars[i] == oldChar) {
            chars[i] = newChar;
            ++replaced;
        }
    }
    return replaced;
}

int OvString::Replace(const char* oldText, const char* newText)
{
    return ReplaceOccurrences(oldText, newText, false);
}

int OvString::ReplaceNoCase(const char* oldText, const char* newText)
{
    return ReplaceOccurrences(oldText, newText, true);
}

int OvString::ReplaceOccurrences(const char* oldText, const char* newText, bool ignoreCase)
{
    const int oldLength = SafeStrlen(oldText);
    if (oldLength == 0) {
        return 0;
    }
    const int newLength = SafeStrlen(newText);
    // The replacement may be part of this string, whose buffer may move.
    const OvString replacement(newText, newLength);
    OvString upperText;
    OvString needle(oldText);
    if (ignoreCase) {
        upperText = *this;
        upperText.MakeUpper();
        needle.MakeUpper();
    }
    const int length = GetLength();
    SegmentSearch counter(ignoreCase ? upperText.chars : chars, length, needle);
    int count = 0;
    for (int at = counter.Next(0); at >= 0; at = counter.Next(at + oldLength)) {
        ++count;
    }
    if (count == 0) {
        return 0;
    }
    const int64_t resultLength = length + int64_t{newLength - oldLength} * count;
    if (resultLength > INT_MAX - 64) {
        AfxThrowMemoryException();
    }
    CopyBeforeWrite();
    OvStringData* data = GetData();
    if (newLength <= oldLength) {
        CopyReplacing(chars, chars, ignoreCase ? upperText.chars : chars, length, needle, oldLength, replacement.chars,
                      newLength);
    } else if (data->allocLength >= resultLength) {
        // Room enough: move the text to the end of the buffer and build the
        // result from the front; the growth never catches up with the source.
        char* source = chars + (data->allocLength - length);
        std::memmove(source, chars, static_cast<std::size_t>(length) + 1);
        CopyReplacing(chars, source, ignoreCase ? upperText.chars : source, length, needle, oldLength,
                      replacement.chars, newLength);
    } else {
        OvStringData* grown = afx::AllocateStringData(resultLength);
        CopyReplacing(grown->data(), chars, ignoreCase ? upperText.chars : chars, length, needle, oldLength,
                      replacement.chars, newLength);
        Release(data);
        AssignBuffer(grown);
    }
    GetData()->dataLength = static_cast<int>(resultLength);
    return count;
}

int OvString::Remove(char ch)
{
    const int length = GetLength();
    if (length == 0) {
        return 0;
    }
    CopyBeforeWrite();
    char* end = std::remove(chars, chars + length, ch);
    const int removed = static_cast<int>(chars + length - end);
    *end = '\0';
    GetData()->dataLength = length - removed;
    return removed;
}
