// The SAF-T export of a played day, as fiscal-host writes it and as the tax authority checks it:
// the schema with its assertions, the signatures rebuilt from the file's own fields, the totals,
// statuses, references and master files.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/amount.h"
#include "played_day.h"
#include "support/signature_verification.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

using Rows = std::vector<std::map<std::string, std::string>>;

Amount AmountOf(pugi::xml_node node, const char* name) { return Amount::Parse(node.child_value(name)); }

// Whether the schema (XSD 1.1, assertions included) accepts the file; the validator's words in
// `output`. Empty optional: no validator on this machine.
std::optional<bool> ValidAgainstSchema(const fs::path& file, std::string& output) {
  if (std::system("command -v xmlschema-validate >/dev/null 2>&1") != 0) return std::nullopt;
  const fs::path schema = fs::path(DODU_SAFT_SCHEMA_DIR) / "SAFTPT1.04_01.xsd";
  ScratchDirectory scratch;
  const fs::path log = scratch.Path() / "validation.txt";
  const std::string command = "xmlschema-validate --version 1.1 --schema '" + schema.string() + "' '" +
                              file.string() + "' > '" + log.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  output = ReadFileText(log);
  return status == 0;
}

#define EXPECT_VALID_SAFT(file)                                                                        \
  do {                                                                                                 \
    std::string validator_output;                                                                      \
    const std::optional<bool> valid = ValidAgainstSchema(file, validator_output);                     \
    if (!valid) GTEST_SKIP() << "xmlschema-validate (Debian package python3-xmlschema) is missing; " \
                                "scripts/install-deps installs it";                                    \
    EXPECT_TRUE(*valid) << validator_output;                                                           \
  } while (false)

class SaftDay : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    file_ = new fs::path(scratch_().Path() / "day.xml");
    const PlayedDay& day = ThePlayedDay();
    store_before_ = new Rows(StoreDump());
    run_ = new ToolRun(RunFiscalHost({"-C", day.directory.string(), "saft", "--from", day.date, "--to", day.date,
                                      "-o", file_->string()}));
  }
  static void TearDownTestSuite() {
    delete file_;
    delete store_before_;
    delete run_;
  }
  static ScratchDirectory& scratch_() {
    static ScratchDirectory scratch;
    return scratch;
  }
  static Rows StoreDump() {
    const fs::path store = ThePlayedDay().directory / "store.db";
    Rows rows = QueryStore(store, "select * from Receipts order by Serie,Number");
    for (auto& row : QueryStore(store, "select * from Series order by Serie_Code")) rows.push_back(row);
    return rows;
  }

  void SetUp() override {
    ASSERT_EQ(run_->status, 0) << run_->output;
    ASSERT_TRUE(document_.load_file(file_->c_str())) << "the file is no well-formed XML";
    root_ = document_.child("AuditFile");
    ASSERT_TRUE(root_);
    sales_ = root_.child("SourceDocuments").child("SalesInvoices");
    for (pugi::xml_node invoice : sales_.children("Invoice")) invoices_.push_back(invoice);
    stored_ = QueryStore(ThePlayedDay().directory / "store.db", "select * from Receipts order by Serie,Number");
  }

  const std::map<std::string, std::string>& StoredRow(const std::string& invoice_number) {
    for (const auto& row : stored_)
      if (row.at("ReceiptNumber") == invoice_number) return row;
    ADD_FAILURE() << "no stored document " << invoice_number;
    static const std::map<std::string, std::string> none;
    return none;
  }

  static fs::path* file_;
  static Rows* store_before_;
  static ToolRun* run_;
  pugi::xml_document document_;
  pugi::xml_node root_, sales_;
  std::vector<pugi::xml_node> invoices_;
  Rows stored_;
};

fs::path* SaftDay::file_ = nullptr;
Rows* SaftDay::store_before_ = nullptr;
ToolRun* SaftDay::run_ = nullptr;

TEST_F(SaftDay, TheSchemaWithItsAssertionsAcceptsTheFile) { EXPECT_VALID_SAFT(*file_); }

