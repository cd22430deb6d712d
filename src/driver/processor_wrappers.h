#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "driver/fiscal_printer_defs.h"

namespace dodu {

class kFiscalProcessor;
class kFiscalProcessorHandler;

// The per-call object of one export: parses the envelope, resolves the processor, runs one
// operation and keeps the outcome. Process never raises.
class kFiscalProcessorWrapper {
 public:
  kFiscalProcessorWrapper();
  virtual ~kFiscalProcessorWrapper();

  void Process(const std::string& aXml);
  int32_t GetResult() const { return fError ? -1 : 0; }
  const std::string& ErrorText() const { return fErrorText; }

 protected:
  virtual void Run(const std::string& aXml) = 0;
  void GetProcessor(bool aCreate);
  void SetError(const std::string& aMessage);
  // The operation answered false: the reason is in the processor's I/O handler.
  void Fail();
  // Takes the resolved processor out of the processor table and releases it.
  void DiscardProcessor();

  std::unique_ptr<kFiscalProcessorHandler> fHandler;
  kFiscalProcessor* fProcessor = nullptr;
  bool fError = false;
  std::string fErrorText;
};

class kFiscalProcessorWrapper_OPEN : public kFiscalProcessorWrapper {
 public:
  int32_t fHandle = 0;

 protected:
  void Run(const std::string& aXml) override;
};

class kFiscalProcessorWrapper_PROCESSRECEIPT : public kFiscalProcessorWrapper {
 public:
  std::string fOutput;

 protected:
  void Run(const std::string& aXml) override;
};

class kFiscalProcessorWrapper_PROCESSREPRINTRECEIPT : public kFiscalProcessorWrapper {
 public:
  std::string fOutput;

 protected:
  void Run(const std::string& aXml) override;
};

class kFiscalProcessorWrapper_PROCESSZREPORT : public kFiscalProcessorWrapper {
 public:
  qvFiscalCounters fCounters;  // a copy of the processor's counters, zero until it succeeded
  std::string ResultXml() const;

 protected:
  void Run(const std::string& aXml) override;
  void CopyCounters();
  virtual const char* RootName() const { return "ZReport"; }
};

class kFiscalProcessorWrapper_PROCESSXREPORT : public kFiscalProcessorWrapper_PROCESSZREPORT {
 protected:
  void Run(const std::string& aXml) override;
  const char* RootName() const override { return "XReport"; }
};

class kFiscalProcessorWrapper_GETSTATUS : public kFiscalProcessorWrapper {
 public:
  qvProcessorStatus fStatus;
  std::string ResultXml() const;

 protected:
  void Run(const std::string& aXml) override;
};

}  // namespace dodu
