// ResourceManagerTest.cpp - shared named resources: sharing by name, load
// failures, reloads (all, and of one saved file), registry notifications and
// the leak report.
#include "tier0/ResourceManager.h"

#include "base/Log.h"
#include "common/LogCapture.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_events;  // what the test resources were asked to do

class TestResource : public Resource {
 public:
  explicit TestResource(ResourceManager* manager) : Resource(manager) {}
  ~TestResource() override { g_events.push_back("delete " + GetName()); }

  bool Load(bool initial) override {
    g_events.push_back(std::string(initial ? "load " : "reload ") + GetName());
    ++loads;
    return GetName().find("missing") == std::string::npos && !(failReload && !initial);
  }
  void Unload(bool final) override {
    g_events.push_back(std::string(final ? "unload " : "unload-reload ") + GetName());
  }
  void OnDeviceLost() override {
    g_events.push_back("lost " + GetName());
    if (releaseOnDeviceLost) Release();
  }
  void OnDeviceReset() override { g_events.push_back("reset " + GetName()); }
  void OnVideoShutdown() override { g_events.push_back("shutdown " + GetName()); }

  int loads = 0;
  bool failReload = false;
  bool releaseOnDeviceLost = false;
};

class ResourceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_events.clear();
    ResourceManager::SetReportDir(tmp.Str() + "/");
  }
  void TearDown() override { ResourceManager::SetReportDir(""); }

  kaztest::TempDir tmp{"kaz_resmgr"};
};

TEST_F(ResourceManagerTest, NamesInTwoCasesShareOneInstance) {
  ResourceManager manager("TestResource");
  TestResource* a = manager.GetOrLoad<TestResource>("Textures/Wall.png");
  TestResource* b = manager.GetOrLoad<TestResource>("textures/WALL.PNG");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->GetRefCount(), 2);
  EXPECT_EQ(a->loads, 1);
  EXPECT_EQ(manager.Find("TEXTURES/wall.png"), a);
  EXPECT_EQ(a->GetManager(), &manager);

  a->Release();
  EXPECT_EQ(manager.GetCount(), 1u);
  b->Release();
  EXPECT_EQ(manager.GetCount(), 0u);
  EXPECT_EQ(g_events,
            (std::vector<std::string>{"load Textures/Wall.png", "unload Textures/Wall.png",
                                      "delete Textures/Wall.png"}));

  TestResource* again = manager.GetOrLoad<TestResource>("TEXTURES/wall.png");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->GetRefCount(), 1);
  EXPECT_EQ(g_events.back(), "load TEXTURES/wall.png");
  again->Release();
}

TEST_F(ResourceManagerTest, FailedLoadRegistersNothing) {
  ResourceManager manager("TestResource");
  EXPECT_EQ(manager.GetOrLoad<TestResource>("missing.png"), nullptr);
  EXPECT_EQ(manager.GetCount(), 0u);
  EXPECT_EQ(manager.Find("missing.png"), nullptr);
  EXPECT_EQ(g_events, (std::vector<std::string>{"load missing.png", "delete missing.png"}));
}

TEST_F(ResourceManagerTest, RegisterRefusesTakenNameAndUnregisterOnlyItsOwn) {
  ResourceManager manager("TestResource");
  TestResource* live = manager.GetOrLoad<TestResource>("a");
  auto* twin = new TestResource(&manager);
  twin->SetName("A");
  EXPECT_FALSE(manager.Register(twin));
  // Releasing the unregistered twin must leave the live entry alone.
  twin->AddRef();
  twin->Release();
  EXPECT_EQ(manager.Find("a"), live);
  EXPECT_FALSE(manager.Register(nullptr));
  EXPECT_FALSE(manager.Unregister(nullptr));
  EXPECT_TRUE(manager.Unregister(live));
  EXPECT_FALSE(manager.Unregister(live));
  EXPECT_TRUE(manager.Register(live));
  live->Release();
}

