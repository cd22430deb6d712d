#include "pt/fiscal_processor_counters.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "base/conversions.h"
#include "base/date_time.h"
#include "base/error.h"
#include "base/temp_directory.h"

namespace dodu {
namespace {

using testing::TempDirectory;
using Elements = std::vector<std::pair<std::string, std::string>>;

const std::vector<std::string> kElementOrder = {
    "TillSerial",      "CreatedAt",         "LastUpdatedAt",       "CurrentReceiptNo", "CurrentZReportNo",
    "DailyTotal",      "DailySales",        "DailyRefunds",        "DailyVoids",       "DailyDiscounts",
    "GrandTotalTotal", "GrandTotalSales",   "GrandTotalRefunds",   "GrandTotalVoids",  "GrandTotalDiscounts",
    "TrainingMode",    "LastHash"};

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The children of the file's FPRCounters element, in file order.
Elements ReadElements(const std::string& path) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_file(path.c_str())) << path;
  EXPECT_STREQ(document.document_element().name(), "FPRCounters");
  Elements elements;
  for (pugi::xml_node child : document.document_element().children())
    elements.emplace_back(child.name(), child.text().get());
  return elements;
}

std::string Value(const Elements& elements, const std::string& name) {
  for (const auto& [key, value] : elements)
    if (key == name) return value;
  ADD_FAILURE() << name << " is missing";
  return "";
}

// A counters file as another day of the till left it; `changes` replace or drop (nullptr) values.
std::string CountersXml(const std::vector<std::pair<std::string, const char*>>& changes = {}) {
  Elements elements = {{"TillSerial", "T01"},        {"CreatedAt", "2024-01-02T03:04:05"},
                       {"LastUpdatedAt", "2024-02-08T21:00:00"},
                       {"CurrentReceiptNo", "3"},    {"CurrentZReportNo", "7"},
                       {"DailyTotal", "8"},          {"DailySales", "10"},
                       {"DailyRefunds", "1.5"},      {"DailyVoids", "0.5"},
                       {"DailyDiscounts", "0.25"},   {"GrandTotalTotal", "900"},
                       {"GrandTotalSales", "1000"},  {"GrandTotalRefunds", "75"},
                       {"GrandTotalVoids", "25"},    {"GrandTotalDiscounts", "12.5"},
                       {"TrainingMode", "True"},     {"LastHash", "abc="}};
  std::string xml = "<?xml version=\"1.0\"?>\n<FPRCounters>\n";
  for (const auto& [name, value] : elements) {
    const char* text = value.c_str();
    bool dropped = false;
    for (const auto& [changed, replacement] : changes)
      if (changed == name) {
        text = replacement;
        dropped = replacement == nullptr;
      }
    if (!dropped) xml += "\t<" + name + ">" + text + "</" + name + ">\n";
  }
  return xml + "</FPRCounters>\n";
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no error)";
}

class FiscalProcessorCountersTest : public ::testing::Test {
 protected:
  std::string FilesInDirectory() {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
      names += entry.path().filename().string() + " ";
    return names;
  }

  TempDirectory dir_;
  const std::string file_ = dir_ / "counters.actual.fprc";
};

TEST_F(FiscalProcessorCountersTest, NewFileHoldsAFreshDayInTheFixedOrder) {
  kFiscalProcessorCounters counters;
  counters.Init(file_, "T01");

  Elements elements = ReadElements(file_);
  std::vector<std::string> names;
  for (const auto& element : elements) names.push_back(element.first);
  EXPECT_EQ(names, kElementOrder);

  const std::regex dateTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)");
  EXPECT_EQ(Value(elements, "TillSerial"), "T01");
  EXPECT_TRUE(std::regex_match(Value(elements, "CreatedAt"), dateTime)) << Value(elements, "CreatedAt");
  EXPECT_TRUE(std::regex_match(Value(elements, "LastUpdatedAt"), dateTime)) << Value(elements, "LastUpdatedAt");
  EXPECT_EQ(Value(elements, "CurrentReceiptNo"), "0");
  EXPECT_EQ(Value(elements, "CurrentZReportNo"), "1");
  for (size_t i = 5; i < 15; ++i) EXPECT_EQ(Value(elements, kElementOrder[i]), "0") << kElementOrder[i];
  EXPECT_EQ(Value(elements, "TrainingMode"), "False");
  EXPECT_EQ(Value(elements, "LastHash"), "");

  EXPECT_EQ(counters.CurrentZReportNo(), 1);
  EXPECT_FALSE(counters.CreatedAt().IsZero());
}

