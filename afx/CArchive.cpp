#include "afx/CArchive.h"

#include "afx/AfxMemory.h"
#include "afx/CArchiveException.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::size_t initialMemoryBlock = 1024;
}

CArchive::CArchive(std::FILE* file, Mode mode, int bufferSize)
    : mode(mode), file(file), ownsBuffer(true), buffer(nullptr),
      bufferSize(bufferSize > 0 ? static_cast<std::size_t>(bufferSize) : defaultBufferSize), current(0), end(0)
{
    buffer = static_cast<unsigned char*>(AfxAllocateMemory(this->bufferSize));
}

CArchive::CArchive(const void* block, std::size_t size)
    : mode(load), file(nullptr), ownsBuffer(false), buffer(static_cast<unsigned char*>(const_cast<void*>(block))),
      bufferSize(size), current(0), end(size)
{
}

CArchive::CArchive()
    : mode(store), file(nullptr), ownsBuffer(true), buffer(nullptr), bufferSize(initialMemoryBlock), current(0), end(0)
{
    buffer = static_cast<unsigned char*>(AfxAllocateMemory(bufferSize));
}

CArchive::~CArchive()
{
    if (file != nullptr && mode == store && end > 0) {
        // A destructor must not throw; a caller who needs to know that the
        // data reached the file calls Close first.
        std::fwrite(buffer, 1, end, file);
    }
    if (ownsBuffer) {
        AfxFreeMemory(buffer);
    }
}

bool CArchive::IsLoading() const
{
    return mode == load;
}

bool CArchive::IsStoring() const
{
    return mode == store;
}

void CArchive::Write(const void* data, unsigned count)
{
    if (mode != store) {
        throw CArchiveException(CArchiveException::readOnly);
    }
    StoreBytes(data, count);
}

unsigned CArchive::Read(void* data, unsigned count)
{
    if (mode != load) {
        throw CArchiveException(CArchiveException::writeOnly);
    }
    auto* out = static_cast<unsigned char*>(data);
    unsigned delivered = 0;
    while (delivered < count) {
        if (current == end && !FillBuffer()) {
            break;
        }
        const std::size_t piece = std::min<std::size_t>(end - current, count - delivered);
        std::memcpy(out + delivered, buffer + current, piece);
        current += piece;
        delivered += static_cast<unsigned>(piece);
    }
    return delivered;
}

void CArchive::Flush()
{
    if (mode == store && file != nullptr) {
        WriteBuffer();
        if (std::fflush(file) != 0) {
            throw CArchiveException(CArchiveException::genericException);
        }
    }
}

void CArchive::Close()
{
    Flush();
    file = nullptr;
}

const unsigned char* CArchive::GetStoredData() const
{
    return file == nullptr && mode == store ? buffer : nullptr;
}

std::size_t CArchive::GetStoredSize() const
{
    return file == nullptr && mode == store ? end : 0;
}

bool CArchive::FillBuffer()
{
    if (file == nullptr) {
        return false; // a memory block is all in the buffer from the start
    }
    current = 0;
    end = std::fread(buffer, 1, bufferSize, file);
    return end > 0;
}

void CArchive::WriteBuffer()
{
    if (end > 0 && std::fwrite(buffer, 1, end, file) != end) {
        end = 0;
        throw CArchiveException(CArchiveException::genericException);
    }
    end = 0;
}

void CArchive::StoreBytes(const void* data, unsigned count)
{
    const auto* in = static_cast<const unsigned char*>(data);
    if (file == nullptr && bufferSize - end < count) {
        std::size_t grown = bufferSize;
        while (grown - end < count) {
            grown *= 2;
        }
        auto* larger = static_cast<unsigned char*>(AfxAllocateMemory(grown));
        std::memcpy(larger, buffer, end);
        AfxFreeMemory(buffer);
        buffer = larger;
        bufferSize = grown;
    }
    while (count > 0) {
        if (end == bufferSize) {
            WriteBuffer();
        }
        const std::size_t piece = std::min<std::size_t>(bufferSize - end, count);
        std::memcpy(buffer + end, in, piece);
        end += piece;
        in += piece;
        count -= static_cast<unsigned>(piece);
    }
}

void CArchive::LoadBytes(void* data, unsigned count)
{
    if (Read(data, count) != count) {
        throw CArchiveException(CArchiveException::endOfFile);
    }
}
