#include "frontend/tarn_registry.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <functional>
#include <stdexcept>

#include "frontend/testing.h"

namespace tarn::frontend {
namespace {

// The message of the exception that `action` raises; empty when it raises none.
QString Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return QString::fromUtf8(error.what());
  }
  return QString();
}

class TTARNRegistryTest : public ::testing::Test {
 protected:
  TTARNRegistryTest() { testing::ClearSettings(); }
  ~TTARNRegistryTest() override {
    TTARNRegistry::DestroySingleton();
    testing::ClearSettings();
  }
};

// Every misuse raises its message, and the instance (if any) stays usable.
TEST_F(TTARNRegistryTest, MisuseRaisesItsMessage) {
  const auto registry = [] { return &TTARNRegistry::GetSingleton(); };
  const struct {
    const char* name;
    bool created;
    std::function<void()> action;
    QString message;
  } cases[] = {
      {"second instance", true, [] { TTARNRegistry::CreateSingleton(cRegKeyTarn); },
       "Error: Object already created, use TTARNRegistry.GetSingleton."},
      {"direct construction", false, [] { TTARNRegistry::Create(cRegKeyTarn); },
       "Error: Do not use TTARNRegistry.Create, use TTARNRegistry.CreateSingleton."},
      {"direct construction beside the instance", true, [] { TTARNRegistry::Create(cRegKeyTarn); },
       "Error: Do not use TTARNRegistry.Create, use TTARNRegistry.CreateSingleton."},
      {"direct destruction", true, [&] { registry()->Destroy(); },
       "Error: Do not use TTARNRegistry.Destroy, this would destroy the singleton object, use "
       "TTARNRegistry.DestroySingleton !"},
      {"no instance", false, [&] { registry(); },
       "Error: Object not created, use TTARNRegistry.CreateSingleton."},
      {"missing per-user value", true, [&] { registry()->HKCUGetStr(cRegTolvaFilePath); },
       "Key\\Variable: HKEY_CURRENT_USER\\SOFTWARE\\LanthModels\\TARN\\\\TolvaFilePath not found"},
      {"missing machine value", true, [&] { registry()->HKLMVarExists(cRegOutputPath, true); },
       "Key\\Variable: HKEY_LOCAL_MACHINE\\SOFTWARE\\LanthModels\\TARN\\\\OutputPath not found"},
  };
  for (const auto& c : cases) {
    if (c.created) TTARNRegistry::CreateSingleton(cRegKeyTarn);

    EXPECT_EQ(Raised(c.action), c.message) << c.name;

    EXPECT_EQ(TTARNRegistry::Created(), c.created) << c.name;
    if (c.created) {
      EXPECT_FALSE(registry()->HKCUVarExists(cRegOutputPath, false)) << c.name;
      TTARNRegistry::DestroySingleton();
    }
  }
}

// A blank name or key name fails the assertion, which names this unit's file and line.
TEST_F(TTARNRegistryTest, BlankNamesFailTheAssertion) {
  const QRegularExpression assertion("^Assertion failure \\(tarn_registry\\.cc, line [0-9]+\\)$");
  EXPECT_TRUE(assertion.match(Raised([] { TTARNRegistry::CreateSingleton("  "); })).hasMatch());
  EXPECT_FALSE(TTARNRegistry::Created());

  TTARNRegistry& registry = TTARNRegistry::CreateSingleton(cRegKeyTarn);
  const std::function<void()> blankUses[] = {
      [&] { registry.HKCUVarExists(" ", false); }, [&] { registry.HKCUGetStr(""); },
      [&] { registry.HKCUSetStr(" ", "x"); },      [&] { registry.HKCUDelVar(""); },
      [&] { registry.HKCUDelKey(" "); },           [&] { registry.HKLMGetStr(""); },
  };
  for (const auto& use : blankUses) EXPECT_TRUE(assertion.match(Raised(use)).hasMatch());
}

// Values written are in the store at once, where a fresh reader finds them.
TEST_F(TTARNRegistryTest, WritesReadsAndDeletesValues) {
  const TTARNRegistry& registry = TTARNRegistry::CreateSingleton(cRegKeyTarn);

  registry.HKCUSetStr(cRegOutputPath, "/data/runs");
  registry.HKCUSetStr(cRegTolvaFilePath, "");
  registry.HKLMSetStr(cRegTolvaModelPath, "/opt/model/TolvaModel.exe");

  EXPECT_EQ(testing::UserSetting(cRegOutputPath), "/data/runs");
  EXPECT_EQ(registry.HKCUGetStr(cRegTolvaFilePath), "");
  EXPECT_EQ(registry.HKLMGetStr(cRegTolvaModelPath), "/opt/model/TolvaModel.exe");
  EXPECT_FALSE(registry.HKCUVarExists(cRegTolvaModelPath, false));

  registry.HKCUDelVar(cRegOutputPath);
  EXPECT_EQ(testing::UserSetting(cRegOutputPath), std::nullopt);
  EXPECT_TRUE(registry.HKCUVarExists(cRegTolvaFilePath, false));

  registry.HKCUDelKey("SOFTWARE\\LanthModels\\TARN");
  EXPECT_FALSE(registry.HKCUVarExists(cRegTolvaFilePath, false));
  EXPECT_TRUE(registry.HKLMVarExists(cRegTolvaModelPath, false));
}

}  // namespace
}  // namespace tarn::frontend
