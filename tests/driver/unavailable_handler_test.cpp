// Connection types without a handler in this build: the processor keeps its log and error
// channel, and every use of the device says why it cannot work.
#include <gtest/gtest.h>

#include <functional>

#include "base/error.h"
#include "driver/device_handler.h"
#include "driver_world.h"
#include "io/unavailable_handler.h"

namespace dodu::testing {
namespace {

class UnavailableHandlerTest : public DriverWorld {};

TEST_F(UnavailableHandlerTest, ConnectFailsWithAReasonAndDeviceOperationsRaise) {
  const std::vector<std::pair<std::string, std::string>> types = {
      {"SERIAL", "kIOHandler_Serial"},
      {"HTTP", "kIOHandler_HTTP"},
      {"DLL", "kIOHandler_Dll"},
      {"COM", "kIOHandler_Com"},
  };
  for (const auto& [type, class_name] : types) {
    SCOPED_TRACE(type);
    kDeviceHandler device;
    device.Deserialize("<D><Driver>DRV</Driver><LogId>" + type + "</LogId><Connection><Type>" + type +
                       "</Type><Parity>Odd</Parity></Connection></D>");
    std::unique_ptr<kIOHandler> handler = device.CreateIOHandler((root_ / "logs").string());
    ASSERT_NE(dynamic_cast<kIOHandler_Unavailable*>(handler.get()), nullptr);
    const std::string reason = "Connection type " + type + " (" + class_name + ") is not available in this build";

    EXPECT_FALSE(handler->Connected());
    EXPECT_FALSE(handler->Connect());
    EXPECT_TRUE(handler->ErrorFound());
    EXPECT_EQ(handler->ErrorMessage(), reason);
    EXPECT_EQ(handler->DecodeError(1), reason);

    const std::vector<std::pair<const char*, std::function<void()>>> operations = {
        {"Write", [&] { handler->Write("x"); }},
        {"ReadAll", [&] { handler->ReadAll(); }},
        {"ReadUpTo", [&] { handler->ReadUpTo({3}); }},
        {"ReadChars", [&] { handler->ReadChars(1); }},
        {"InputBufferContainsData", [&] { handler->InputBufferContainsData(); }},
        {"ClearBuffers", [&] { handler->ClearBuffers(); }},
        {"Disconnect", [&] { handler->Disconnect(); }},
        {"SetParameter", [&] { handler->SetParameter("a", "b"); }},
    };
    for (const auto& [name, operation] : operations) {
      try {
        operation();
        ADD_FAILURE() << name << " did not raise";
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), reason) << name;
      }
    }

    // The attempt is in the handler's log, as the TCP handler logs its own.
    handler->Logger()->Flush();
    std::ifstream in(handler->GetLogFileName(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find(" - " + class_name + "\r\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find(" - ERROR - Connect Error:" + reason + "\r\n"), std::string::npos) << text.str();
  }
}

}  // namespace
}  // namespace dodu::testing
