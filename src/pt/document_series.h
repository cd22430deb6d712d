#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/date_time.h"

namespace dodu {

// The series code from a branch template: the placeholders replaced (without regard to case)
// and "M" or "D" appended for manual and duplicate documents.
std::string BuildSeriesCode(const std::string& aTemplate, const std::string& aDocumentType,
                            const std::string& aStoreCode, const std::string& aTillCode, DateTime aBusinessDate,
                            const std::string& aSubType);

// The longest series code, in bytes: the width of the series code in the SQL Server store
// (Series.Serie_Code and Receipts.Serie, varchar(50)). Every file a series names (check file,
// lock file, pending files and the temporary files of their writes) fits in one file name with
// such a code, whatever the process id.
inline constexpr size_t kMaxSeriesCodeBytes = 50;
// Raises "Serie [...] cannot be numbered: its code is n bytes long, ..." for a longer code.
void CheckSeriesCodeLength(const std::string& aSeriesCode);

// "FR FR2023A/0000042"
std::string BuildInvoiceNumber(const std::string& aDocumentType, const std::string& aSeriesCode, int32_t aNumber);
// "<validation code>-0000042"
std::string BuildATCUD(const std::string& aValidationCode, int32_t aNumber);

// The host's settings file beside its executable, and the setting that names the check-file
// directory: [CheckFiles] Directory=<path>, absolute or relative to the executable's directory.
inline constexpr const char* kHostSettingsFileName = "QVPA_PT_10.ini";
inline constexpr const char* kCheckFilesSection = "CheckFiles";
inline constexpr const char* kCheckFileDirectoryKey = "Directory";

// The series' check file: <series code>.b64 in the check-file directory, which is the setting
// above when it is given and PT_Check beside the host executable otherwise.
std::string CheckFileDirectory();
std::string CheckFileName(const std::string& aSeriesCode);

// The decimal number in a decrypted check file; 0 for a text that is no integer.
int32_t CheckNumberOf(const std::string& aText);

}  // namespace dodu
