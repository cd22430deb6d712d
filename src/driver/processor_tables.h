#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace dodu {

class kFiscalProcessor;
class kFiscalProcessorHandler;

// Creates a processor of one driver class from the request envelope.
using kFiscalProcessorClass = std::function<std::unique_ptr<kFiscalProcessor>(const kFiscalProcessorHandler&)>;

// The driver table (driver name, exact case, to class), the processor table (handle to open
// processor) and the handle counter. The host calls from one thread at a time, so none of them
// is guarded. A processor that opened lives until the library unloads; one whose first Open
// failed is taken out again by the OPEN that created it.
struct ProcessorTables {
  std::map<std::string, kFiscalProcessorClass> FiscalProcessorClasses;
  std::map<int32_t, kFiscalProcessor*> FiscalProcessors;
  int32_t LastProcessorHandle = 0;
};

ProcessorTables& GetProcessorTables();
void RegisterFiscalProcessorClass(const std::string& aDriverName, kFiscalProcessorClass aClass);
// Drops both tables at library unload. The processors are released without closing them: their
// logs are written out but get no closing line.
void DropProcessorTables();

}  // namespace dodu