TEST_F(FiscalProcessorCountersTest, SaleThenRefundKeepTheTotalsConsistent) {
  kFiscalProcessorCounters counters;
  counters.Init(file_, "T01");

  ASSERT_TRUE(counters.Update(rt_Sale, Amount::Parse("12.3456"), "hash-1"));
  Elements afterSale = ReadElements(file_);
  EXPECT_EQ(Value(afterSale, "CurrentReceiptNo"), "1");
  EXPECT_EQ(Value(afterSale, "DailySales"), "12.3456");
  EXPECT_EQ(Value(afterSale, "DailyTotal"), "12.3456");
  EXPECT_EQ(Value(afterSale, "GrandTotalSales"), "12.3456");

  ASSERT_TRUE(counters.Update(rt_Refund, Amount::Parse("2"), "hash-2"));
  Elements afterRefund = ReadElements(file_);
  EXPECT_EQ(Value(afterRefund, "CurrentReceiptNo"), "2");
  EXPECT_EQ(Value(afterRefund, "DailyRefunds"), "2");
  EXPECT_EQ(Value(afterRefund, "DailyTotal"), "10.3456");
  EXPECT_EQ(Value(afterRefund, "GrandTotalRefunds"), "2");
  EXPECT_EQ(Value(afterRefund, "GrandTotalTotal"), "10.3456");
  EXPECT_EQ(counters.GrandTotalTotal(), Amount::Parse("10.3456"));
  // The document's own hash is not kept.
  EXPECT_EQ(Value(afterRefund, "LastHash"), "");
}

