#include <cups/cups.h>
#include <cups/raster.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "base/error.h"
#include "base/temp_directory.h"
#include "io/connection.h"
#include "io/spool_handler.h"
#include "private_cups_server.h"

namespace dodu {
namespace {

using testing::PrivateCupsServer;
using testing::TempDirectory;

std::unique_ptr<kIOHandler_Spool> SpoolHandler(const std::string& printer, qvSpoolOutputType type) {
  kConnection connection;
  connection.fConnectionType = qvConnectionType::Spool;
  connection.fPrinterName = printer;
  auto handler = std::make_unique<kIOHandler_Spool>(&connection, "", "");
  handler->SetOutputType(type);
  return handler;
}

TEST(SpoolHandlerStreamTest, NothingCanBeReadFromAPrinter) {
  auto handler = SpoolHandler("Receipt", qvSpoolOutputType::Raw);
  EXPECT_TRUE(handler->GetConnected());
  EXPECT_TRUE(handler->Connect());
  EXPECT_TRUE(handler->Disconnect());
  EXPECT_EQ(handler->ReadUpTo({10}), "");
  EXPECT_EQ(handler->ReadChars(4), "");
  EXPECT_EQ(handler->DecodeError(5), "");
  try {
    handler->ReadAll();
    ADD_FAILURE() << "ReadAll raised nothing";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "ReadAll Unsupported");
  }
  try {
    handler->InputBufferContainsData();
    ADD_FAILURE() << "InputBufferContainsData raised nothing";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "InputBufferContainsData Unsupported");
  }
}

TEST(SpoolHandlerStreamTest, StartsInNormalOutputWithThePrinterOfTheConnection) {
  kConnection connection;
  connection.fPrinterName = "Front Desk";
  kIOHandler_Spool handler(&connection, "", "");
  EXPECT_EQ(handler.OutputType(), qvSpoolOutputType::Normal);
  EXPECT_EQ(handler.PrinterName(), "Front Desk");
  EXPECT_EQ(handler.ClassName(), "kIOHandler_Spool");
}

// Each test runs its own scheduler: jobs go through the real print system into files.
class SpoolHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (!server_.Start(reason)) GTEST_SKIP() << "no CUPS scheduler for this test: " << reason;
  }

  TempDirectory dir_;
  PrivateCupsServer server_{dir_.Path()};
};

struct CodePageCase {
  const char* name;
  int32_t code_page;
  const char* text;
  std::string bytes;
};

class SpoolRawTextTest : public SpoolHandlerTest, public ::testing::WithParamInterface<CodePageCase> {};

TEST_P(SpoolRawTextTest, PrintsTheTextInTheCodePageAsOneRawJob) {
  const CodePageCase& c = GetParam();
  auto handler = SpoolHandler("Receipt", qvSpoolOutputType::Raw);
  handler->SetCodePage(c.code_page);
  ASSERT_TRUE(handler->Write(c.text)) << handler->ErrorMessage();
  std::string job;
  EXPECT_EQ(server_.TakeOutput("Receipt", &job), c.bytes);
  EXPECT_EQ(job.substr(0, job.find('\n')), "KRV Receipt");
  EXPECT_NE(job.find("document-name-supplied=KRV\\ Receipt"), std::string::npos) << job;
  EXPECT_FALSE(handler->ErrorFound());
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, SpoolRawTextTest,
    ::testing::Values(CodePageCase{"Windows1252", 1252, "Olá", "\x4F\x6C\xE1"},
                      // Below 1: the ANSI code page, Windows-1252 here (the euro sign is 0x80).
                      CodePageCase{"AnsiWhenZero", 0, "€ 5", "\x80 5"},
                      CodePageCase{"AnsiWhenNegative", -3, "Olá", "\x4F\x6C\xE1"},
                      CodePageCase{"Dos850", 850, "Olá", "\x4F\x6C\xA0"},
                      // A character the code page lacks becomes its default character.
                      CodePageCase{"MissingCharacter", 1252, "Ωk", "?k"},
                      CodePageCase{"Utf8", 65001, "Olá", "Ol\xC3\xA1"}),
    [](const ::testing::TestParamInfo<CodePageCase>& info) { return std::string(info.param.name); });

