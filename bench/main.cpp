// dodu-bench: times the driver's documents through its exports on a fresh embedded store,
// beside the parts of a document that cannot be avoided, then with many stored receipts, then
// with several till processes. Prints a table; see docs/performance.md.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench_phases.h"
#include "child_process.h"
#include "sample_statistics.h"
#include "unavoidable_parts.h"

namespace fs = std::filesystem;
using namespace dodu::bench;

namespace {

struct Options {
  std::string library = DODU_LIBRARY_PATH;
  fs::path directory;
  int count = 200;
  int stored = 100000;
  double seconds = 3;
  int rounds = 3;
  bool keep = false;
  std::string store;  // a server store's ODBC connection string: compare it with the embedded one
};

void Usage() {
  std::fprintf(stderr,
               "usage: dodu-bench [--library PATH] [--dir DIR] [--count N] [--stored N] [--seconds S] [--rounds R]\n"
               "                  [--keep] [--smoke] [--store CONNECTION-STRING]\n"
               "  --count N    documents of each kind timed (default 200)\n"
               "  --stored N   receipts in the store of the second part (default 100000)\n"
               "  --seconds S  length of each run of several tills (default 3)\n"
               "  --rounds R   rounds of one till against two tills in separate series (default 3)\n"
               "  --dir DIR    where the stores go (default a new directory under the temporary one)\n"
               "  --keep       leave the stores there\n"
               "  --smoke      a few documents of each kind: checks that everything runs\n"
               "  --store CS   a PostgreSQL server store (an ODBC connection string, its driver tables are\n"
               "               made anew): its documents and documents per second beside the embedded store's\n");
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (arg == "--smoke") {
      options.count = 5;
      options.stored = 2000;
      options.seconds = 0.3;
      options.rounds = 1;
    } else if (arg == "--keep") {
      options.keep = true;
    } else if ((arg == "--library" || arg == "--dir" || arg == "--count" || arg == "--stored" ||
                arg == "--seconds" || arg == "--rounds" || arg == "--store") &&
               (v = value()) != nullptr) {
      if (arg == "--library") options.library = fs::absolute(v).string();
      if (arg == "--dir") options.directory = fs::absolute(v);
      if (arg == "--count") options.count = std::atoi(v);
      if (arg == "--stored") options.stored = std::atoi(v);
      if (arg == "--seconds") options.seconds = std::atof(v);
      if (arg == "--rounds") options.rounds = std::atoi(v);
      if (arg == "--store") options.store = v;
    } else {
      return false;
    }
  }
  return options.count > 1 && options.stored > 0 && options.seconds > 0 && options.rounds > 0;
}

// Runs one measuring function in a process of its own, where the library gets loaded.
Figures InChild(const std::function<Figures()>& aWork) {
  return FiguresFromText(RunInChildren({[&] { return FiguresToText(aWork()); }}).front());
}

void Row(const char* aName, const Figure& aFigure) {
  std::printf("  %-52s %9.3f %9.3f %7zu\n", aName, aFigure.median, aFigure.p99, aFigure.count);
}