TEST_F(SaftDay, EveryDocumentOfTheDayIsThereAsItWasSignedAndTheStoreIsUnchanged) {
  ASSERT_EQ(invoices_.size(), stored_.size());
  EXPECT_EQ(sales_.child_value("NumberOfEntries"), std::to_string(stored_.size()));
  EXPECT_EQ(StoreDump(), *store_before_) << "exporting changed the store";
  for (pugi::xml_node invoice : invoices_) {
    const std::string number = invoice.child_value("InvoiceNo");
    SCOPED_TRACE(number);
    const auto& row = StoredRow(number);
    if (row.empty()) continue;
    // Byte for byte what was signed and printed.
    EXPECT_EQ(row.at("HashedString").substr(0, row.at("HashedString").find(';')), invoice.child_value("InvoiceDate"));
    EXPECT_EQ(row.at("Hash"), invoice.child_value("Hash"));
    EXPECT_EQ(row.at("FiscalId"), invoice.child_value("ATCUD"));
    EXPECT_STREQ(invoice.child_value("HashControl"), "1");
    EXPECT_EQ(row.at("DocumentType"), invoice.child_value("InvoiceType"));
    EXPECT_EQ(row.at("ReceiptOperator"), invoice.child_value("SourceID"));
    EXPECT_EQ(Amount::Parse(row.at("Totalamount")).ToFixed(2), invoice.child("DocumentTotals").child_value("GrossTotal"));
    EXPECT_STREQ(invoice.child("DocumentStatus").child_value("SourceBilling"), "P");
  }
}

TEST_F(SaftDay, EverySignatureRebuiltFromTheFilesFieldsVerifiesWithOpenssl) {
  ScratchDirectory scratch;
  std::map<std::string, std::string> last_hash_of_series;
  ASSERT_FALSE(invoices_.empty());
  for (pugi::xml_node invoice : invoices_) {
    const std::string number = invoice.child_value("InvoiceNo");
    const std::string series = number.substr(0, number.rfind('/'));
    const std::string text = std::string(invoice.child_value("InvoiceDate")) + ";" +
                             invoice.child_value("SystemEntryDate") + ";" + number + ";" +
                             invoice.child("DocumentTotals").child_value("GrossTotal") + ";" +
                             last_hash_of_series[series];
    std::string output;
    EXPECT_TRUE(OpenSslVerifies(text, invoice.child_value("Hash"), scratch.Path(), output))
        << number << " does not verify from the text " << text << ": " << output;
    last_hash_of_series[series] = invoice.child_value("Hash");
  }
}

TEST_F(SaftDay, AmountsAddUpToTheCentAndTheTotalsLeaveOutTheVoided) {
  Amount total_debit, total_credit;
  for (pugi::xml_node invoice : invoices_) {
    const std::string number = invoice.child_value("InvoiceNo");
    SCOPED_TRACE(number);
    const bool credit_note = std::string(invoice.child_value("InvoiceType")) == "NC";
    const bool voided = std::string(invoice.child("DocumentStatus").child_value("InvoiceStatus")) == "A";
    Amount net;
    for (pugi::xml_node line : invoice.children("Line")) {
      const bool debit = line.child("DebitAmount");
      const Amount amount = debit ? AmountOf(line, "DebitAmount") : AmountOf(line, "CreditAmount");
      // Sales on the credit side, credit notes on the debit side.
      EXPECT_EQ(debit, credit_note) << line.child_value("ProductDescription");
      EXPECT_EQ(RoundAmountToCents(Amount::Parse(line.child_value("Quantity")) * Amount::Parse(line.child_value("UnitPrice"))),
                amount)
          << "quantity x unit price of " << line.child_value("ProductDescription");
      EXPECT_EQ(amount.ToFixed(2), debit ? line.child_value("DebitAmount") : line.child_value("CreditAmount"));
      net += amount;
      if (!voided) (debit ? total_debit : total_credit) += amount;
    }
    const pugi::xml_node totals = invoice.child("DocumentTotals");
    EXPECT_EQ(net, AmountOf(totals, "NetTotal"));
    EXPECT_EQ(AmountOf(totals, "NetTotal") + AmountOf(totals, "TaxPayable"), AmountOf(totals, "GrossTotal"));
    if (!credit_note) {
      Amount paid;
      for (pugi::xml_node payment : totals.children("Payment")) paid += AmountOf(payment, "PaymentAmount");
      EXPECT_EQ(paid, AmountOf(totals, "GrossTotal")) << "payments of a sale, change given back";
    }
  }
  EXPECT_EQ(total_debit, AmountOf(sales_, "TotalDebit"));
  EXPECT_EQ(total_credit, AmountOf(sales_, "TotalCredit"));
  EXPECT_GT(total_debit, Amount()) << "the day has a credit note";
}

