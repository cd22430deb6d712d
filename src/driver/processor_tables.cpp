#include "driver/processor_tables.h"

#include "driver/fiscal_processor.h"

namespace dodu {

namespace {

ProcessorTables*& TablesPointer() {
  static ProcessorTables* tables = nullptr;
  return tables;
}

}  // namespace

ProcessorTables& GetProcessorTables() {
  ProcessorTables*& tables = TablesPointer();
  if (tables == nullptr) tables = new ProcessorTables();
  return *tables;
}

void RegisterFiscalProcessorClass(const std::string& aDriverName, kFiscalProcessorClass aClass) {
  GetProcessorTables().FiscalProcessorClasses[aDriverName] = std::move(aClass);
}

void DropProcessorTables() {
  ProcessorTables*& tables = TablesPointer();
  if (tables == nullptr) return;
  // Processors are not closed at unload (their logs get no closing line), but their log threads
  // must end with the library's code, and their memory goes with it.
  for (auto& [handle, processor] : tables->FiscalProcessors) {
    processor->IOHandler().CloseLogAtUnload();
    delete processor;
  }
  delete tables;
  tables = nullptr;
}

}  // namespace dodu
