#pragma once

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class CObject;
struct CRuntimeClass;

// A binary stream over a file or a memory block, either storing or loading,
// never both. Bytes pass through a buffer: a storing archive writes it out
// when it is full and on Flush or Close, a loading archive refills it when it
// runs dry. Numbers are stored little-endian whatever the machine.
//
// Read returns how many bytes it could deliver, fewer only at the end of the
// data; the number operators (>>) raise CArchiveException with cause
// endOfFile instead. Storing into a loading archive raises cause readOnly,
// loading from a storing one cause writeOnly; a failed file write raises
// cause genericException.
//
// The file or caller's memory block belongs to the caller and must outlive
// the archive. An archive is used by one thread.
class VELMORA_API CArchive {
public:
    enum Mode { store = 0, load = 1 };
    enum { defaultBufferSize = 4096 };

    // Over an open file (binary mode), from its current position.
    CArchive(std::FILE* file, Mode mode, int bufferSize = defaultBufferSize);
    // Loading from the caller's memory block.
    CArchive(const void* block, std::size_t size);
    // Storing into a memory block of the archive's own that grows as needed;
    // GetStoredData and GetStoredSize show what has been stored.
    CArchive();
    ~CArchive();

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const;
    bool IsStoring() const;

    void Write(const void* data, unsigned count);
    unsigned Read(void* data, unsigned count);
    void Flush();
    // Flushes a storing archive; the archive is not used afterwards.
    void Close();

    const unsigned char* GetStoredData() const;
    std::size_t GetStoredSize() const;

    CArchive& operator<<(uint8_t value);
    CArchive& operator<<(int8_t value);
    CArchive& operator<<(char value);
    CArchive& operator<<(uint16_t value);
    CArchive& operator<<(int16_t value);
    CArchive& operator<<(uint32_t value);
    CArchive& operator<<(int32_t value);

    CArchive& operator>>(uint8_t& value);
    CArchive& operator>>(int8_t& value);
    CArchive& operator>>(char& value);
    CArchive& operator>>(uint16_t& value);
    CArchive& operator>>(int16_t& value);
    CArchive& operator>>(uint32_t& value);
    CArchive& operator>>(int32_t& value);

    // Object reading with the framework's class tags (afx/CArchiveObjects.cpp).
    CObject* ReadObject(const CRuntimeClass* requested);
    CRuntimeClass* ReadClass(const CRuntimeClass* requested = nullptr, unsigned* schema = nullptr,
                             uint32_t* objectTag = nullptr);

protected:
    // Makes at least one unread byte available when the source has any;
    // returns false at the end of the data.
    bool FillBuffer();
    void WriteBuffer();
    void StoreBytes(const void* data, unsigned count);
    void LoadBytes(void* data, unsigned count);

    Mode mode;
    std::FILE* file;
    bool ownsBuffer;
    unsigned char* buffer;
    std::size_t bufferSize;
    // The unread (loading) or unwritten (storing) bytes are [current, end).
    std::size_t current;
    std::size_t end;

    // Classes and objects read so far, by tag number; entry 0 stands for null.
    struct LoadedEntry {
        CObject* object;
        CRuntimeClass* runtimeClass;
        unsigned schema;
    };
    std::vector<LoadedEntry> loaded;
};