TEST_F(FiscalProcessorCountersTest, EachDocumentTypeMovesItsOwnTotals) {
  struct Case {
    qvReceiptType type;
    const char* amount;
    const char* sales;
    const char* refunds;
    const char* voids;
    const char* total;
  } cases[] = {
      {rt_Sale, "4.5", "14.5", "1.5", "0.5", "12.5"},
      {rt_Refund, "2", "10", "3.5", "0.5", "6"},
      {rt_Refund, "-2", "10", "3.5", "0.5", "6"},  // a credit note counts positive whatever its sign
      {rt_Void, "3", "10", "1.5", "3.5", "5"},
      {rt_InvoiceSale, "99", "10", "1.5", "0.5", "8"},
      {rt_InvoiceSaleFromReceipt, "99", "10", "1.5", "0.5", "8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + c.amount);
    WriteBytes(file_, CountersXml());
    kFiscalProcessorCounters counters;
    counters.Init(file_, "T01");
    ASSERT_TRUE(counters.Update(c.type, Amount::Parse(c.amount), ""));
    Elements elements = ReadElements(file_);
    EXPECT_EQ(Value(elements, "CurrentReceiptNo"), "4");
    EXPECT_EQ(Value(elements, "DailySales"), c.sales);
    EXPECT_EQ(Value(elements, "DailyRefunds"), c.refunds);
    EXPECT_EQ(Value(elements, "DailyVoids"), c.voids);
    EXPECT_EQ(Value(elements, "DailyTotal"), c.total);
    // The grand totals move by the same amount as the day's.
    Amount moved = Amount::Parse(c.total) - Amount::Parse("8");
    EXPECT_EQ(Amount::Parse(Value(elements, "GrandTotalTotal")), Amount::Parse("900") + moved);
    EXPECT_EQ(Value(elements, "DailyDiscounts"), "0.25");
    EXPECT_EQ(Value(elements, "GrandTotalDiscounts"), "12.5");
    EXPECT_EQ(Value(elements, "CreatedAt"), "2024-01-02T03:04:05");
    EXPECT_NE(Value(elements, "LastUpdatedAt"), "2024-02-08T21:00:00");
    EXPECT_EQ(Value(elements, "TrainingMode"), "True");
  }
}

TEST_F(FiscalProcessorCountersTest, EveryChangeStartsFromTheFile) {
  kFiscalProcessorCounters first, second;
  first.Init(file_, "T01");
  second.Init(file_, "T01");
  first.Update(rt_Sale, Amount::Parse("1"), "");
  second.Update(rt_Sale, Amount::Parse("2"), "");
  first.Update(rt_Sale, Amount::Parse("4"), "");
  EXPECT_EQ(first.DailySales(), Amount::Parse("7"));
  EXPECT_EQ(first.CurrentReceiptNo(), 3);
  EXPECT_EQ(Value(ReadElements(file_), "DailySales"), "7");
}

TEST_F(FiscalProcessorCountersTest, LastHashIsWrittenButNeverReadBack) {
  kFiscalProcessorCounters counters;
  counters.Init(file_, "T01");
  counters.SetLastHash("previous-signature");
  counters.SetCurrentReceiptNo(41);  // the series' last number, until the next refresh
  ASSERT_TRUE(counters.Update(rt_Sale, Amount::Parse("1"), "own-signature"));
  EXPECT_EQ(Value(ReadElements(file_), "LastHash"), "previous-signature");
  EXPECT_EQ(counters.CurrentReceiptNo(), 1);

  WriteBytes(file_, CountersXml({{"LastHash", "from-file"}}));
  counters.Refresh();
  EXPECT_EQ(counters.LastHash(), "previous-signature");
}

TEST_F(FiscalProcessorCountersTest, ZClosesTheDayAndKeepsTheGrandTotals) {
  WriteBytes(file_, CountersXml());
  kFiscalProcessorCounters counters;
  counters.Init(file_, "T01");
  ASSERT_TRUE(counters.Z());

  Elements elements = ReadElements(file_);
  EXPECT_EQ(Value(elements, "CurrentZReportNo"), "8");
  EXPECT_EQ(Value(elements, "CurrentReceiptNo"), "0");
  for (const char* daily : {"DailyTotal", "DailySales", "DailyRefunds", "DailyVoids", "DailyDiscounts"})
    EXPECT_EQ(Value(elements, daily), "0") << daily;
  EXPECT_EQ(Value(elements, "GrandTotalTotal"), "900");
  EXPECT_EQ(Value(elements, "GrandTotalSales"), "1000");
  EXPECT_EQ(Value(elements, "GrandTotalRefunds"), "75");
  EXPECT_EQ(Value(elements, "GrandTotalVoids"), "25");
  EXPECT_EQ(Value(elements, "GrandTotalDiscounts"), "12.5");
  EXPECT_EQ(Value(elements, "TrainingMode"), "True");
  EXPECT_EQ(Value(elements, "TillSerial"), "T01");
  EXPECT_EQ(counters.CurrentZReportNo(), 8);
}

TEST_F(FiscalProcessorCountersTest, TrainingModeReading) {
  struct Case {
    const char* text;  // nullptr: no TrainingMode element
    bool expected;
  } cases[] = {{nullptr, false}, {"False", false}, {"TRUE", true}, {"1", true}, {"0", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(absent)");
    WriteBytes(file_, CountersXml({{"TrainingMode", c.text}}));
    kFiscalProcessorCounters counters;
    counters.Init(file_, "T01");
    EXPECT_EQ(counters.TrainingMode(), c.expected);
  }

  WriteBytes(file_, CountersXml({{"TrainingMode", "yes"}}));
  kFiscalProcessorCounters counters;
  std::string error = ErrorOf([&] { counters.Init(file_, "T01"); });
  EXPECT_EQ(error.rfind("Error in processing node TrainingMode as boolean.\r\n", 0), 0u) << error;
}

TEST_F(FiscalProcessorCountersTest, FileOfAnotherTillIsRefused) {
  const std::string content = CountersXml({{"TillSerial", "T02"}});
  WriteBytes(file_, content);
  kFiscalProcessorCounters counters;
  EXPECT_EQ(ErrorOf([&] { counters.Init(file_, "T01"); }),
            "Till Serial T01 is different from stored value: T02");
  EXPECT_EQ(ErrorOf([&] { counters.Update(rt_Sale, Amount::Parse("1"), ""); }),
            "Till Serial T01 is different from stored value: T02");
  EXPECT_EQ(ReadBytes(file_), content);
}

TEST_F(FiscalProcessorCountersTest, UnreadableFileRaisesAndStaysAsItWas) {
  kFiscalProcessorCounters counters;
  counters.Init(file_, "T01");
  ASSERT_TRUE(counters.Update(rt_Sale, Amount::Parse("5"), ""));

  struct Case {
    const char* what;
    std::string content;
    std::string expectedStart;
  } cases[] = {
      {"truncated", CountersXml().substr(0, 120), "Counters file " + file_ + " cannot be read: "},
      {"empty", "", "Counters file " + file_ + " cannot be read: "},
      {"other root", "<Receipt><TillSerial>T01</TillSerial></Receipt>", "Counters file " + file_ + " cannot be read: "},
      {"decimal comma", CountersXml({{"DailySales", "12,5"}}), "Error in processing node DailySales as currency.\r\n"},
      {"bad number", CountersXml({{"CurrentZReportNo", "seven"}}),
       "Error in processing node CurrentZReportNo as integer.\r\n"},
      {"date only", CountersXml({{"CreatedAt", "2024-01-02"}}), "Error in processing node CreatedAt as datetime.\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteBytes(file_, c.content);
    std::string error = ErrorOf([&] { counters.Update(rt_Sale, Amount::Parse("1"), ""); });
    EXPECT_EQ(error.rfind(c.expectedStart, 0), 0u) << error;
    EXPECT_EQ(ReadBytes(file_), c.content);
    EXPECT_EQ(ErrorOf([&] { counters.Z(); }).rfind(c.expectedStart, 0), 0u);
    EXPECT_EQ(ReadBytes(file_), c.content);
    // Nothing half-read leaks into memory.
    EXPECT_EQ(counters.CurrentReceiptNo(), 1);
    EXPECT_EQ(counters.DailySales(), Amount::Parse("5"));
    EXPECT_EQ(counters.CurrentZReportNo(), 1);
  }
}

TEST_F(FiscalProcessorCountersTest, FailedSaveLeavesThePreviousFileWhole) {
  // A name that fits the file system but leaves no room for the temporary name beside it: the
  // save fails before anything replaces the file, whoever runs the test.
  const std::string file = dir_ / (std::string(250, 'c') + ".fprc");
  const std::string content = CountersXml();
  WriteBytes(file, content);
  kFiscalProcessorCounters counters;
  counters.Init(file, "T01");

  std::string error = ErrorOf([&] { counters.Update(rt_Sale, Amount::Parse("1"), ""); });
  EXPECT_EQ(error.rfind("Cannot write file " + file, 0), 0u) << error;
  EXPECT_EQ(ReadBytes(file), content);
  EXPECT_EQ(counters.CurrentReceiptNo(), 3);
  EXPECT_EQ(counters.DailySales(), Amount::Parse("10"));
  EXPECT_EQ(FilesInDirectory(), std::string(250, 'c') + ".fprc ");

  kFiscalProcessorCounters reread;
  reread.Init(file, "T01");
  EXPECT_EQ(reread.CurrentZReportNo(), 7);

  // A missing directory fails the same way.
  kFiscalProcessorCounters nowhere;
  EXPECT_EQ(ErrorOf([&] { nowhere.Init(dir_ / "missing/counters.actual.fprc", "T01"); })
                .rfind("Cannot write file ", 0),
            0u);
}

TEST_F(FiscalProcessorCountersTest, PendingFileNamesItsDocumentAndBecomesTheCountersFile) {
  kFiscalProcessorCounters counters;
  counters.Init(file_, "T01");
  counters.Update(rt_Sale, Amount::Parse("3"), "");
  const std::string before = ReadBytes(file_);

  // Series codes may hold any character a file name allows; the name must give them back.
  const CountedDocument issued{false, "FR 2024.A-1", 42, std::string(172, 'h') + "/+=", DateTime()};
  counters.Count(rt_Refund, Amount::Parse("-2.5"));
  const std::string pending = counters.WritePending(issued);
  EXPECT_EQ(ReadBytes(file_), before) << "the counters file waits for the store";

  const std::vector<PendingCounters> found = counters.FindPending();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].fileName, pending);
  EXPECT_FALSE(found[0].document.isVoid);
  EXPECT_EQ(found[0].document.seriesCode, "FR 2024.A-1");
  EXPECT_EQ(found[0].document.number, 42);
  EXPECT_TRUE(issued.hash.starts_with(found[0].document.hash));
  EXPECT_GE(found[0].document.hash.size(), 32u);

  counters.PutInPlace(pending);
  EXPECT_TRUE(counters.FindPending().empty());
  EXPECT_EQ(counters.DailyRefunds(), Amount::Parse("2.5")) << "a credit note counts positive";
  EXPECT_EQ(counters.DailyTotal(), Amount::Parse("0.5"));
  EXPECT_EQ(counters.CurrentReceiptNo(), 2);

  // A void pending and dropped: the counters file and the memory are as before it.
  const std::string kept = ReadBytes(file_);
  counters.CountVoid(false, Amount::Parse("3"));
  const DateTime voided_at = EncodeDateTime({2024, 2, 10, 8, 0, 1, 0});
  const std::string void_pending = counters.WritePending({true, "FR2024A", 7, "", voided_at});
  const std::vector<PendingCounters> voids = counters.FindPending();
  ASSERT_EQ(voids.size(), 1u);
  EXPECT_TRUE(voids[0].document.isVoid);
  EXPECT_EQ(DateTimeToXmlText(false, voids[0].document.voidedAt), "2024-02-10T08:00:01");
  counters.Drop(void_pending);
  EXPECT_EQ(ReadBytes(file_), kept);
  EXPECT_EQ(counters.DailyVoids(), Amount());
  EXPECT_TRUE(counters.FindPending().empty());

  // Files of other names in the till directory are not pending files.
  std::ofstream(dir_ / "counters.pending.zz.fprc") << "x";
  std::ofstream(dir_ / "counters.pending.fprc") << "x";
  EXPECT_TRUE(counters.FindPending().empty());
}

TEST_F(FiscalProcessorCountersTest, VoidsCountByTheKindOfDocumentTheyAnnul) {
  kFiscalProcessorCounters counters;
  counters.Init(file_, "T01");
  counters.Update(rt_Sale, Amount::Parse("10"), "");
  counters.Update(rt_Refund, Amount::Parse("4"), "");
  counters.CountVoid(false, Amount::Parse("10"));
  counters.CountVoid(true, Amount::Parse("-4"));
  counters.Save();
  counters.Refresh();
  EXPECT_EQ(counters.CurrentReceiptNo(), 2) << "a void issues no document";
  EXPECT_EQ(counters.DailySales(), Amount::Parse("10"));
  EXPECT_EQ(counters.DailyRefunds(), Amount());
  EXPECT_EQ(counters.DailyVoids(), Amount::Parse("10"));
  EXPECT_EQ(counters.DailyTotal(), Amount());
  EXPECT_EQ(counters.GrandTotalVoids(), Amount::Parse("10"));
  EXPECT_EQ(counters.GrandTotalTotal(), Amount());
}

}  // namespace
}  // namespace dodu
