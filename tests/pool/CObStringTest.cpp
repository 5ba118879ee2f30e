#include "foundation/CObString.h"

#include "ArchiveBytes.h"
#include "afx/CArchive.h"
#include "afx/CArchiveException.h"
#include "afx/CDumpContext.h"
#include "afx/CNotSupportedException.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {
std::string Text(const CObString& value)
{
    return std::string(static_cast<const char*>(value.m_str), value.m_str.GetLength());
}

// Each test starts as a fresh process would: no schema number read yet.
class CObStringLoading : public ::testing::Test {
protected:
    void SetUp() override { CObString::loadSchema = 0; }
    void TearDown() override { CObString::loadSchema = 0; }

    // Reads one string's data (no class tag) with Serialize.
    static std::string LoadOne(CArchive& archive)
    {
        CObString sut;
        sut.Serialize(archive);
        return Text(sut);
    }
};
} // namespace

// Tests that every constructor takes the text it is given.
TEST(CObString, ConstructorsTakeTheirText)
{
    EXPECT_EQ(Text(CObString()), "");
    EXPECT_EQ(Text(CObString(CString("framework"))), "framework");
    const CObString original("copied");
    EXPECT_EQ(Text(CObString(original)), "copied");
    EXPECT_EQ(Text(CObString('x', 4)), "xxxx");
    EXPECT_EQ(Text(CObString("plain")), "plain");
    EXPECT_EQ(Text(CObString("prefix only", 6)), "prefix");
}

// Tests that each assignment and append form reaches the matching string
// operation and returns the object itself.
TEST(CObString, AssignmentsAndAppendsChangeTheText)
{
    CObString sut;
    const CObString other("other");
    EXPECT_EQ(&(sut = other), &sut);
    EXPECT_EQ(Text(sut), "other");
    sut = 'c';
    EXPECT_EQ(Text(sut), "c");
    sut = "narrow";
    EXPECT_EQ(Text(sut), "narrow");
    const unsigned char bytes[] = {'u', 'n', 's', 0};
    sut = bytes;
    EXPECT_EQ(Text(sut), "uns");
    const unsigned short wide[] = {'w', 0xE9, 'd', 0}; // é in the narrow code page is 0xE9
    sut = wide;
    EXPECT_EQ(Text(sut), "w\xE9"
                         "d");

    sut = "a";
    EXPECT_EQ(&(sut += other), &sut);
    sut += '-';
    sut += "tail";
    EXPECT_EQ(Text(sut), "aother-tail");
}

// Tests that the extracting operations and the free concatenations give new
// values with the text of the matching string operation.
TEST(CObString, ExtractionsAndConcatenationsGiveNewValues)
{
    const CObString sut("abcdef");
    EXPECT_EQ(Text(sut.Mid(2, 3)), "cde");
    EXPECT_EQ(Text(sut.Mid(4)), "ef");
    EXPECT_EQ(Text(sut.Left(2)), "ab");
    EXPECT_EQ(Text(sut.Right(2)), "ef");
    EXPECT_EQ(Text(sut.SpanIncluding("cba")), "abc");
    EXPECT_EQ(Text(sut.SpanExcluding("ed")), "abc");
    EXPECT_EQ(Text(sut), "abcdef");

    EXPECT_EQ(Text(sut + CObString("gh")), "abcdefgh");
    EXPECT_EQ(Text(sut + "gh"), "abcdefgh");
    EXPECT_EQ(Text("__" + sut), "__abcdef");
    EXPECT_EQ(Text(sut + '!'), "abcdef!");
}

// Tests the run-time class record and that creation by class goes through
// DObject's pooled operator new.
TEST(CObString, RunTimeClassCreatesPooledStrings)
{
    CRuntimeClass* sut = RUNTIME_CLASS(CObString);
    EXPECT_STREQ(sut->m_lpszClassName, "CObString");
    EXPECT_EQ(sut->m_wSchema, 1u);
    EXPECT_EQ(sut->m_nObjectSize, static_cast<int>(sizeof(CObString)));
    EXPECT_EQ(sut->m_pBaseClass, RUNTIME_CLASS(CObject));
    EXPECT_EQ(CRuntimeClass::FromName("CObString"), sut);

    MemoryPool pool(4096);
    DObject::UseMemoryPool(&pool);
    DObject::SetBlockAlloc(1);
    CObject* object = sut->CreateObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetRuntimeClass(), sut);
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_EQ(reinterpret_cast<char*>(object), pool.firstChunk + MemoryPool::chunkLinkSize);
    EXPECT_EQ(pool.useCount, 1);
    static_cast<CObString*>(object)->Kill();
    EXPECT_EQ(pool.firstChunk, nullptr);
    DObject::UseMemoryPool(nullptr);
}