TEST_F(ResourceManagerTest, ReleaseWithoutReferenceIsIgnored) {
  ResourceManager manager("TestResource");
  auto* loose = new TestResource(&manager);  // never handed out: count 0
  loose->SetName("loose");
  loose->Release();
  EXPECT_EQ(loose->GetRefCount(), 0);
  EXPECT_TRUE(g_events.empty());
  delete loose;
}

TEST_F(ResourceManagerTest, ReloadAllKeepsEveryResourceRegistered) {
  ResourceManager manager("TestResource");
  TestResource* b = manager.GetOrLoad<TestResource>("b");
  TestResource* a = manager.GetOrLoad<TestResource>("a");
  b->failReload = true;
  g_events.clear();
  ResourceManager::ReloadAll();
  EXPECT_EQ(g_events, (std::vector<std::string>{"unload-reload a", "reload a", "unload-reload b",
                                                "reload b"}));
  EXPECT_EQ(manager.Find("b"), b);
  EXPECT_EQ(b->GetRefCount(), 1);
  a->Release();
  b->Release();
}

// A resource that can be read again in place, as the engine's kinds are.
class SavedResource : public Resource {
 public:
  explicit SavedResource(ResourceManager* manager) : Resource(manager) {}
  bool Load(bool) override {
    data = "first";
    return true;
  }
  void Unload(bool) override { data.clear(); }
  bool UsesFile(const std::string& path) const override {
    return Resource::UsesFile(path) || path == include;
  }
  bool Reload() override {
    if (broken) {
      LogError("Bad header in '%s'", GetName().c_str());
      LogDetail("at byte 4\n  of 9");
      return false;
    }
    LogDetail("read %s", GetName().c_str());
    data = "saved";
    return true;
  }
  std::string data;
  std::string include;
  bool broken = false;
};

TEST_F(ResourceManagerTest, ReloadFileReloadsWhatIsMadeOfTheFileInOneLineEach) {
  kaztest::LogCapture log;
  ResourceManager manager("SavedResource");
  SavedResource* a = manager.GetOrLoad<SavedResource>("Effects/A.fx");
  SavedResource* b = manager.GetOrLoad<SavedResource>("Effects/B.fx");
  b->include = "Effects/common.fxh";

  // Names compare without regard to case; what the reload logged comes first.
  EXPECT_EQ(ResourceManager::ReloadFile("effects/a.FX"), 1);
  EXPECT_EQ(a->data, "saved");
  EXPECT_EQ(b->data, "first");
  EXPECT_EQ(log.Texts(),
            (std::vector<std::string>{"read Effects/A.fx", "[orange]Reloaded [grey]Effects/A.fx"}));
  // A file another one includes.
  EXPECT_EQ(ResourceManager::ReloadFile("Effects/common.fxh"), 1);
  EXPECT_EQ(b->data, "saved");

  // A failed reload keeps the data and says why in one warning.
  log.Clear();
  a->data = "good";
  a->broken = true;
  EXPECT_EQ(ResourceManager::ReloadFile("Effects/A.fx"), 1);
  EXPECT_EQ(a->data, "good");
  ASSERT_EQ(log.Lines().size(), 1u) << log.Dump();
  EXPECT_EQ(log.Lines()[0].level, LogLevel_Warning);
  EXPECT_EQ(log.Lines()[0].text,
            "Failed to reload 'Effects/A.fx' (Bad header in 'Effects/A.fx': at byte 4 of 9); "
            "keeping the last good one.");

  // Nothing made of the file: nothing happens.
  log.Clear();
  EXPECT_EQ(ResourceManager::ReloadFile("Effects/none.fx"), 0);
  EXPECT_TRUE(log.Texts().empty());

  // A kind that cannot reload in place refuses, and keeps what it has.
  ResourceManager other("TestResource");
  TestResource* t = other.GetOrLoad<TestResource>("Meshes/Figure.xml");
  g_events.clear();
  EXPECT_EQ(ResourceManager::ReloadFile("Meshes/Figure.xml"), 1);
  EXPECT_TRUE(g_events.empty());
  EXPECT_TRUE(
      log.Has("Failed to reload 'Meshes/Figure.xml' (a TestResource is read again only "
              "when the game starts anew); keeping the last good one."))
      << log.Dump();
  t->Release();
  a->Release();
  b->Release();
}

