// The processor's small operations that no export reaches: training mode and the open day.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "driver/fiscal_processor_handler.h"
#include "pt/fiscal_processor_pt.h"
#include "support/driver_library.h"
#include "support/file_wait.h"
#include "support/store_fixture.h"

namespace dodu {
namespace {

TEST(TrainingModeTest, StatusAndCountersFileReportIt) {
  testing::StoreFixture store;
  kFiscalProcessorHandler handler;
  handler.Deserialize(testing::Envelope(0, "T01"), {});
  kFiscalProcessor_PT processor(handler);
  ASSERT_TRUE(processor.Open(handler));
  EXPECT_FALSE(processor.IsDayOpened());

  EXPECT_TRUE(processor.SetTrainingMode());
  ASSERT_TRUE(processor.ProcessGetStatus(handler));
  EXPECT_TRUE(processor.fStatus.TrainingMode);
  EXPECT_FALSE(processor.fStatus.DayOpened);
  EXPECT_EQ(processor.fStatus.FiscalMode, "RT");
  EXPECT_EQ(processor.fStatus.SerialNumber, "T01");

  pugi::xml_document counters;
  ASSERT_TRUE(counters.load_file((store.DataDir() / "T01" / "counters.actual.fprc").c_str()));
  EXPECT_STREQ(counters.child("FPRCounters").child_value("TrainingMode"), "True");

  counters.child("FPRCounters").child("CurrentReceiptNo").text().set(1);
  ASSERT_TRUE(counters.save_file((store.DataDir() / "T01" / "counters.actual.fprc").c_str()));
  EXPECT_TRUE(processor.IsDayOpened());
}

}  // namespace
}  // namespace dodu