// Tests the dump form: space, equals sign, space, then the text in quotes.
TEST(CObString, DumpWritesTextInQuotes)
{
    CDumpContext context;
    CObString("abc").Dump(context);
    EXPECT_EQ(context.Text(), " = \"abc\"");
}

// Tests that storing writes nothing at all.
TEST_F(CObStringLoading, StoringWritesNothing)
{
    CArchive archive;
    CObString("not written").Serialize(archive);
    archive.Flush();
    EXPECT_EQ(archive.GetStoredSize(), 0u);
}

// Tests that while the schema read is 1 every string carries its own word.
TEST_F(CObStringLoading, SchemaOneMeansAWordBeforeEveryString)
{
    const auto bytes = ArchiveBytes().Word(1).ShortText("one").Word(1).ShortText("two").Data();
    CArchive archive(bytes.data(), bytes.size());
    EXPECT_EQ(LoadOne(archive), "one");
    EXPECT_EQ(LoadOne(archive), "two");
    EXPECT_EQ(CObString::loadSchema, 1);
}

// Tests that once a 2 has been read, later strings, in this archive or any
// other, come without the word.
TEST_F(CObStringLoading, SchemaTwoIsReadOnceForTheProcess)
{
    const auto first = ArchiveBytes().Word(2).ShortText("one").ShortText("two").Data();
    CArchive archive(first.data(), first.size());
    EXPECT_EQ(LoadOne(archive), "one");
    EXPECT_EQ(LoadOne(archive), "two");

    const auto second = ArchiveBytes().ShortText("three").Data();
    CArchive later(second.data(), second.size());
    EXPECT_EQ(LoadOne(later), "three");
}

// Tests that words other than 1 and 2 are refused without changing the
// process-wide number, so that good archives still load afterwards.
TEST_F(CObStringLoading, UnknownSchemaIsRefusedAndForgotten)
{
    for (const uint16_t schema : {0, 3, 0xFFFF}) {
        const auto bytes = ArchiveBytes().Word(schema).ShortText("bad").Data();
        CArchive archive(bytes.data(), bytes.size());
        EXPECT_THROW(LoadOne(archive), CNotSupportedException) << schema;
        EXPECT_EQ(CObString::loadSchema, 0);
    }
    const auto good = ArchiveBytes().Word(1).ShortText("good").Data();
    CArchive archive(good.data(), good.size());
    EXPECT_EQ(LoadOne(archive), "good");
}

// Tests the longer length forms: 255 characters need 0xFF and 16 bits, and
// 0xFFFE marks 16-bit characters converted to the narrow code page.
TEST_F(CObStringLoading, LongAndWideTextForms)
{
    const std::string long255(255, 'L');
    ArchiveBytes bytes;
    bytes.Word(1).Byte(0xFF).Word(255).Chars(long255);
    bytes.Word(1).Byte(0xFF).Word(0xFFFE).Byte(3).Word('h').Word(0xE9).Word('!');
    CArchive archive(bytes.Data().data(), bytes.Data().size());
    EXPECT_EQ(LoadOne(archive), long255);
    EXPECT_EQ(LoadOne(archive), "h\xE9!");
}

// Tests that a string cut short, or one announcing far more than the archive
// holds, raises the end-of-file archive exception.
TEST_F(CObStringLoading, ShortDataRaisesEndOfFile)
{
    const std::vector<std::vector<unsigned char>> cases = {
        ArchiveBytes().Byte(1).Data(),                  // half a schema word
        ArchiveBytes().Word(1).ShortText("abc").Data(), // good, then cut below
        ArchiveBytes().Word(1).Byte(0xFF).Word(0xFFFF).Dword(0x7FFFFFFF).Chars("x").Data(),
        ArchiveBytes().Word(1).Byte(0xFF).Word(0xFFFE).Byte(0xFF).Word(0xFFFF).Dword(0xFFFFFFFF).Data(),
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        CObString::loadSchema = 0;
        const std::size_t size = i == 1 ? cases[i].size() - 1 : cases[i].size();
        CArchive archive(cases[i].data(), size);
        try {
            LoadOne(archive);
            ADD_FAILURE() << "case " << i << " loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile) << "case " << i;
        } catch (const CException&) {
            // A length too large to hold at all is an out-of-memory refusal.
            EXPECT_EQ(i, 3u);
        }
    }
}
