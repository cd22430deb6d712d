#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "fiscal_host/driver_loader.h"
#include "fiscal_host/envelope.h"
#include "fiscal_host/work_directory.h"

namespace dodu::host {

// One till driven by this process. A processor of the library lives only as long as the process
// that opened it, so every invocation of the tool opens the till again (OPEN with the till
// serial, no handle) before its operation; the handle it prints is that process's.
class TillSession {
 public:
  // Enters the working directory (environment and current directory) and then loads the
  // library, which reads that environment while it loads. Raises when either fails.
  TillSession(const WorkDirectory& directory, const std::string& library_path, std::string till_serial);

  // OPEN with the till serial; keeps the handle on success.
  ExportAnswer Open();
  int32_t Handle() const { return fHandle; }
  const std::string& TillSerial() const { return fTillSerial; }

  ExportAnswer ProcessReceipt(const Request& request);
  ExportAnswer ProcessReprint(const Request& request);
  ExportAnswer ProcessXReport();
  ExportAnswer ProcessZReport();
  ExportAnswer ProcessStatus();

 private:
  std::unique_ptr<DriverLibrary> fLibrary;
  std::string fTillSerial;
  int32_t fHandle = 0;
};

}  // namespace dodu::host
