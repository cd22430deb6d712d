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

// Where a page starts: at the first document, after a number within its series, or at the
// series after one. The two last are separate statements so that every server seeks the
// (Serie, Number) index instead of scanning a long series again for each page.
enum class PageStart { kFirst, kSameSeries, kLaterSeries };

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
  void ReadPage(PageStart aStart);

  tQV_VendizioProxy& fProxy;
  SaftPeriod fPeriod;
  std::unique_ptr<tQV_VendizioDataset> fPage;
  int fPageRowsLeft = 0;
  std::string fLastSeries;
  int64_t fLastNumber = 0;
  bool fStarted = false;
  bool fEnded = false;
};

// The CompanyRecord rows of the store.
std::vector<StoredCompany> ReadStoredCompanies(tQV_VendizioProxy& aProxy);

// The statement of one page of documents in the order of series and number. The only text that
// differs by server is how a page is limited.
std::string DocumentPageStatement(tQV_VendizioProxy& aProxy, const SaftPeriod& aPeriod, PageStart aStart,
                                  const std::string& aLastSeries, int64_t aLastNumber, int aRows);

}  // namespace dodu
