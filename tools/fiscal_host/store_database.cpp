#include "fiscal_host/store_database.h"

#include <algorithm>
#include <cctype>

#include "fiscal_host/server_store.h"
#include "fiscal_host/sqlite_file.h"

namespace dodu::host {

bool ColumnNameLess::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

std::unique_ptr<StoreDatabase> OpenStore(const WorkDirectory& directory) {
  const std::string connection = directory.ServerConnectionFromSettings();
  if (!connection.empty()) return std::make_unique<ServerStore>(connection);
  return std::make_unique<SqliteFile>(directory.StoreFileFromSettings(), SqliteFile::Mode::kReadOnly);
}

std::string XmlDateTimeText(std::string text) {
  if (text.size() > 10 && text[10] == ' ') text[10] = 'T';
  return text;
}

}  // namespace dodu::host
