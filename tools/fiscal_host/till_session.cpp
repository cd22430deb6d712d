#include "fiscal_host/till_session.h"

namespace dodu::host {

TillSession::TillSession(const WorkDirectory& directory, const std::string& library_path, std::string till_serial)
    : fTillSerial(std::move(till_serial)) {
  directory.RequireStore();
  directory.Enter();
  fLibrary = std::make_unique<DriverLibrary>(library_path);
}

ExportAnswer TillSession::Open() {
  ExportAnswer answer = fLibrary->Open(Envelope(0, fTillSerial));
  if (answer.Succeeded()) fHandle = answer.handle;
  return answer;
}

ExportAnswer TillSession::ProcessReceipt(const Request& request) {
  return fLibrary->ProcessReceipt(request.Text(fHandle, fTillSerial));
}

ExportAnswer TillSession::ProcessReprint(const Request& request) {
  return fLibrary->ProcessReprintReceipt(request.Text(fHandle, fTillSerial));
}

ExportAnswer TillSession::ProcessXReport() { return fLibrary->ProcessXReport(Envelope(fHandle, fTillSerial)); }

ExportAnswer TillSession::ProcessZReport() { return fLibrary->ProcessZReport(Envelope(fHandle, fTillSerial)); }

ExportAnswer TillSession::ProcessStatus() { return fLibrary->ProcessGetStatus(Envelope(fHandle, fTillSerial)); }

}  // namespace dodu::host
