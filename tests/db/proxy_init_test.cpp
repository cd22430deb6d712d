// Init from the store application's vdz.ini beside the host executable, and the setup file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "base/conversions.h"
#include "platform/files.h"
#include "platform/process.h"
#include "proxy_engines.h"

namespace dodu::testing {
namespace {

class ProxyInitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (FileExists(WindowsDirectory() + "vdz.ini"))
      GTEST_SKIP() << WindowsDirectory() << "vdz.ini exists on this machine and would be read first";
    const char* old = getenv("QV_HOST_DIR");
    if (old != nullptr) fOldHostDir = old;
    setenv("QV_HOST_DIR", directory.Path().c_str(), 1);
    OverrideCommandLineArguments(std::vector<std::string>{});
    proxy.SetEngine(dbe_SQLite);
    proxy.SetNotifyHandler([this](int32_t, const std::string& text) { notices.push_back(text); });
    proxy.SetLogHandler([](tQV_MessageType, const std::string&) {});
  }
  void TearDown() override {
    OverrideCommandLineArguments(std::nullopt);
    if (fOldHostDir.empty()) unsetenv("QV_HOST_DIR");
    else setenv("QV_HOST_DIR", fOldHostDir.c_str(), 1);
  }

  void Write(const std::string& name, const std::string& text) { std::ofstream(directory.File(name)) << text; }
  void WriteVdzIni() {
    Write("vdz.ini", "[relaydesk]\nx=1\n[STORE]\nCfg_DataSource=SRV\nCfg_DbName = " + directory.File("store.db") +
                         "\nCfg_UserName=\nCfg_EnvType=Test\nCfg_DbNameLocal=" + directory.File("local.db") +
                         "\n[OTHER2]\nCfg_DbName=" + directory.File("other.db") + "\n");
  }

  TempDirectory directory;
  std::string fOldHostDir;
  std::vector<std::string> notices;
  tQV_VendizioProxy proxy;
};

TEST_F(ProxyInitTest, WithoutVdzIniNothingIsTried) {
  EXPECT_FALSE(proxy.Init(false));
  EXPECT_FALSE(proxy.Active());
  EXPECT_EQ(notices, std::vector<std::string>{"vdz.ini file non found."});
  EXPECT_EQ(proxy.Connection(), nullptr);
  EXPECT_EQ(proxy.IniFileName(), "");
}

TEST_F(ProxyInitTest, TheFirstEnvironmentOfTheFileIsRead) {
  WriteVdzIni();
  ASSERT_TRUE(proxy.Init(false)) << proxy.ConnectionError();
  EXPECT_TRUE(proxy.Active());
  EXPECT_EQ(proxy.IniFileName(), directory.File("vdz.ini"));
  EXPECT_EQ(proxy.Environment(), "STORE");
  EXPECT_TRUE(proxy.TestEnvironment());
  EXPECT_EQ(proxy.DataSource(), "SRV");
  EXPECT_EQ(proxy.DbName(), directory.File("store.db"));
  EXPECT_EQ(proxy.User(), UserName());
  EXPECT_TRUE(FileExists(directory.File("store.db")));
}

TEST_F(ProxyInitTest, SwitchesChooseEnvironmentLocalSettingsAndUser) {
  WriteVdzIni();
  OverrideCommandLineArguments(std::vector<std::string>{"/ENV:other2|x", "/LOC", "/U:mario"});
  ASSERT_FALSE(proxy.Init(false));  // OTHER2 has no local database name
  EXPECT_EQ(proxy.Environment(), "other2");
  EXPECT_EQ(proxy.DbName(), "");
  EXPECT_FALSE(proxy.TestEnvironment());
  EXPECT_EQ(proxy.User(), "mario");

  OverrideCommandLineArguments(std::vector<std::string>{"/LOC", "/U:mario"});
  proxy.SetForcedUser("forced");
  ASSERT_TRUE(proxy.Init(false)) << proxy.ConnectionError();
  EXPECT_EQ(proxy.DbName(), directory.File("local.db"));
  EXPECT_EQ(proxy.User(), "forced");

  OverrideCommandLineArguments(std::vector<std::string>{"/ENV:MISSING"});
  EXPECT_FALSE(proxy.Init(false));
  EXPECT_EQ(notices.back(), "Environment MISSING non esistente");
  EXPECT_FALSE(proxy.Active());
}

TEST_F(ProxyInitTest, SingleInstanceTakesTheProgramLockUntilTheProxyGoes) {
  WriteVdzIni();
  {
    tQV_VendizioProxy setup;
    SqliteEngine::Configure(setup, directory.File("store.db"));
    ASSERT_TRUE(setup.Connect());
    setup.ExecuteSQLCommand(
        "create table aplck00f (TYPE varchar(3), NAME varchar(50), IDENTIFIER integer, TIMELCK datetime, "
        "SPID integer, SPTM datetime, VDZUSER varchar(50), PCNAME varchar(50), PGMNAME varchar(50), "
        "PGMPARAM varchar(250), annullato char(1), primary key (TYPE, NAME, IDENTIFIER))");
  }
  auto locked = std::make_unique<tQV_VendizioProxy>();
  locked->SetEngine(dbe_SQLite);
  ASSERT_TRUE(locked->Init(true));
  EXPECT_TRUE(locked->SingleInstance());
  EXPECT_TRUE(locked->Exists(nt_aplck, {"PGM", ExeBaseName(), 0}));

  // A second instance is refused while the first one lives, and going away it leaves the
  // first one's lock alone.
  {
    tQV_VendizioProxy second;
    second.SetEngine(dbe_SQLite);
    second.SetNotifyHandler([this](int32_t, const std::string& text) { notices.push_back(text); });
    EXPECT_FALSE(second.Init(true));
  }
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("Programma già in uso"), std::string::npos);
  EXPECT_TRUE(locked->Exists(nt_aplck, {"PGM", ExeBaseName(), 0}));

  locked.reset();
  ASSERT_TRUE(proxy.Init(false));
  EXPECT_FALSE(proxy.Exists(nt_aplck, {"PGM", ExeBaseName(), 0}));
}

TEST_F(ProxyInitTest, SetupFilePerComputerFirst) {
  Write(IniFileName(true), "Shared=1\nFLAG\n");
  proxy.LoadSetup();
  EXPECT_EQ(proxy.GetSetupValue("shared"), "1");
  Write(IniFileName(false), "Printer=LPT1\nFastMode\nName=a=b\n");
  proxy.LoadSetup();
  EXPECT_EQ(proxy.GetSetupValue("PRINTER"), "LPT1");
  EXPECT_EQ(proxy.GetSetupValue("name"), "a=b");
  EXPECT_EQ(proxy.GetSetupValue("Shared"), "");
  EXPECT_TRUE(proxy.ExistsSetupValue("fastmode"));
  EXPECT_FALSE(proxy.ExistsSetupValue("Printer"));  // a name=value line does not count
  EXPECT_FALSE(proxy.ExistsSetupValue("FLAG"));
}

}  // namespace
}  // namespace dodu::testing
