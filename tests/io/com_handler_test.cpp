#include <gtest/gtest.h>

#include "base/error.h"
#include "base/temp_directory.h"
#include "io/connection.h"
#include "handler_log.h"
#include "io/com_handler.h"

namespace dodu::testing {
namespace {

TEST(ComHandlerTest, AnswersAtOnceAndWritesNothing) {
  TempDirectory dir;
  kConnection connection;
  connection.fConnectionType = qvConnectionType::Com;
  connection.ConnectTimeOut(700);
  kIOHandler_Com handler(&connection, dir / "logs", "COMH");
  EXPECT_TRUE(handler.GetConnected());  // also before Connect
  EXPECT_EQ(handler.ConnectTimeout(), 700);
  EXPECT_TRUE(handler.Connect());
  EXPECT_NE(LogText(handler).find(" - kIOHandler_Com\r\n"), std::string::npos);
  for (const std::string text : {"", "x", "<receipt/>"}) EXPECT_FALSE(handler.Write(text)) << text;
  EXPECT_FALSE(handler.ErrorFound());  // a refused write leaves no error state
  EXPECT_EQ(handler.ReadUpTo({10}), "");
  EXPECT_EQ(handler.ReadChars(3), "");
  EXPECT_EQ(handler.DecodeError(2), "");
  handler.ClearBuffers();
  handler.SetParameter("a", "b");
  EXPECT_TRUE(handler.Disconnect());
  EXPECT_TRUE(handler.GetConnected());
  try {
    handler.ReadAll();
    ADD_FAILURE() << "ReadAll must raise";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "ReadAll Unsupported");
  }
  try {
    handler.InputBufferContainsData();
    ADD_FAILURE() << "InputBufferContainsData must raise";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "InputBufferContainsData Unsupported");
  }
}

}  // namespace
}  // namespace dodu::testing
