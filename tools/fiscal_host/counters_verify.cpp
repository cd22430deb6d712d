#include "fiscal_host/counters_verify.h"

#include <filesystem>

#include <pugixml.hpp>

#include "base/amount.h"
#include "fiscal_host/sqlite_file.h"

namespace dodu::host {

namespace fs = std::filesystem;

namespace {

bool IsPendingFile(const std::string& name) {
  return (name.starts_with("counters.pending.") && name.ends_with(".fprc")) || name.ends_with(".b64.pending");
}

std::vector<fs::path> PendingFiles(const fs::path& directory) {
  std::vector<fs::path> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error))
    if (entry.is_regular_file() && IsPendingFile(entry.path().filename().string())) found.push_back(entry.path());
  return found;
}

Amount AmountOf(const pugi::xml_node counters, const char* name) {
  return Amount::Parse(counters.child_value(name));
}

}  // namespace

std::vector<std::string> CheckTillCounters(const WorkDirectory& directory, StoreDatabase& store, std::ostream& out) {
  std::vector<std::string> breaks;
  for (const fs::path& pending : PendingFiles(directory.HostDir() / "PT_Check")) {
    breaks.push_back(pending.filename().string() + ": a check file waits to be settled by the next document");
    out << "PT_Check  PENDING: " << pending.filename().string() << "\n";
  }

  std::vector<fs::path> tills;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory.DataDir(), error))
    if (entry.is_directory() && fs::exists(entry.path() / "counters.actual.fprc")) tills.push_back(entry.path());

  for (const fs::path& till : tills) {
    const std::string serial = till.filename().string();
    std::vector<std::string> problems;
    for (const fs::path& pending : PendingFiles(till))
      problems.push_back("pending counters file " + pending.filename().string() + " not settled yet");

    pugi::xml_document document;
    if (!document.load_file((till / "counters.actual.fprc").c_str())) {
      problems.push_back("counters file cannot be read");
    } else {
      const pugi::xml_node c = document.child("FPRCounters");
      try {
        for (const char* prefix : {"Daily", "GrandTotal"}) {
          const std::string p = prefix;
          const Amount total = AmountOf(c, (p + "Total").c_str());
          const Amount rest = AmountOf(c, (p + "Sales").c_str()) - AmountOf(c, (p + "Refunds").c_str()) -
                              AmountOf(c, (p + "Voids").c_str());
          if (total != rest)
            problems.push_back(p + "Total " + total.ToText() + " is not sales - refunds - voids " + rest.ToText());
        }
        // Documents are stored with the Z report number of their day. The store does not say which
        // till issued a document, so the day's documents are attributed only when one till uses
        // it: not on a server store, which other machines' tills share.
        if (tills.size() == 1 && !store.Shared()) {
          const std::string z = c.child_value("CurrentZReportNo");
          const auto day =
              store.Query("select DocumentType, Totalamount from Receipts where ZReportNumber=" + SqlText(z));
          Amount stored_sales;
          for (const StoreDatabase::Row& row : day)
            if (row.at("DocumentType") == "FR") stored_sales += Amount::Parse(row.at("Totalamount"));
          const std::string count = c.child_value("CurrentReceiptNo");
          if (std::to_string(day.size()) != count)
            problems.push_back("counts " + count + " documents today, the store holds " + std::to_string(day.size()) +
                               " with Z report number " + z);
          const Amount sales = AmountOf(c, "DailySales");
          if (sales != stored_sales)
            problems.push_back("DailySales " + sales.ToText() + " differs from the day's stored sales " +
                               stored_sales.ToText());
        }
      } catch (const std::exception& e) {
        problems.push_back(std::string("counters file holds an unreadable amount: ") + e.what());
      }
    }
    out << "till " << serial << "  ";
    if (problems.empty()) {
      out << "counters agree with the store"
          << (store.Shared() ? " (totals only: a server store)" : tills.size() == 1 ? "" : " (totals only: several tills)")
          << "\n";
    } else {
      out << "BROKEN:\n";
      for (const std::string& problem : problems) {
        out << "  " << problem << "\n";
        breaks.push_back("till " + serial + ": " + problem);
      }
    }
  }
  return breaks;
}

}  // namespace dodu::host
