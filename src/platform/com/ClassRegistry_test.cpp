#include <gtest/gtest.h>

#include "platform/com/RequestClass.h"
#include "platform/com/RuntimeError.h"

namespace corvane {
namespace {

// Records the name it was made under, so a test can tell which factory ran.
class NamedClass : public RequestClass {
 public:
  explicit NamedClass(std::string name) : name_(std::move(name)) {}
  void myHandle(LoginContext*, XmlDocument&) override {}
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

ClassRegistry makeRegistry(int& created) {
  const auto factory = [&created](std::string name) {
    return [&created, name] {
      ++created;
      return std::make_unique<NamedClass>(name);
    };
  };
  return ClassRegistry({{"Test.CFirst", factory("first")}, {"Test.CSecond", factory("second")}});
}

TEST(ClassRegistryTest, CreatesAFreshObjectOfTheNamedClass) {
  int created = 0;
  const ClassRegistry registry = makeRegistry(created);
  struct Case {
    const char* progId;
    const char* made;
  };
  const Case cases[] = {
      {"Test.CFirst", "first"}, {"Test.CSecond", "second"}, {"test.csecond", "second"}, {"TEST.CFIRST", "first"}};
  for (const Case& c : cases) {
    EXPECT_TRUE(registry.knows(c.progId)) << c.progId;
    const auto object = registry.create(c.progId);
    ASSERT_NE(object, nullptr) << c.progId;
    EXPECT_EQ(dynamic_cast<const NamedClass&>(*object).name(), c.made) << c.progId;
  }
  EXPECT_EQ(created, 4);
  EXPECT_NE(registry.create("Test.CFirst"), registry.create("Test.CFirst"));
}

TEST(ClassRegistryTest, UnknownProgIdIsClassNotRegistered) {
  int created = 0;
  const ClassRegistry registry = makeRegistry(created);
  const char* const unknown[] = {"Test.CThird", "", "Test.CFirst ", "Test", "CFirst", "Test.CFirstX"};
  for (const char* progId : unknown) {
    EXPECT_FALSE(registry.knows(progId)) << progId;
    try {
      registry.create(progId);
      ADD_FAILURE() << "created " << progId;
    } catch (const RuntimeError& error) {
      EXPECT_EQ(error.number(), errnum::kClassNotRegistered);
      EXPECT_EQ(error.description(), std::string("Class not registered: ") + progId);
    }
  }
  EXPECT_EQ(created, 0);
}

}  // namespace
}  // namespace corvane
