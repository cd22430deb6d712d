#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace dodu::bench {

// One figure of a phase: median and p99 in milliseconds, or a rate, and a count.
struct Figure {
  double median = 0, p99 = 0;
  size_t count = 0;
};
using Figures = std::map<std::string, Figure>;

// Text form of figures, to pass them out of the child process that measured them.
std::string FiguresToText(const Figures& aFigures);
Figures FiguresFromText(const std::string& aText);

// A fresh store, one till: aCount sales, credit notes, voids, reprints, X and Z reports through
// the exports, each timed ("sale", "credit note", "void", "reprint", "X report", "Z report",
// "first sale"), then the unavoidable parts of one document with the sizes the run produced
// ("rsa", "commit", "files"), and the sizes themselves ("row bytes", "receipt bytes",
// "counters bytes", "check bytes" in median).
// aServer: the server store's ODBC connection string, "" for the embedded store.
Figures MeasureDocuments(const std::string& aLibrary, const std::filesystem::path& aDirectory, int aCount,
                         const std::string& aServer = "");

// A store holding aStored documents of the till's series: aCount sales, and voids and reprints of
// stored documents spread over the whole series ("sale", "void", "reprint").
Figures MeasureWithStoredReceipts(const std::string& aLibrary, const std::filesystem::path& aDirectory,
                                  int aStored, size_t aReceiptBytes, int aCount);

// aTills processes, each a till issuing sales for aSeconds, in one series or each in its own;
// gives documents per second of all of them together.
double DocumentsPerSecond(const std::string& aLibrary, const std::filesystem::path& aDirectory, int aTills,
                          bool aOneSeries, double aSeconds, const std::string& aServer = "");

}  // namespace dodu::bench