TEST_F(SpoolHandlerTest, WriteBytesSendsTheBytesUnchanged) {
  auto handler = SpoolHandler("Receipt", qvSpoolOutputType::Normal);  // WriteBytes is always raw
  const std::string bytes("\x1B@\x00\xFF\n", 5);
  ASSERT_TRUE(handler->WriteBytes(bytes)) << handler->ErrorMessage();
  EXPECT_EQ(server_.TakeOutput("Receipt"), bytes);
}

TEST_F(SpoolHandlerTest, AnEmptyWriteBytesIsStillAJob) {
  auto handler = SpoolHandler("Receipt", qvSpoolOutputType::Raw);
  ASSERT_TRUE(handler->WriteBytes("")) << handler->ErrorMessage();
  // The print system keeps no document of no bytes: the job exists and prints nothing.
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "Receipt", 0, CUPS_WHICHJOBS_ALL);
  ASSERT_EQ(count, 1) << cupsLastErrorString();
  EXPECT_STREQ(jobs[0].title, "KRV Receipt");
  EXPECT_GE(jobs[0].state, IPP_JOB_CANCELED);  // finished
  cupsFreeJobs(count, jobs);
  // The next job's bytes are the first to reach the printer.
  ASSERT_TRUE(handler->WriteBytes("z"));
  EXPECT_EQ(server_.TakeOutput("Receipt"), "z");
}

TEST_F(SpoolHandlerTest, RawOutputPassesTheNameAsItIs) {
  // The print system itself matches queue names without regard to case.
  auto handler = SpoolHandler("rECEIPT", qvSpoolOutputType::Raw);
  ASSERT_TRUE(handler->Write("x")) << handler->ErrorMessage();
  EXPECT_EQ(server_.TakeOutput("Receipt"), "x");
  const std::string requests = server_.AccessLog();
  EXPECT_NE(requests.find("/printers/rECEIPT"), std::string::npos) << requests;
}

TEST_F(SpoolHandlerTest, RawOutputToAMissingPrinterAnswersFalseWithTheSystemsReason) {
  auto handler = SpoolHandler("Nowhere", qvSpoolOutputType::Raw);
  handler->SetCustomError(7, "earlier");
  EXPECT_FALSE(handler->Write("x"));
  EXPECT_EQ(handler->ErrorMessage(), "The printer or class does not exist.");
  // Only the message changes.
  EXPECT_TRUE(handler->ErrorFound());
  EXPECT_EQ(handler->ErrorCode(), 7);
  EXPECT_FALSE(handler->WriteBytes(""));
  EXPECT_EQ(handler->ErrorMessage(), "The printer or class does not exist.");
}

TEST_F(SpoolHandlerTest, RawOutputInAnUnknownCodePageAnswersFalse) {
  auto handler = SpoolHandler("Receipt", qvSpoolOutputType::Raw);
  handler->SetCodePage(99999);
  EXPECT_FALSE(handler->Write("x"));
  EXPECT_NE(handler->ErrorMessage().find("99999"), std::string::npos) << handler->ErrorMessage();
}

