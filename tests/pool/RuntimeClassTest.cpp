#include "afx/CDumpContext.h"
#include "afx/CObject.h"
#include "afx/CRuntimeClass.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {
class Shape : public CObject {
public:
    CRuntimeClass* GetRuntimeClass() const override { return &classShape; }
    static CRuntimeClass classShape;
};
CRuntimeClass Shape::classShape = {"Shape", sizeof(Shape), 1, nullptr, &CObject::classCObject, nullptr};

class Circle : public Shape {
public:
    CRuntimeClass* GetRuntimeClass() const override { return &classCircle; }
    static CObject* Create() { return new Circle; }
    static CRuntimeClass classCircle;
};
CRuntimeClass Circle::classCircle = {"Circle", sizeof(Circle), 1, &Circle::Create, &Shape::classShape, nullptr};
} // namespace

// Tests that kinds follow the chain of base classes and that creation by
// class makes an object of that class, or nothing for a class without a
// creation function.
TEST(RuntimeClass, KindsFollowBaseClassesAndCreationNeedsAFunction)
{
    EXPECT_TRUE(RUNTIME_CLASS(Circle)->IsDerivedFrom(RUNTIME_CLASS(Shape)));
    EXPECT_TRUE(RUNTIME_CLASS(Circle)->IsDerivedFrom(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(RUNTIME_CLASS(Shape)->IsDerivedFrom(RUNTIME_CLASS(Circle)));

    const std::unique_ptr<CObject> sut(RUNTIME_CLASS(Circle)->CreateObject());
    ASSERT_NE(sut, nullptr);
    EXPECT_TRUE(sut->IsKindOf(RUNTIME_CLASS(Shape)));
    EXPECT_TRUE(sut->IsSerializable());
    EXPECT_EQ(RUNTIME_CLASS(Shape)->CreateObject(), nullptr);
}

// Tests that a class is found by name exactly while its registration lives,
// as when a module that registered it is unloaded.
TEST(RuntimeClass, RegistrationListFollowsRegistrationLifetime)
{
    EXPECT_EQ(CRuntimeClass::FromName("Circle"), nullptr);
    {
        std::optional<CRuntimeClass::Registration> shape(std::in_place, RUNTIME_CLASS(Shape));
        const CRuntimeClass::Registration circle(RUNTIME_CLASS(Circle));
        EXPECT_EQ(CRuntimeClass::FromName("Circle"), RUNTIME_CLASS(Circle));
        EXPECT_EQ(CRuntimeClass::FromName("Shape"), RUNTIME_CLASS(Shape));
        EXPECT_EQ(CRuntimeClass::FromName("Circl"), nullptr);
        EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
        shape.reset(); // taken out from behind another registration
        EXPECT_EQ(CRuntimeClass::FromName("Shape"), nullptr);
        EXPECT_EQ(CRuntimeClass::FromName("Circle"), RUNTIME_CLASS(Circle));
    }
    EXPECT_EQ(CRuntimeClass::FromName("Circle"), nullptr);
}

// Tests the text forms of the dump context, collected and written to a stream.
TEST(DumpContext, WritesValuesAsText)
{
    CDumpContext sut;
    sut << "n=" << -42 << " u=" << 7u << " l=" << -9000000000LL << " d=" << 2.5
        << " s=" << static_cast<const char*>(nullptr);
    EXPECT_EQ(sut.Text(), "n=-42 u=7 l=-9000000000 d=2.5 s=(null)");

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    CDumpContext toFile(file);
    toFile << "to file " << 1;
    toFile.Flush();
    EXPECT_TRUE(toFile.Text().empty());
    std::rewind(file);
    char line[32] = {};
    ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "to file 1");
    std::fclose(file);
}
