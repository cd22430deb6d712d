// The requests and answers of the integrator's guide (docs/examples) sent through the exports on a
// fresh store: each answer must equal its file but for the parts that change per run. Run with
// DODU_REGENERATE_EXAMPLES=1 to write the answers the library gives now into the files instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "support/driver_library.h"
#include "support/environment.h"
#include "support/example_answers.h"
#include "support/file_wait.h"
#include "support/receipt_till.h"
#include "support/store_fixture.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

enum class Export { Open, Receipt, Reprint, XReport, ZReport, Status };

struct Step {
  const char* name;  // docs/examples/<name>.request.xml and .answer.xml
  Export call;
  VolatileParts parts;
};

const fs::path kExamples = fs::path(DODU_SOURCE_DIR) / "docs" / "examples";

bool Regenerating() {
  const char* value = std::getenv("DODU_REGENERATE_EXAMPLES");
  return value != nullptr && std::string(value) == "1";
}

class IntegrationExamples : public ::testing::Test {
 protected:
  void SetUp() override {
    // The guide shows the plain C locale's report form, whatever the machine's locale.
    SetEnvironment("LC_ALL", "C");
    store.AddCompanyAndBranch();
    store.AddSeries(kInvoiceSeries, kInvoiceValidation);
    store.AddSeries(kCreditNoteSeries, kCreditNoteValidation);
  }

  // The request of a step with the handle this process's OPEN gave (the files say 1).
  std::string Request(const Step& step) const {
    const std::string text = ReadWholeFile(kExamples / (std::string(step.name) + ".request.xml"));
    EXPECT_FALSE(text.empty()) << step.name;
    return std::regex_replace(text, std::regex("<Handle>1</Handle>"),
                              "<Handle>" + std::to_string(handle) + "</Handle>");
  }

  ExportResult Call(const Step& step) {
    const std::string request = Request(step);
    switch (step.call) {
      case Export::Open: return driver.Open(request);
      case Export::Receipt: return driver.ProcessReceipt(request);
      case Export::Reprint: return driver.ProcessReprintReceipt(request);
      case Export::XReport: return driver.ProcessXReport(request);
      case Export::ZReport: return driver.ProcessZReport(request);
      case Export::Status: return driver.ProcessGetStatus(request);
    }
    return {};
  }

  StoreFixture store;
  DriverLibrary driver;
  int32_t handle = 1;
};

TEST_F(IntegrationExamples, TheGuidesDayGivesTheDocumentedAnswers) {
  const Step day[] = {
      {"01-open", Export::Open, {}},
      {"02-sale", Export::Receipt, {}},
      {"03-credit-note", Export::Receipt, {}},
      {"04-negative-sale", Export::Receipt, {}},
      {"05-sale-to-void", Export::Receipt, {}},
      {"06-void", Export::Receipt, {{"DateTime"}, {}}},
      {"07-reprint", Export::Reprint, {}},
      {"08-x-report", Export::XReport, {{"ReportDateTime"}, {}}},
      {"09-z-report", Export::ZReport, {{"ReportDateTime"}, {}}},
      {"10-status", Export::Status, {{"DateTime"}, {"FirmwareVersion"}}},
  };
  for (const Step& step : day) {
    SCOPED_TRACE(step.name);
    if (HasFatalFailure()) return;
    const ExportResult result = Call(step);
    ASSERT_EQ(result.code, 0) << result.error;
    EXPECT_EQ(result.error, "");
    const fs::path answer_file = kExamples / (std::string(step.name) + ".answer.xml");
    std::string actual;
    if (step.call == Export::Open) {
      handle = result.handle;
      actual = CanonicalExample("<OpenAnswer><Result>" + std::to_string(result.code) + "</Result><Handle>" +
                                std::to_string(result.handle) + "</Handle></OpenAnswer>");
    } else {
      actual = ExampleForm(result.output, step.parts);
    }
    if (Regenerating()) {
      std::ofstream(answer_file, std::ios::binary) << actual;
      continue;
    }
    EXPECT_EQ(actual, CanonicalExample(ReadWholeFile(answer_file)))
        << "the answer differs from " << answer_file << " (DODU_REGENERATE_EXAMPLES=1 rewrites the files)";
  }

  // After that day, the refusals of the guide: each answers -1 with the text of its file.
  const Step refusals[] = {
      {"refusals/01-void-without-lines", Export::Receipt, {}},
      {"refusals/02-unregistered-series", Export::Receipt, {}},
      {"refusals/03-dated-before-last", Export::Receipt, {}},
      {"refusals/04-company-not-found", Export::Receipt, {}},
      {"refusals/05-void-again", Export::Receipt, {}},
      {"refusals/06-reprint-not-found", Export::Reprint, {}},
      {"refusals/07-without-handle", Export::Receipt, {}},
      {"refusals/08-refund-of-voided-sale", Export::Receipt, {}},
  };
  for (const Step& step : refusals) {
    SCOPED_TRACE(step.name);
    const ExportResult result = Call(step);
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.output, "");
    const fs::path error_file = kExamples / (std::string(step.name) + ".error.txt");
    if (Regenerating()) {
      std::ofstream(error_file, std::ios::binary) << result.error << "\n";
      continue;
    }
    EXPECT_EQ(result.error + "\n", ReadWholeFile(error_file))
        << "the error differs from " << error_file << " (DODU_REGENERATE_EXAMPLES=1 rewrites the files)";
  }
}

}  // namespace
}  // namespace dodu::testing
