// The library handler with a small device library built beside the tests.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/error.h"
#include "base/temp_directory.h"
#include "io/connection.h"
#include "handler_log.h"
#include "io/dll_handler.h"

namespace dodu::testing {
namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

bool LibraryIsLoaded() {
  void* probe = dlopen(DODU_TEST_DEVICE_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  if (probe == nullptr) return false;
  dlclose(probe);
  return true;
}

class DllHandlerTest : public ::testing::Test {
 protected:
  std::unique_ptr<kIOHandler_Dll> Handler(const std::string& library = DODU_TEST_DEVICE_LIBRARY,
                                          const std::string& log_name = "DLL") {
    kConnection connection;
    connection.fConnectionType = qvConnectionType::DLL;
    connection.fLibraryName = library;
    return std::make_unique<kIOHandler_Dll>(&connection, dir_ / "logs", log_name);
  }

  TempDirectory dir_;
};

TEST_F(DllHandlerTest, ExportsAreFoundAndMissingNamesRaise) {
  auto handler = Handler();
  auto twice = reinterpret_cast<int (*)(int)>(handler->GetAddress("dodu_device_double"));
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(twice(21), 42);
  EXPECT_EQ(ErrorOf([&] { handler->GetAddress("dodu_device_missing"); }),
            "Unable to get address for procedure dodu_device_missing");
  EXPECT_EQ(ErrorOf([&] { handler->GetAddress(""); }), "Unable to get address for procedure ");
}

TEST_F(DllHandlerTest, TheLibraryIsUnloadedExactlyOnceWhenTheHandlerGoes) {
  ASSERT_FALSE(LibraryIsLoaded());
  int unloads = 0;
  auto first = Handler();
  auto second = Handler(DODU_TEST_DEVICE_LIBRARY, "DLL2");  // the system counts both loads
  reinterpret_cast<void (*)(int*)>(first->GetAddress("dodu_device_count_unloads"))(&unloads);
  EXPECT_TRUE(first->Connect());
  EXPECT_TRUE(first->Disconnect());  // the library stays loaded
  const std::string log_file = first->GetLogFileName();
  first.reset();
  EXPECT_EQ(unloads, 0);  // the second handler still holds it
  EXPECT_TRUE(LibraryIsLoaded());
  second.reset();
  EXPECT_EQ(unloads, 1);
  EXPECT_FALSE(LibraryIsLoaded());

  const std::string log = std::regex_replace(ReadFileText(log_file), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3})"), "");
  EXPECT_NE(log.find(" - kIOHandler_Dll.Create:Loading DLL " DODU_TEST_DEVICE_LIBRARY "\r\n"
                     " - kIOHandler_Dll.Create:DLL Loaded successfully\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(" - kIOHandler_Dll\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" - kIOHandler_Dll.Destroy:Unloading DLL\r\n - kIOHandler_Dll.Destroy:DLL Unloaded Successfully\r\n"
                     " - *************************** STOP ****************************\r\n"),
            std::string::npos)
      << log;
}

TEST_F(DllHandlerTest, AMissingLibraryFailsTheConstructionWithTheLoadersReason) {
  const std::string missing = dir_ / "no-such-device.so";
  const std::string message = ErrorOf([&] { Handler(missing, "BROKEN"); });
  const std::string start = "Unable to Load Library " + missing + ". ";
  ASSERT_EQ(message.rfind(start, 0), 0u) << message;
  EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;  // the loader's words
  EXPECT_EQ(message.substr(message.size() - 6), " [126]") << message;
  EXPECT_EQ(ErrorOf([&] { Handler(""); }), "Unable to Load Library . No library name given [126]");

  // The half-built handler closed its log.
  std::string log;
  for (const auto& entry : std::filesystem::directory_iterator(dir_ / "logs")) {
    if (entry.path().filename().string().rfind("BROKEN_", 0) == 0) log = ReadFileText(entry.path().string());
  }
  EXPECT_NE(log.find(" - kIOHandler_Dll.Create:Loading DLL " + missing + "\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" - *************************** STOP ****************************\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("DLL Loaded successfully"), std::string::npos) << log;
}

TEST_F(DllHandlerTest, StreamOperationsAnswerAtOnce) {
  auto handler = Handler();
  EXPECT_TRUE(handler->GetConnected());
  EXPECT_TRUE(handler->Write("anything"));
  EXPECT_EQ(handler->ReadUpTo({3}), "");
  EXPECT_EQ(handler->ReadChars(2), "");
  EXPECT_EQ(handler->DecodeError(1), "");
  handler->ClearBuffers();
  handler->SetParameter("a", "b");
  EXPECT_EQ(ErrorOf([&] { handler->ReadAll(); }), "ReadAll Unsupported");
  EXPECT_EQ(ErrorOf([&] { handler->InputBufferContainsData(); }), "InputBufferContainsData Unsupported");
}

}  // namespace
}  // namespace dodu::testing
