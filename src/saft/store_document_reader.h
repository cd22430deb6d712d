#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "saft/saft_period.h"
#include "saft/stored_document.h"

namespace dodu {

class tQV_VendizioProxy;
class tQV_VendizioDataset;

// Reads the documents of a period from the store through the database proxy, in the order of
// series and number, a page at a time: however long the period, only one page of rows is held.
// The period is the invoice date each document was signed with (the start of its signed text).
class StoreDocumentReader {
 public:
  static constexpr int kPageRows = 256;

  StoreDocumentReader(tQV_VendizioProxy& aProxy, const SaftPeriod& aPeriod);
  ~StoreDocumentReader();

  // The next document, false after the last one. Raises with the engine's message.
  bool Next(StoredDocumentRow& aRow);

 private:
  void ReadPage();

  tQV_VendizioProxy& fProxy;
  SaftPeriod fPeriod;
  std::unique_ptr<tQV_VendizioDataset> fPage;
  int fPageRowsLeft = 0;
  bool fLastPage = false;
  std::string fLastSeries;
  int64_t fLastNumber = 0;
  bool fStarted = false;
};

// The CompanyRecord rows of the store.
std::vector<StoredCompany> ReadStoredCompanies(tQV_VendizioProxy& aProxy);

// The statement of one page of documents after (series, number) in that order; without a last
// document, the first page. The only text that differs by server is how a page is limited.
std::string DocumentPageStatement(tQV_VendizioProxy& aProxy, const SaftPeriod& aPeriod, bool aAfterLast,
                                  const std::string& aLastSeries, int64_t aLastNumber, int aRows);

}  // namespace dodu
