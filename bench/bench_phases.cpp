#include "bench_phases.h"

#include <chrono>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "bench_world.h"
#include "child_process.h"
#include "driver_exports.h"
#include "fiscal_requests.h"
#include "platform/files.h"
#include "pt/crypto_service.h"
#include "sample_statistics.h"
#include "unavoidable_parts.h"

namespace dodu::bench {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

Figure FigureOf(const Samples& aSamples) { return Figure{aSamples.Median(), aSamples.P99(), aSamples.Count()}; }
Figure Size(size_t aBytes) { return Figure{static_cast<double>(aBytes), static_cast<double>(aBytes), 1}; }

// Runs the operation aCount times, each timed; aOperation gets the index.
Samples Time(int aCount, const std::function<void(int)>& aOperation) {
  Samples samples;
  for (int i = 0; i < aCount; ++i) {
    Stopwatch watch;
    aOperation(i);
    samples.Add(watch.Milliseconds());
  }
  return samples;
}

// A till of the world: the library loaded in this process and the till opened.
struct Till {
  DriverExports driver;
  std::string serial;
  int32_t handle;

  Till(const std::string& aLibrary, const std::string& aSerial)
      : driver(aLibrary), serial(aSerial), handle(driver.Open(Envelope(0, aSerial))) {}
  std::string Request(const std::string& aDocument) const { return Envelope(handle, serial, aDocument); }
};

}  // namespace

std::string FiguresToText(const Figures& aFigures) {
  std::ostringstream out;
  out.precision(17);
  for (const auto& [name, figure] : aFigures)
    out << figure.median << ' ' << figure.p99 << ' ' << figure.count << ' ' << name << '\n';
  return out.str();
}

Figures FiguresFromText(const std::string& aText) {
  Figures figures;
  std::istringstream in(aText);
  Figure figure;
  std::string name;
  while (in >> figure.median >> figure.p99 >> figure.count && std::getline(in >> std::ws, name)) figures[name] = figure;
  return figures;
}

Figures MeasureDocuments(const std::string& aLibrary, const fs::path& aDirectory, int aCount,
                         const std::string& aServer) {
  BenchWorld world(aDirectory, 1, aServer);
  world.Enter();
  Till till(aLibrary, "T01");
  const std::string store = StoreCode(1);
  Figures figures;
  int second = 0;

  // The first document of the process pays for what is set up once.
  std::vector<std::string> sale_times;
  std::vector<std::string> sale_numbers;
  auto issue_sale = [&] {
    const std::string when = DocumentDateTime(++second);
    const std::string answer = till.driver.ProcessReceipt(till.Request(SaleReceipt(store, when)));
    sale_times.push_back(when);
    sale_numbers.push_back(ElementText(answer, "Number"));
  };
  figures["first sale"] = FigureOf(Time(1, [&](int) { issue_sale(); }));
  const size_t counters_bytes = static_cast<size_t>(FileSize(world.CountersFile(till.serial).string()));
  const size_t check_bytes = static_cast<size_t>(FileSize(world.CheckFile(InvoiceSeries(store)).string()));
  const size_t row_bytes = world.LargestReceiptRowBytes();
  // The parts alone take turns with the sales, so both meet the same load on the machine.
  UnavoidableParts parts(aDirectory / "parts", RsaKeyPair::Embedded().privateKeyPem, row_bytes, counters_bytes,
                         check_bytes);
  Samples sales;
  for (int i = 0; i < aCount; ++i) {
    parts.Measure();
    Stopwatch watch;
    issue_sale();
    sales.Add(watch.Milliseconds());
  }
  figures["sale"] = FigureOf(sales);

  figures["credit note"] = FigureOf(Time(aCount, [&](int i) {
    till.driver.ProcessReceipt(till.Request(
        CreditNoteReceipt(store, DocumentDateTime(++second), sale_numbers[static_cast<size_t>(i) + 1],
                          sale_times[static_cast<size_t>(i) + 1])));
  }));
  figures["void"] = FigureOf(Time(aCount, [&](int i) {
    till.driver.ProcessReceipt(till.Request(
        VoidReceipt(store, sale_numbers[static_cast<size_t>(i) + 1], sale_times[static_cast<size_t>(i) + 1])));
  }));
  figures["reprint"] = FigureOf(Time(aCount, [&](int i) {
    till.driver.ProcessReprintReceipt(till.Request(
        ReprintReference(store, sale_numbers[static_cast<size_t>(i) + 1], sale_times[static_cast<size_t>(i) + 1])));
  }));
  figures["X report"] = FigureOf(Time(aCount, [&](int) { till.driver.ProcessXReport(till.Request("")); }));
  figures["Z report"] = FigureOf(Time(aCount, [&](int) { till.driver.ProcessZReport(till.Request("")); }));

  figures["rsa"] = FigureOf(parts.Rsa());
  figures["commit"] = FigureOf(parts.Commit());
  figures["files"] = FigureOf(parts.Files());
  figures["row bytes"] = Size(row_bytes);
  figures["counters bytes"] = Size(counters_bytes);
  figures["check bytes"] = Size(check_bytes);
  return figures;
}