TEST_F(SaftDay, AVoidedSaleKeepsItsPlaceWithItsVoidsDateAndOperator) {
  int voided = 0;
  for (pugi::xml_node invoice : invoices_) {
    const auto& row = StoredRow(invoice.child_value("InvoiceNo"));
    if (row.empty()) continue;
    const pugi::xml_node status = invoice.child("DocumentStatus");
    EXPECT_EQ(row.at("Status"), status.child_value("InvoiceStatus"));
    if (row.at("Status") == "A") {
      ++voided;
      std::string voided_at = row.at("LastStatusDateTime").substr(0, 19);
      voided_at[10] = 'T';
      EXPECT_EQ(voided_at, status.child_value("InvoiceStatusDate"));
      EXPECT_EQ(row.at("LastReceiptStatusOperator"), status.child_value("SourceID"));
    } else {
      EXPECT_STREQ(status.child_value("InvoiceStatusDate"), invoice.child_value("SystemEntryDate"));
    }
  }
  EXPECT_EQ(voided, 1);
}

TEST_F(SaftDay, ACreditNotesLinesReferToTheOriginalSale) {
  int credit_notes = 0;
  for (pugi::xml_node invoice : invoices_) {
    if (std::string(invoice.child_value("InvoiceType")) != "NC") {
      for (pugi::xml_node line : invoice.children("Line")) EXPECT_FALSE(line.child("References"));
      continue;
    }
    ++credit_notes;
    // The sale it returns part of: the one to the customer with a tax number.
    std::string original;
    for (pugi::xml_node other : invoices_)
      if (std::string(other.child_value("InvoiceType")) == "FR" &&
          std::string(other.child_value("CustomerID")) == invoice.child_value("CustomerID"))
        original = other.child_value("InvoiceNo");
    ASSERT_FALSE(original.empty());
    EXPECT_STREQ(invoice.child_value("CustomerID"), "123456789");
    for (pugi::xml_node line : invoice.children("Line"))
      EXPECT_EQ(original, line.child("References").child_value("Reference"));
  }
  EXPECT_EQ(credit_notes, 1);
}

TEST_F(SaftDay, OnlyExemptLinesCarryAnExemptionAndEveryRateIsThere) {
  std::set<std::string> rates;
  for (pugi::xml_node invoice : invoices_) {
    for (pugi::xml_node line : invoice.children("Line")) {
      const std::string percentage = line.child("Tax").child_value("TaxPercentage");
      rates.insert(std::string(line.child("Tax").child_value("TaxCode")) + " " + percentage);
      if (percentage == "0") {
        EXPECT_STREQ(line.child_value("TaxExemptionCode"), "M07");
        EXPECT_STREQ(line.child_value("TaxExemptionReason"), "Isento artigo 9.º do CIVA");
      } else {
        EXPECT_FALSE(line.child("TaxExemptionCode"));
        EXPECT_FALSE(line.child("TaxExemptionReason"));
      }
    }
  }
  EXPECT_EQ(rates, (std::set<std::string>{"ISE 0", "RED 6", "INT 13", "NOR 23"}));
}

TEST_F(SaftDay, MasterFilesHoldEveryCustomerProductAndTaxUsed) {
  const pugi::xml_node master = root_.child("MasterFiles");
  std::map<std::string, pugi::xml_node> customers, products;
  std::set<std::string> taxes;
  for (pugi::xml_node customer : master.children("Customer")) customers[customer.child_value("CustomerID")] = customer;
  for (pugi::xml_node product : master.children("Product")) products[product.child_value("ProductCode")] = product;
  for (pugi::xml_node entry : master.child("TaxTable").children("TaxTableEntry"))
    taxes.insert(std::string(entry.child_value("TaxCode")) + " " + entry.child_value("TaxPercentage"));
  std::set<std::string> used_customers;
  for (pugi::xml_node invoice : invoices_) {
    used_customers.insert(invoice.child_value("CustomerID"));
    EXPECT_TRUE(customers.count(invoice.child_value("CustomerID"))) << invoice.child_value("CustomerID");
    for (pugi::xml_node line : invoice.children("Line")) {
      EXPECT_TRUE(products.count(line.child_value("ProductCode"))) << line.child_value("ProductCode");
      EXPECT_TRUE(taxes.count(std::string(line.child("Tax").child_value("TaxCode")) + " " +
                              line.child("Tax").child_value("TaxPercentage")));
    }
  }
  EXPECT_EQ(used_customers, (std::set<std::string>{"123456789", "999999990"}));
  ASSERT_TRUE(customers.count("999999990"));
  const pugi::xml_node consumer = customers["999999990"];
  EXPECT_STREQ(consumer.child_value("CustomerTaxID"), "999999990");
  EXPECT_STREQ(consumer.child_value("CompanyName"), "Consumidor final");
  for (const char* field : {"AddressDetail", "City", "PostalCode", "Country"})
    EXPECT_STREQ(consumer.child("BillingAddress").child_value(field), "Desconhecido") << field;
  ASSERT_TRUE(customers.count("123456789"));
  EXPECT_STREQ(customers["123456789"].child_value("CustomerTaxID"), "123456789") << "without the PT prefix";
  EXPECT_STREQ(customers["123456789"].child("BillingAddress").child_value("Country"), "PT");

  const pugi::xml_node header = root_.child("Header");
  const auto company = QueryStore(ThePlayedDay().directory / "store.db", "select * from CompanyRecord");
  ASSERT_EQ(company.size(), 1u);
  EXPECT_EQ(company[0].at("Company_VatId"), header.child_value("TaxRegistrationNumber"));
  EXPECT_EQ(company[0].at("Company_BusinessName"), header.child_value("CompanyName"));
  EXPECT_EQ(company[0].at("Company_AddressDetail"), header.child("CompanyAddress").child_value("AddressDetail"));
  EXPECT_STREQ(header.child_value("AuditFileVersion"), "1.04_01");
  EXPECT_STREQ(header.child_value("TaxAccountingBasis"), "F");
  EXPECT_STREQ(header.child_value("CurrencyCode"), "EUR");
  EXPECT_EQ(ThePlayedDay().date, header.child_value("StartDate"));
  EXPECT_EQ(ThePlayedDay().date, header.child_value("EndDate"));
  EXPECT_EQ(ThePlayedDay().date.substr(0, 4), header.child_value("FiscalYear"));
  // The file names the certificate the receipts print.
  EXPECT_STREQ(header.child_value("SoftwareCertificateNumber"), "7731");
}

