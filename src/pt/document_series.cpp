#include "pt/document_series.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"
#include "db/ini_file.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace dodu {

namespace {

std::string ReplaceAllIgnoringCase(const std::string& aText, const std::string& aPattern, const std::string& aValue) {
  const std::string lower_text = AsciiLower(aText);
  const std::string lower_pattern = AsciiLower(aPattern);
  std::string result;
  size_t start = 0;
  for (size_t found; (found = lower_text.find(lower_pattern, start)) != std::string::npos;
       start = found + aPattern.size()) {
    result.append(aText, start, found - start);
    result += aValue;
  }
  result.append(aText, start, std::string::npos);
  return result;
}

std::string TwoDigits(int value) { return value < 10 ? "0" + std::to_string(value) : std::to_string(value); }

}  // namespace

std::string BuildSeriesCode(const std::string& aTemplate, const std::string& aDocumentType,
                            const std::string& aStoreCode, const std::string& aTillCode, DateTime aBusinessDate,
                            const std::string& aSubType) {
  const DateTimeFields date = DecodeDateTime(aBusinessDate);
  // "{{DD}}" stands for the month too: stored series codes depend on it.
  const std::pair<const char*, std::string> kPlaceholders[] = {
      {"{{DocumentType}}", aDocumentType},
      {"{{Store}}", aStoreCode},
      {"{{Till}}", aTillCode},
      {"{{YYYY}}", std::to_string(date.year)},
      {"{{YY}}", std::to_string(date.year % 100)},
      {"{{MM}}", TwoDigits(date.month)},
      {"{{DD}}", TwoDigits(date.month)},
  };
  std::string code = aTemplate;
  for (const auto& [pattern, value] : kPlaceholders) code = ReplaceAllIgnoringCase(code, pattern, value);
  if (aSubType == "M" || aSubType == "D") code += aSubType;
  return code;
}

void CheckSeriesCodeLength(const std::string& aSeriesCode) {
  if (aSeriesCode.size() <= kMaxSeriesCodeBytes) return;
  throw Error("Serie [" + aSeriesCode + "] cannot be numbered: its code is " + std::to_string(aSeriesCode.size()) +
              " bytes long, and a series code may have at most " + std::to_string(kMaxSeriesCodeBytes) + " bytes");
}

std::string BuildInvoiceNumber(const std::string& aDocumentType, const std::string& aSeriesCode, int32_t aNumber) {
  return aDocumentType + " " + aSeriesCode + "/" + ZeroPadded(aNumber, 7);
}

std::string BuildATCUD(const std::string& aValidationCode, int32_t aNumber) {
  return aValidationCode + "-" + ZeroPadded(aNumber, 7);
}

std::string CheckFileDirectory() {
  // Read per call: the host may change the setting while the library is loaded, and the file is
  // small. A series numbered from more than one machine needs the same directory on all of them.
  const std::string settings = JoinPath(ExePath(), kHostSettingsFileName);
  std::string configured;
  if (FileExists(settings)) configured = Trimmed(tQV_IniFile(settings).ReadString(kCheckFilesSection, kCheckFileDirectoryKey, ""));
  if (configured.empty()) return JoinPath(ExePath(), "PT_Check");
  return IsAbsolutePath(configured) ? configured : JoinPath(ExePath(), configured);
}

std::string CheckFileName(const std::string& aSeriesCode) {
  // The series code names one file in the directory; it must not lead anywhere else.
  if (!IsPlainFileName(aSeriesCode + ".b64")) throw Error("Invalid characters in path");
  return JoinPath(CheckFileDirectory(), aSeriesCode + ".b64");
}

int32_t CheckNumberOf(const std::string& aText) {
  int32_t value = 0;
  return TryParseInt32(aText, value) ? value : 0;
}

}  // namespace dodu
