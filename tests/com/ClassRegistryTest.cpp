#include "com/ClassRegistry.h"
#include "com/Com.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

constexpr CLSID listedClass = {0x9214649E, 0x7E70, 0x4CB7, {0x97, 0x23, 0x9D, 0x49, 0xCF, 0x30, 0xDE, 0x89}};
constexpr CLSID otherClass = {0x12345678, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44}};

std::string WriteRegistry(const std::string& name, const std::string& text)
{
    static int counter = 0;
    const std::string path =
        ::testing::TempDir() + "com-classes-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "-" + name;
    std::ofstream(path) << text;
    return path;
}

} // namespace

TEST(ClassRegistry, ParsesGuidsInEitherCaseAndRejectsMalformedOnes)
{
    auto sut = com::ClassRegistry::ParseGuid("{9214649e-7E70-4CB7-9723-9D49CF30DE89}");
    ASSERT_TRUE(sut.has_value());
    EXPECT_TRUE(IsEqualGUID(*sut, listedClass));
    EXPECT_FALSE(com::ClassRegistry::ParseGuid("9214649E-7E70-4CB7-9723-9D49CF30DE89"));
    EXPECT_FALSE(com::ClassRegistry::ParseGuid("{9214649E-7E70-4CB7-9723-9D49CF30DE8G}"));
    EXPECT_FALSE(com::ClassRegistry::ParseGuid("{9214649E7-E70-4CB7-9723-9D49CF30DE89}"));
}

// Tests the lookup order: comments and bad lines are skipped, the first line
// naming the class wins, and the first file is searched before the second.
TEST(ClassRegistry, FirstLineNamingTheClassWins)
{
    const std::string first = WriteRegistry("a", "# engines\n"
                                                 "\n"
                                                 "not a line\n"
                                                 "{9214649E-7E70-4CB7-9723-9D49CF30DE89}   /lib/first.so  # comment\n"
                                                 "{9214649E-7E70-4CB7-9723-9D49CF30DE89} /lib/second.so\n");
    const std::string second = WriteRegistry("b", "{12345678-1111-2222-3333-444444444444} /lib/other.so\n"
                                                  "{9214649E-7E70-4CB7-9723-9D49CF30DE89} /lib/third.so\n");
    EXPECT_EQ(com::ClassRegistry::FindLibrary(listedClass, {first, second}), "/lib/first.so");
    EXPECT_EQ(com::ClassRegistry::FindLibrary(listedClass, {second, first}), "/lib/third.so");
    EXPECT_EQ(com::ClassRegistry::FindLibrary(otherClass, {"/nonexistent/file", first, second}), "/lib/other.so");
    EXPECT_FALSE(com::ClassRegistry::FindLibrary(otherClass, {first}));
    std::remove(first.c_str());
    std::remove(second.c_str());
}

TEST(ClassRegistry, CreationReportsUnlistedClassesAndMissingLibraries)
{
    const std::string registry = WriteRegistry("c", "{12345678-1111-2222-3333-444444444444} /nonexistent/lib.so\n");
    setenv("COM_CLASS_REGISTRY", registry.c_str(), 1);
    IUnknown* object = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(CoCreateInstance(otherClass, nullptr, 7, IID_IUnknown, reinterpret_cast<void**>(&object)),
              CO_E_DLLNOTFOUND);
    EXPECT_EQ(object, nullptr);
    const CLSID unlisted = {0xDEADBEEF, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    EXPECT_EQ(CoCreateInstance(unlisted, nullptr, 7, IID_IUnknown, reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(
        CoCreateInstance(otherClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)),
        REGDB_E_CLASSNOTREG);
    unsetenv("COM_CLASS_REGISTRY");
    std::remove(registry.c_str());
}