// The printed page as the printer receives it: a PWG raster page of grey bytes.
struct Page {
  unsigned width = 0, height = 0, xdpi = 0, ydpi = 0, pages = 0;
  std::vector<unsigned char> pixels;
  unsigned char At(unsigned x, unsigned y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Page ReadPage(const std::string& bytes, const std::string& scratch) {
  {
    std::ofstream(scratch, std::ios::binary) << bytes;
  }
  Page page;
  const int fd = open(scratch.c_str(), O_RDONLY);
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  cups_page_header2_t header;
  while (raster != nullptr && cupsRasterReadHeader2(raster, &header)) {
    ++page.pages;
    page.width = header.cupsWidth;
    page.height = header.cupsHeight;
    page.xdpi = header.HWResolution[0];
    page.ydpi = header.HWResolution[1];
    page.pixels.assign(static_cast<size_t>(header.cupsBytesPerLine) * header.cupsHeight, 0);
    for (unsigned y = 0; y < header.cupsHeight; ++y) {
      cupsRasterReadPixels(raster, page.pixels.data() + static_cast<size_t>(y) * header.cupsBytesPerLine,
                           header.cupsBytesPerLine);
    }
  }
  if (raster != nullptr) cupsRasterClose(raster);
  close(fd);
  return page;
}

TEST_F(SpoolHandlerTest, NormalOutputCentresTheScaledBitmapOnOnePageOfAPrinterFoundWithoutCase) {
  // 300 x 100 pixels, the left half black: at 203 dpi it becomes 203 x 67.
  kSpoolBitmap bitmap;
  bitmap.fWidth = 300;
  bitmap.fHeight = 100;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 300; ++x) bitmap.fPixels.push_back(x < 150 ? 0 : 255);
  auto handler = SpoolHandler("sLIP", qvSpoolOutputType::Normal);
  handler->SetBitmap(&bitmap);
  ASSERT_TRUE(handler->Write("not printed"));

  std::string job;
  const Page page = ReadPage(server_.TakeOutput("Slip", &job), dir_ / "page.pwg");
  EXPECT_EQ(job.substr(0, job.find('\n')), "Tillora Spool Output");
  // The job goes to the installed printer under its own name.
  const std::string requests = server_.AccessLog();
  EXPECT_NE(requests.find("/printers/Slip "), std::string::npos) << requests;
  EXPECT_EQ(requests.find("/printers/sLIP"), std::string::npos) << requests;
  ASSERT_EQ(page.pages, 1u);
  // 80 x 200 mm at 203 dpi.
  EXPECT_EQ(page.width, 639u);
  EXPECT_EQ(page.height, 1598u);
  EXPECT_EQ(page.xdpi, 203u);
  EXPECT_EQ(page.ydpi, 203u);
  // Printable 559 x 1439 from (40, 80): the image starts at 40 + (559 - 203) / 2 = 218 and
  // 80 + (1439 - 67) / 2 = 766; its black half covers source columns 0..149, page columns
  // 218..319.
  unsigned black = 0, left = page.width, right = 0, top = page.height, bottom = 0;
  for (unsigned y = 0; y < page.height; ++y) {
    for (unsigned x = 0; x < page.width; ++x) {
      if (page.At(x, y) != 0) continue;
      ++black;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_EQ(left, 218u);
  EXPECT_EQ(right, 319u);
  EXPECT_EQ(top, 766u);
  EXPECT_EQ(bottom, 832u);
  EXPECT_EQ(black, 102u * 67u);
}

TEST_F(SpoolHandlerTest, NormalOutputToAMissingPrinterRaises) {
  kSpoolBitmap bitmap{1, 1, {0}};
  auto handler = SpoolHandler("Nowhere", qvSpoolOutputType::Normal);
  handler->SetBitmap(&bitmap);
  try {
    handler->Write("");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "kIOHandler_Spool.WriteNormal: Printer Nowhere not found");
  }
}

TEST_F(SpoolHandlerTest, NormalOutputNeedsAPrinterThatDescribesItsPage) {
  kSpoolBitmap bitmap{1, 1, {0}};
  auto handler = SpoolHandler("Receipt", qvSpoolOutputType::Normal);  // a raw queue knows no page
  handler->SetBitmap(&bitmap);
  try {
    handler->Write("");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "kIOHandler_Spool.WriteNormal: Printer Receipt reports no default media");
  }
  auto without_bitmap = SpoolHandler("Slip", qvSpoolOutputType::Normal);
  EXPECT_THROW(without_bitmap->Write(""), Error);
}

}  // namespace
}  // namespace dodu
