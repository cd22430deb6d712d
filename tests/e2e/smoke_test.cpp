#include <gtest/gtest.h>

#include "support/driver_library.h"
#include "support/store_fixture.h"

namespace dodu::testing {
namespace {

TEST(Smoke, OpenAndSell) {
  StoreFixture store;
  store.AddCompanyAndBranch();
  store.AddSeries("FR2024S01", "AAJFJ2K6");
  DriverLibrary driver;
  ExportResult open = driver.Open(Envelope(0, "T01"));
  ASSERT_EQ(open.code, 0) << open.error;
  const std::string receipt =
      "<Receipt><Type>Sale</Type><BusinessDate>2024-02-09T00:00:00</BusinessDate>"
      "<DateTime>2024-02-09T10:00:00</DateTime><CompanyTaxCode>PT500100200</CompanyTaxCode><StoreCode>S01</StoreCode>"
      "<TillCode>01</TillCode><CompanyCode>C1</CompanyCode><TotalAmount>12.30</TotalAmount>"
      "<Lines><productsale><Description>Cafe</Description><Quantity>1</Quantity><Price>12.3</Price><Amount>12.3</Amount><TaxCode>2300</TaxCode></productsale></Lines>"
      "<Taxes><Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>10</TaxableAmount><TaxAmount>2.30</TaxAmount></Tax></Taxes><Payments><Payment><Type>cash</Type><Amount>12.3</Amount></Payment></Payments>"
      "</Receipt>";
  ExportResult sale = driver.ProcessReceipt(Envelope(open.handle, "T01", receipt));
  EXPECT_EQ(sale.code, 0) << sale.error;
  std::cout << sale.output << std::endl;
  ExportResult sale2 = driver.ProcessReceipt(Envelope(open.handle, "T01", receipt));
  EXPECT_EQ(sale2.code, 0) << sale2.error;
  for (auto& row : store.Query("select Number, HashedString, PreviousHash, Hash from Receipts"))
    std::cout << row["Number"] << " " << row["HashedString"] << std::endl;
  ExportResult x = driver.ProcessXReport(Envelope(open.handle, "T01"));
  std::cout << x.output << x.error << std::endl;
}

}  // namespace
}  // namespace dodu::testing