// The server store beside the embedded one, measured in the same run: each kind of document,
// then documents per second of one till and of four tills in separate series and in one series.
void CompareServerStore(const Options& options, Figures& embedded) {
  Figures server = InChild(
      [&] { return MeasureDocuments(options.library, options.directory / "server-fresh", options.count, options.store); });
  std::printf("Server store (PostgreSQL through psqlODBC), one till (milliseconds) %9s %9s %7s\n", "median", "p99",
              "count");
  for (const char* name : {"first sale", "sale", "credit note", "void", "reprint", "X report", "Z report"}) {
    Row(name, server[name]);
    std::printf("  %-52s %9.2f\n", "  median / median on the embedded store", server[name].median / embedded[name].median);
  }
  std::printf("  sale median on the server store / on the embedded store: %.2f (goal: at most 2)\n\n",
              server["sale"].median / embedded["sale"].median);

  std::printf("Documents per second (sales, %.1f s per run)              %9s %9s\n", options.seconds, "embedded",
              "server");
  for (const auto& [tills, one_series] : {std::pair{1, true}, std::pair{4, false}, std::pair{4, true}}) {
    const std::string name = std::to_string(tills) + (tills == 1 ? " till" : " till processes") +
                             (tills == 1 ? "" : one_series ? ", one series" : ", separate series");
    const std::string suffix = std::to_string(tills) + (one_series ? "-one" : "-separate");
    const double local = DocumentsPerSecond(options.library, options.directory / ("embedded-tills-" + suffix), tills,
                                            one_series, options.seconds);
    const double remote = DocumentsPerSecond(options.library, options.directory / ("server-tills-" + suffix), tills,
                                             one_series, options.seconds, options.store);
    std::printf("  %-52s %9.1f %9.1f\n", name.c_str(), local, remote);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    Usage();
    return 2;
  }
  const bool own_directory = options.directory.empty();
  if (own_directory) options.directory = fs::temp_directory_path() / ("dodu-bench-" + std::to_string(getpid()));
  int status = 0;
  try {
    std::printf("dodu-bench: %s\nstores in %s\n\n", options.library.c_str(), options.directory.c_str());

    Figures fresh = InChild([&] { return MeasureDocuments(options.library, options.directory / "fresh", options.count); });
    std::printf("Fresh embedded store, one till (milliseconds)        %9s %9s %7s\n", "median", "p99", "count");
    for (const char* name : {"first sale", "sale", "credit note", "void", "reprint", "X report", "Z report"})
      Row(name, fresh[name]);
    const double sum = fresh["rsa"].median + fresh["commit"].median + fresh["files"].median;
    std::printf("Unavoidable parts of one document, each alone\n");
    Row("two RSA-1024 private-key operations, key loaded", fresh["rsa"]);
    const std::string commit = "durable commit of one row (" + std::to_string(static_cast<long>(fresh["row bytes"].median)) +
                               " bytes), WAL+FULL";
    Row(commit.c_str(), fresh["commit"]);
    const std::string files = "two durable file replacements (" +
                              std::to_string(static_cast<long>(fresh["counters bytes"].median)) + " + " +
                              std::to_string(static_cast<long>(fresh["check bytes"].median)) + " bytes)";
    Row(files.c_str(), fresh["files"]);
    std::printf("  %-52s %9.3f\n", "sum of the medians", sum);
    std::printf("  sale median / sum of unavoidable parts: %.2f (goal: at most 1.5)\n\n", fresh["sale"].median / sum);
    if (!options.store.empty()) {
      CompareServerStore(options, fresh);
      if (!options.keep) fs::remove_all(options.directory);
      return 0;
    }

    Figures stored = InChild([&] {
      return MeasureWithStoredReceipts(options.library, options.directory / "stored", options.stored,
                                       static_cast<size_t>(fresh["row bytes"].median), options.count);
    });
    std::printf("Store holding %d receipts, one till (milliseconds)  %9s %9s %7s\n", options.stored, "median", "p99",
                "count");
    for (const char* name : {"sale", "void", "reprint"}) {
      Row(name, stored[name]);
      std::printf("  %-52s %9.2f\n", "  median / median on the fresh store", stored[name].median / fresh[name].median);
    }

    std::printf("\nDocuments per second (sales, %.1f s per run)\n", options.seconds);
    // One till and two tills in separate series take turns, round after round, and each round
    // gives its own ratio: on a shared machine the load moves between runs, less within a round.
    Samples one, separate_two, ratios;
    for (int round = 0; round < options.rounds; ++round) {
      const std::string number = std::to_string(round + 1);
      one.Add(DocumentsPerSecond(options.library, options.directory / ("tills-1-round" + number), 1, true,
                                 options.seconds));
      separate_two.Add(DocumentsPerSecond(options.library, options.directory / ("tills-2-separate-round" + number), 2,
                                          false, options.seconds));
      std::printf("  round %d: one till %.1f, two tills in separate series %.1f: %.2f\n", round + 1,
                  one.Last(), separate_two.Last(), separate_two.Last() / one.Last());
      ratios.Add(separate_two.Last() / one.Last());
    }
    std::printf("  %-52s %9.1f\n", "one till (median of the rounds)", one.Median());
    for (int tills : {2, 4}) {
      for (bool one_series : {true, false}) {
        const std::string name = std::to_string(tills) + " till processes, " +
                                 (one_series ? "one series" : "separate series");
        if (tills == 2 && !one_series) {
          std::printf("  %-52s %9.1f\n", (name + " (median)").c_str(), separate_two.Median());
          continue;
        }
        const double rate = DocumentsPerSecond(options.library,
                                               options.directory / ("tills-" + std::to_string(tills) +
                                                                    (one_series ? "-one" : "-separate")),
                                               tills, one_series, options.seconds);
        std::printf("  %-52s %9.1f\n", name.c_str(), rate);
      }
    }
    std::printf("  two tills in separate series / one till: %.2f, median of %zu rounds (goal: nearly 2)\n",
                ratios.Median(), ratios.Count());

    std::printf("\nDurable parts alone (one commit, two file replacements), documents' worth per second\n");
    double durable_one = 0;
    for (int processes : {1, 2, 4}) {
      const double rate = DurablePartsPerSecond(
          options.directory / "durable", processes, static_cast<size_t>(fresh["row bytes"].median),
          static_cast<size_t>(fresh["counters bytes"].median), static_cast<size_t>(fresh["check bytes"].median),
          options.seconds);
      if (processes == 1) durable_one = rate;
      const std::string name = std::to_string(processes) + (processes == 1 ? " process" : " processes at once");
      std::printf("  %-52s %9.1f\n", name.c_str(), rate);
      if (processes == 2) std::printf("  two processes / one: %.2f\n", rate / durable_one);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dodu-bench: %s\n", e.what());
    status = 1;
  }
  if (!options.keep) {
    std::error_code ignored;
    fs::remove_all(options.directory, ignored);
  }
  return status;
}
