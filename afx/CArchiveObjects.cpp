#include "afx/CArchive.h"

#include "afx/CArchiveException.h"
#include "afx/CObject.h"
#include "afx/CRuntimeClass.h"

// Objects in an archive are preceded by a 16-bit tag:
// - 0 is a null object;
// - 0xFFFF introduces a class: a 16-bit schema number, a 16-bit name length
//   and the name's characters follow, then the object's own data;
// - a tag with the high bit set refers to a class read before, by its tag
//   number in the low 15 bits, and the object's data follows;
// - 0x7FFF is followed by a 32-bit tag of the same meaning, the class bit
//   being the high bit of the 32 bits;
// - any other tag refers to an object read before, by its tag number.
// Classes and objects share one numbering in the order they were read,
// starting at 1.
//
// Nothing that comes from the archive is trusted: a tag number that names no
// entry, or an entry of the wrong kind, is a bad index; a class that is not
// registered, cannot be created or is not of the requested kind is a bad
// class; a schema number the class does not read is a bad schema.

namespace {
constexpr uint16_t nullTag = 0;
constexpr uint16_t newClassTag = 0xFFFF;
constexpr uint16_t classTag = 0x8000;
constexpr uint16_t bigObjectTag = 0x7FFF;
constexpr uint32_t bigClassTag = 0x80000000u;

// A class whose schema carries this bit reads every schema number.
constexpr unsigned versionableSchema = 0x80000000u;
// Longer names belong to no class the framework can register.
constexpr uint16_t maxClassNameLength = 63;

[[noreturn]] void Fail(int cause)
{
    throw CArchiveException(cause);
}

} // namespace

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* requested, unsigned* schema, uint32_t* objectTag)
{
    if (loaded.empty()) {
        loaded.push_back({nullptr, nullptr, 0});
    }
    uint16_t shortTag = 0;
    *this >> shortTag;
    uint32_t tag = 0;
    if (shortTag == bigObjectTag) {
        *this >> tag;
    } else {
        tag = (static_cast<uint32_t>(shortTag & classTag) << 16) | (shortTag & ~classTag);
    }
    if ((tag & bigClassTag) == 0) {
        if (objectTag != nullptr) {
            *objectTag = tag;
        }
        return nullptr;
    }

    LoadedEntry entry{};
    if (shortTag == newClassTag) {
        uint16_t archivedSchema = 0;
        uint16_t nameLength = 0;
        *this >> archivedSchema >> nameLength;
        if (nameLength > maxClassNameLength) {
            Fail(CArchiveException::badClass);
        }
        char name[maxClassNameLength + 1] = {};
        if (Read(name, nameLength) != nameLength) {
            Fail(CArchiveException::endOfFile);
        }
        entry.runtimeClass = CRuntimeClass::FromName(name);
        entry.schema = archivedSchema;
        if (entry.runtimeClass == nullptr || entry.runtimeClass->m_wSchema == CRuntimeClass::notSerializable) {
            Fail(CArchiveException::badClass);
        }
        if ((entry.runtimeClass->m_wSchema & versionableSchema) == 0 &&
            entry.runtimeClass->m_wSchema != archivedSchema) {
            Fail(CArchiveException::badSchema);
        }
        loaded.push_back(entry);
    } else {
        const uint32_t index = tag & ~bigClassTag;
        if (index >= loaded.size() || loaded[index].runtimeClass == nullptr) {
            Fail(CArchiveException::badIndex);
        }
        entry = loaded[index];
    }
    if (requested != nullptr && !entry.runtimeClass->IsDerivedFrom(requested)) {
        Fail(CArchiveException::badClass);
    }
    if (schema != nullptr) {
        *schema = entry.schema;
    }
    return entry.runtimeClass;
}

CObject* CArchive::ReadObject(const CRuntimeClass* requested)
{
    uint32_t tag = nullTag;
    CRuntimeClass* runtimeClass = ReadClass(requested, nullptr, &tag);
    if (runtimeClass == nullptr) {
        if (tag == nullTag) {
            return nullptr;
        }
        if (tag >= loaded.size() || loaded[tag].object == nullptr) {
            Fail(CArchiveException::badIndex);
        }
        CObject* object = loaded[tag].object;
        if (requested != nullptr && !object->IsKindOf(requested)) {
            Fail(CArchiveException::badClass);
        }
        return object;
    }

    // The entry exists before the object reads its data, so that the data may
    // refer back to the object itself. A failed read takes the object and
    // every entry made since with it, so none of them can be handed out.
    const std::size_t mark = loaded.size();
    loaded.push_back({nullptr, nullptr, 0});
    CObject* object = nullptr;
    try {
        object = runtimeClass->CreateObject();
        if (object == nullptr) {
            Fail(CArchiveException::badClass);
        }
        loaded[mark].object = object;
        object->Serialize(*this);
    } catch (...) {
        loaded.resize(mark);
        delete object;
        throw;
    }
    return object;
}
