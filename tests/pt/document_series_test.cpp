#include <gtest/gtest.h>

#include "base/error.h"
#include "base/temp_directory.h"
#include "pt/document_series.h"

namespace dodu {
namespace {

TEST(DocumentSeries, CodeFromTemplate) {
  struct Case {
    const char* pattern;
    int year;
    const char* subType;
    const char* code;
  };
  const Case cases[] = {
      {"{{DocumentType}}{{YYYY}}{{Till}}", 2024, "", "FR202403"},
      {"{{documenttype}}{{yy}}-{{DD}}", 2024, "", "FR24-02"},
      {"{{DOCUMENTTYPE}}{{Store}}/{{MM}}", 2024, "", "FRS01/02"},
      {"{{YY}}{{yy}}", 2005, "", "55"},
      {"{{YYYY}}{{Till}}{{YYYY}}", 2024, "", "2024032024"},
      {"FIX{{Unknown}}", 2024, "", "FIX{{Unknown}}"},
      {"{{DocumentType}}{{YYYY}}{{Store}}", 2024, "M", "FR2024S01M"},
      {"{{DocumentType}}{{YYYY}}{{Store}}", 2024, "D", "FR2024S01D"},
      {"{{DocumentType}}{{YYYY}}{{Store}}", 2024, "m", "FR2024S01"},
      {"{{DocumentType}}{{YYYY}}{{Store}}", 2024, "X", "FR2024S01"},
      {"{{DocumentType}}{{YYYY}}{{Store}}", 2024, "MD", "FR2024S01"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildSeriesCode(c.pattern, "FR", "S01", "03", EncodeDate(c.year, 2, 9), c.subType), c.code)
        << c.pattern << " " << c.subType;
  }
}

TEST(DocumentSeries, InvoiceNumberAndATCUD) {
  EXPECT_EQ(BuildInvoiceNumber("FR", "FR2023A", 42), "FR FR2023A/0000042");
  EXPECT_EQ(BuildInvoiceNumber("NC", "NC2024S01", 1), "NC NC2024S01/0000001");
  EXPECT_EQ(BuildATCUD("AAJFJ2K6", 42), "AAJFJ2K6-0000042");
  EXPECT_EQ(BuildATCUD("AAJFJ2K6", 12345678), "AAJFJ2K6-2345678");
}

TEST(DocumentSeries, CheckFileLivesInPTCheckBesideTheHost) {
  testing::ScopedEnvironment host("QV_HOST_DIR", "/opt/till/");
  EXPECT_EQ(CheckFileName("FR2024S01"), "/opt/till/PT_Check/FR2024S01.b64");
  for (const char* code : {"FR/2024", "../FR", "FR<1>", "FR\\1", "FR|1", "FR\x01", "FR?", "FR*"}) {
    try {
      CheckFileName(code);
      ADD_FAILURE() << "accepted " << code;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Invalid characters in path") << code;
    }
  }
}

TEST(DocumentSeries, CheckNumberIsTheDecryptedDecimalOrZero) {
  const std::pair<const char*, int32_t> cases[] = {{"41", 41}, {"0", 0}, {"", 0}, {"4x", 0}, {" 4", 0},
                                                    {"4 ", 0}, {"99999999999", 0}};
  for (const auto& [text, number] : cases) EXPECT_EQ(CheckNumberOf(text), number) << "'" << text << "'";
}

}  // namespace
}  // namespace dodu
