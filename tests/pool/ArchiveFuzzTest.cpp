#include "foundation/CObString.h"

#include "ArchiveBytes.h"
#include "afx/CArchive.h"
#include "afx/CException.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace {
// A valid archive that uses every tag form and string length form.
std::vector<unsigned char> SeedArchive()
{
    ArchiveBytes bytes;
    bytes.NewClass("CObString", 1).Word(1).ShortText("first");
    bytes.Word(0x8001).Word(1).Byte(0xFF).Word(300).Chars(std::string(300, 'm'));
    bytes.Word(2).Word(0);
    bytes.Word(0x7FFF).Dword(0x80000001).Word(1).Byte(0xFF).Word(0xFFFE).Byte(2).Word('w').Word(0x20AC);
    bytes.Word(0x7FFF).Dword(3).Word(0x8001).Word(2).ShortText("schema two");
    bytes.Word(0x8001).ShortText("no word");
    return bytes.Data();
}

constexpr int readsPerArchive = 8;

// Changes one to four places of the archive: a byte set to a random or a
// telling value, a cut, a doubled or a removed run.
std::vector<unsigned char> Mutate(std::vector<unsigned char> bytes, std::mt19937& random)
{
    static const uint8_t telling[] = {0x00, 0x01, 0x02, 0x7F, 0x80, 0xFE, 0xFF};
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes && !bytes.empty(); ++i) {
        const std::size_t at = random() % bytes.size();
        switch (random() % 5) {
        case 0:
            bytes[at] = static_cast<uint8_t>(random());
            break;
        case 1:
            bytes[at] = telling[random() % sizeof telling];
            break;
        case 2:
            bytes.resize(at);
            break;
        case 3: {
            const std::size_t length = std::min<std::size_t>(1 + random() % 8, bytes.size() - at);
            const std::vector<unsigned char> run(bytes.begin() + at, bytes.begin() + at + length);
            bytes.insert(bytes.begin() + at, run.begin(), run.end());
            break;
        }
        default:
            bytes.erase(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + 1 + random() % 8));
            break;
        }
    }
    return bytes;
}

// Reads strings until the first failure and deletes each one read once; the
// number of strings read.
int ReadAndDelete(const std::vector<unsigned char>& bytes)
{
    CObString::loadSchema = 0;
    CArchive archive(bytes.data(), bytes.size());
    std::set<CObString*> objects;
    try {
        for (int i = 0; i < readsPerArchive; ++i) {
            CObString* object = nullptr;
            archive >> object;
            if (object != nullptr) {
                static_cast<void>(object->m_str.GetLength());
                objects.insert(object);
            }
        }
    } catch (const CException&) {
        // Refusing the archive is the expected end of most mutations.
    }
    for (CObString* object : objects) {
        object->Kill();
    }
    return static_cast<int>(objects.size());
}
} // namespace

// Tests that a hundred thousand damaged archives are refused with the
// framework's exceptions only, without reading outside the data (the
// sanitizer build checks) and without keeping a pooled object: the pool that
// the strings are carved from is empty again after every archive.
TEST(ArchiveFuzz, DamagedArchivesAreRefusedCleanly)
{
    const std::vector<unsigned char> seed = SeedArchive();
    ASSERT_EQ(ReadAndDelete(seed), 5) << "the seed archive itself must load";

    MemoryPool pool(64 * 1024);
    DObject::UseMemoryPool(&pool);
    DObject::SetBlockAlloc(1);
    std::mt19937 random(20261208);
    int fullyRead = 0;
    for (int round = 0; round < 100000; ++round) {
        fullyRead += ReadAndDelete(Mutate(seed, random)) == 5 ? 1 : 0;
        if (pool.useCount != 0 || pool.firstChunk != nullptr) {
            ADD_FAILURE() << "round " << round << " left " << pool.useCount << " pooled objects";
            break;
        }
    }
    DObject::UseMemoryPool(nullptr);
    CObString::loadSchema = 0;
    // Some damage is harmless (a changed character): the reading still works.
    EXPECT_GT(fullyRead, 0);
}