Figures MeasureWithStoredReceipts(const std::string& aLibrary, const fs::path& aDirectory, int aStored,
                                  size_t aReceiptBytes, int aCount) {
  BenchWorld world(aDirectory, 1);
  const std::string store = StoreCode(1);
  world.Prefill(store, aStored, aReceiptBytes);
  world.Enter();
  Till till(aLibrary, "T01");
  Figures figures;
  int second = 0;
  till.driver.ProcessReceipt(till.Request(SaleReceipt(store, DocumentDateTime(++second))));
  figures["sale"] = FigureOf(Time(aCount, [&](int) {
    till.driver.ProcessReceipt(till.Request(SaleReceipt(store, DocumentDateTime(++second))));
  }));
  // Stored documents from all over the series, each used once.
  auto stored_number = [&](int i) { return 1 + static_cast<int>((static_cast<int64_t>(i) * aStored) / aCount); };
  figures["void"] = FigureOf(Time(aCount, [&](int i) {
    const int number = stored_number(i);
    till.driver.ProcessReceipt(
        till.Request(VoidReceipt(store, std::to_string(number), BenchWorld::PrefilledDateTime(number))));
  }));
  figures["reprint"] = FigureOf(Time(aCount, [&](int i) {
    const int number = stored_number(i);
    till.driver.ProcessReprintReceipt(
        till.Request(ReprintReference(store, std::to_string(number), BenchWorld::PrefilledDateTime(number))));
  }));
  return figures;
}

double DocumentsPerSecond(const std::string& aLibrary, const fs::path& aDirectory, int aTills, bool aOneSeries,
                          double aSeconds, const std::string& aServer) {
  BenchWorld world(aDirectory, aTills, aServer);
  // Every till is ready (library loaded, till opened, one document issued) before the start;
  // short runs are checks only and start sooner.
  const auto start = Clock::now() + std::chrono::milliseconds(aSeconds < 1 ? 500 : 2000);
  const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(aSeconds));
  std::vector<std::function<std::string()>> work;
  for (int t = 1; t <= aTills; ++t) {
    work.push_back([&, t]() -> std::string {
      world.Enter();
      Till till(aLibrary, "T0" + std::to_string(t));
      const std::string store = StoreCode(aOneSeries ? 1 : t);
      // One date-time for all: documents of one series may share it, and none is ever earlier.
      const std::string when = DocumentDateTime(3600);
      till.driver.ProcessReceipt(till.Request(SaleReceipt(store, when)));
      std::this_thread::sleep_until(start);
      long documents = 0;
      while (Clock::now() < end) {
        till.driver.ProcessReceipt(till.Request(SaleReceipt(store, when)));
        if (Clock::now() <= end) ++documents;
      }
      return std::to_string(documents);
    });
  }
  long total = 0;
  for (const std::string& answer : RunInChildren(work)) total += std::stol(answer);
  return static_cast<double>(total) / aSeconds;
}

}  // namespace dodu::bench
