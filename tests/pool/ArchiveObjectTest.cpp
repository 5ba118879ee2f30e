#include "foundation/CObString.h"

#include "ArchiveBytes.h"
#include "afx/CArchive.h"
#include "afx/CArchiveException.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {
std::string Text(const CObString* value)
{
    return std::string(static_cast<const char*>(value->m_str), value->m_str.GetLength());
}

// A serializable class of a different kind, to be refused where a string is
// requested.
class Counter : public CObject {
public:
    CRuntimeClass* GetRuntimeClass() const override { return &classCounter; }
    void Serialize(CArchive& archive) override { archive >> value; }
    static CObject* Create() { return new Counter; }
    static CRuntimeClass classCounter;
    uint16_t value = 0;
};
CRuntimeClass Counter::classCounter = {"Counter",        sizeof(Counter),        3,
                                       &Counter::Create, &CObject::classCObject, nullptr};
const CRuntimeClass::Registration registerCounter(&Counter::classCounter);

class ArchiveObjects : public ::testing::Test {
protected:
    void SetUp() override { CObString::loadSchema = 0; }
    void TearDown() override
    {
        for (CObString* object : read_) {
            object->Kill();
        }
        CObString::loadSchema = 0;
    }

    // Reads count strings; they are deleted after the test.
    std::vector<CObString*> ReadAll(const ArchiveBytes& bytes, int count)
    {
        CArchive archive(bytes.Data().data(), bytes.Data().size());
        std::vector<CObString*> result;
        for (int i = 0; i < count; ++i) {
            CObString* object = nullptr;
            archive >> object;
            result.push_back(object);
            if (object != nullptr) {
                read_.insert(object);
            }
        }
        return result;
    }

    // The archive exception cause raised by reading the strings, or -1.
    int CauseOfReading(const ArchiveBytes& bytes, int count)
    {
        try {
            ReadAll(bytes, count);
        } catch (const CArchiveException& e) {
            return e.m_cause;
        }
        return -1;
    }

    std::set<CObString*> read_; // each object once, however often it was read
};
} // namespace

// Tests the tag forms that lead to objects: a new class, a reference to that
// class in the short and the 32-bit form, a reference to an object read
// before, and null.
TEST_F(ArchiveObjects, TagsIntroduceAndReferToClassesAndObjects)
{
    ArchiveBytes bytes;
    bytes.NewClass("CObString", 1).Word(1).ShortText("first");       // class 1, object 2
    bytes.Word(0x8001).Word(1).ShortText("second");                  // object 3
    bytes.Word(0x7FFF).Dword(0x80000001).Word(1).ShortText("third"); // object 4
    bytes.Word(2);                                                   // object 2 again
    bytes.Word(0x7FFF).Dword(4);                                     // object 4 again
    bytes.Word(0);                                                   // null
    const auto sut = ReadAll(bytes, 6);
    ASSERT_NE(sut[0], nullptr);
    EXPECT_EQ(Text(sut[0]), "first");
    EXPECT_EQ(Text(sut[1]), "second");
    EXPECT_EQ(Text(sut[2]), "third");
    EXPECT_EQ(sut[3], sut[0]);
    EXPECT_EQ(sut[4], sut[2]);
    EXPECT_EQ(sut[5], nullptr);
    EXPECT_EQ(sut[0]->GetRuntimeClass(), RUNTIME_CLASS(CObString));
}

// Tests that every kind of bad input ends in the matching archive exception
// and that nothing read before is lost or leaked (the sanitizer checks).
TEST_F(ArchiveObjects, BadTagsRaiseTheMatchingCause)
{
    struct Case {
        const char* what;
        ArchiveBytes bytes;
        int count;
        int cause;
    };
    const ArchiveBytes good = ArchiveBytes().NewClass("CObString", 1).Word(1).ShortText("ok");
    std::vector<Case> cases;
    cases.push_back({"empty archive", ArchiveBytes(), 1, CArchiveException::endOfFile});
    cases.push_back({"half a tag", ArchiveBytes().Byte(0xFF), 1, CArchiveException::endOfFile});
    cases.push_back({"class name cut short", ArchiveBytes().Word(0xFFFF).Word(1).Word(9).Chars("CObS"), 1,
                     CArchiveException::endOfFile});
    cases.push_back({"unknown class", ArchiveBytes().NewClass("CNoSuch", 1).Word(1).ShortText("x"), 1,
                     CArchiveException::badClass});
    cases.push_back(
        {"class of another kind", ArchiveBytes().NewClass("Counter", 3).Word(7), 1, CArchiveException::badClass});
    cases.push_back(
        {"class that cannot be read", ArchiveBytes().NewClass("CObject", 0xFFFF), 1, CArchiveException::badClass});
    cases.push_back(
        {"name too long", ArchiveBytes().NewClass(std::string(64, 'N'), 1), 1, CArchiveException::badClass});
    cases.push_back({"wrong class schema", ArchiveBytes().NewClass("CObString", 2).Word(1).ShortText("x"), 1,
                     CArchiveException::badSchema});
    cases.push_back({"class reference before any class", ArchiveBytes().Word(0x8001), 1, CArchiveException::badIndex});
    cases.push_back({"class reference to class 0", ArchiveBytes().Word(0x8000), 1, CArchiveException::badIndex});
    cases.push_back({"object reference beyond those read", ArchiveBytes(good).Word(3), 2, CArchiveException::badIndex});
    cases.push_back({"object reference naming a class", ArchiveBytes(good).Word(1), 2, CArchiveException::badIndex});
    cases.push_back(
        {"class reference naming an object", ArchiveBytes(good).Word(0x8002), 2, CArchiveException::badIndex});
    cases.push_back(
        {"huge 32-bit object tag", ArchiveBytes(good).Word(0x7FFF).Dword(0x7FFFFFFF), 2, CArchiveException::badIndex});
    cases.push_back(
        {"huge 32-bit class tag", ArchiveBytes(good).Word(0x7FFF).Dword(0xFFFFFFFF), 2, CArchiveException::badIndex});
    cases.push_back({"text longer than the archive", ArchiveBytes().NewClass("CObString", 1).Word(1).Byte(9), 1,
                     CArchiveException::endOfFile});
    for (const Case& c : cases) {
        CObString::loadSchema = 0;
        EXPECT_EQ(CauseOfReading(c.bytes, c.count), c.cause) << c.what;
    }
}

// Tests that an object whose data fails to load is dropped together with its
// tag number: a later reference to it is a bad index, not a dangling object.
TEST_F(ArchiveObjects, FailedObjectCannotBeReferredToLater)
{
    const auto bytes = ArchiveBytes().NewClass("CObString", 1).Word(9).Data();
    CArchive archive(bytes.data(), bytes.size());
    CObString* object = nullptr;
    EXPECT_ANY_THROW(archive >> object);
    EXPECT_EQ(object, nullptr);

    const auto more = ArchiveBytes().NewClass("CObString", 1).Word(9).Word(2).Data();
    CArchive second(more.data(), more.size());
    EXPECT_ANY_THROW(second >> object);
    try {
        second >> object;
        ADD_FAILURE() << "reference to a dropped object was accepted";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
    }
}