TEST_F(SaftDay, StandardOutputGetsTheSameFile) {
  ScratchDirectory scratch;
  const fs::path copy = scratch.Path() / "stdout.xml";
  const PlayedDay& day = ThePlayedDay();
  const std::string command = "'" + std::string(DODU_FISCAL_HOST_PATH) + "' -C '" + day.directory.string() +
                              "' saft --from " + day.date + " --to " + day.date + " > '" + copy.string() +
                              "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadFileText(copy), ReadFileText(*file_));
}

TEST(SaftPeriodOfTheTool, AnEmptyPeriodGivesAValidFileWithNoEntries) {
  ScratchDirectory scratch;
  const fs::path file = scratch.Path() / "empty.xml";
  const ToolRun run = RunFiscalHost(
      {"-C", ThePlayedDay().directory.string(), "saft", "--from", "2001-03-01", "--to", "2001-03-31", "-o", file.string()});
  ASSERT_EQ(run.status, 0) << run.output;
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(file.c_str()));
  const pugi::xml_node sales = document.child("AuditFile").child("SourceDocuments").child("SalesInvoices");
  EXPECT_STREQ(sales.child_value("NumberOfEntries"), "0");
  EXPECT_STREQ(sales.child_value("TotalDebit"), "0.00");
  EXPECT_STREQ(sales.child_value("TotalCredit"), "0.00");
  EXPECT_FALSE(sales.child("Invoice"));
  EXPECT_FALSE(document.child("AuditFile").child("MasterFiles").child("Customer"));
  EXPECT_VALID_SAFT(file);
}

TEST(SaftPeriodOfTheTool, BadPeriodsAreRefusedWithStatusTwoAndNoFile) {
  struct Case {
    std::vector<std::string> dates;
    const char* says;
  };
  const std::vector<Case> cases = {
      {{"--from", "2026-13-01", "--to", "2026-12-31"}, "no valid date"},
      {{"--from", "2026-02-30", "--to", "2026-03-01"}, "no valid date"},
      {{"--from", "2026-1-01", "--to", "2026-01-31"}, "YYYY-MM-DD"},
      {{"--from", "2026-01-01T00:00", "--to", "2026-01-31"}, "YYYY-MM-DD"},
      {{"--from", "2026-03-10", "--to", "2026-03-09"}, "before it starts"},
      {{"--from", "2025-12-31", "--to", "2026-01-01"}, "two years"},
      {{"--from", "2026-01-01"}, "--to"},
      {{"--to", "2026-01-01"}, "--from"},
  };
  ScratchDirectory scratch;
  const fs::path file = scratch.Path() / "refused.xml";
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"-C", ThePlayedDay().directory.string(), "saft", "-o", file.string()};
    arguments.insert(arguments.end(), c.dates.begin(), c.dates.end());
    const ToolRun run = RunFiscalHost(arguments);
    EXPECT_EQ(run.status, 2) << c.says << ": " << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(file)) << c.says;
    EXPECT_TRUE(fs::is_empty(scratch.Path())) << "something was left behind for " << c.says;
  }
}

}  // namespace
}  // namespace dodu::testing