TEST_F(ResourceManagerTest, DeviceEventsVisitNewestManagerFirstInNameOrder) {
  ResourceManager older("Older");
  {
    ResourceManager gone("Gone");  // a destroyed manager leaves the registry
  }
  ResourceManager newer("Newer");
  EXPECT_EQ(ResourceManager::GetFirst(), &newer);
  EXPECT_EQ(newer.GetNext(), &older);
  TestResource* o = older.GetOrLoad<TestResource>("o");
  TestResource* y = newer.GetOrLoad<TestResource>("Y");
  TestResource* x = newer.GetOrLoad<TestResource>("x");
  g_events.clear();
  ResourceManager::NotifyDeviceLost();
  ResourceManager::NotifyDeviceReset();
  ResourceManager::NotifyVideoShutdown();
  EXPECT_EQ(g_events,
            (std::vector<std::string>{"lost x", "lost Y", "lost o", "reset x", "reset Y", "reset o",
                                      "shutdown x", "shutdown Y", "shutdown o"}));
  o->Release();
  x->Release();
  y->Release();
}

TEST_F(ResourceManagerTest, ResourceMayReleaseItselfDuringAWalk) {
  ResourceManager manager("TestResource");
  TestResource* a = manager.GetOrLoad<TestResource>("a");
  TestResource* b = manager.GetOrLoad<TestResource>("b");
  TestResource* c = manager.GetOrLoad<TestResource>("c");
  b->releaseOnDeviceLost = true;
  g_events.clear();
  ResourceManager::NotifyDeviceLost();
  EXPECT_EQ(g_events,
            (std::vector<std::string>{"lost a", "lost b", "unload b", "delete b", "lost c"}));
  EXPECT_EQ(manager.GetCount(), 2u);
  a->Release();
  c->Release();
}

TEST_F(ResourceManagerTest, LeakReportListsReferencedResourcesInNameOrder) {
  {
    ResourceManager manager("TestResource");
    TestResource* b = manager.GetOrLoad<TestResource>("beta");
    manager.GetOrLoad<TestResource>("Beta");
    manager.GetOrLoad<TestResource>("alpha");
    EXPECT_EQ(b->GetRefCount(), 2);
  }
  EXPECT_EQ(tmp.Read("TestResource_ResMgr.log"),
            "*** WARNING ***\n\n"
            "Resource instances of class TestResource still have references!\n\n"
            "#1: 1 references for 'alpha'\n"
            "#2: 2 references for 'beta'\n"
            "-- END LIST (2 total)");
  // The manager deleted what was left.
  EXPECT_EQ(g_events.back(), "delete beta");
}

TEST_F(ResourceManagerTest, StaleReportRemovedAndNoneWrittenWhenClean) {
  const auto report = tmp.Write("TestResource_ResMgr.log", "stale");
  ASSERT_TRUE(std::filesystem::exists(report));
  {
    ResourceManager manager("TestResource");
    EXPECT_FALSE(std::filesystem::exists(report));
    manager.GetOrLoad<TestResource>("a")->Release();
  }
  EXPECT_FALSE(std::filesystem::exists(report));
}

TEST_F(ResourceManagerTest, ReportGoesToTheBaseDirectoryByDefault) {
  ResourceManager::SetReportDir("");
  ResourceManager manager("TestResource");
  // Started or not, the file system names the executable's folder.
  EXPECT_EQ(manager.GetReportPath(), std::string(KAZ_BIN_DIR) + "/TestResource_ResMgr.log");
}

}  // namespace
