#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

// <winspool.h> maps OpenPrinter to OpenPrinterW. The interface method keeps its plain name
// in every file, whether or not that file saw the Windows spooler header first.
#ifdef OpenPrinter
#undef OpenPrinter
#endif

namespace k20::platform {

using PrinterHandle = uintptr_t;  // 0 = none

struct PrinterInfo2 {
    std::string serverName, printerName, shareName, portName, driverName, comment, location;
    std::string printProcessor, dataType, parameters;
    uint32_t attributes = 0, priority = 0, status = 0, jobs = 0;
};

// Form flags of the spooler's level-1 form record.
inline constexpr uint32_t kFormUser = 0;
inline constexpr uint32_t kFormBuiltin = 1;
inline constexpr uint32_t kFormPrinter = 2;

// A spooler form (level 1); sizes and imageable area in thousandths of a millimetre.
struct FormInfo1 {
    uint32_t flags = kFormUser;
    std::string name;
    int32_t width = 0, height = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The spooler as the pages and programs use it: printers and raw jobs.
class Spooler {
  public:
    virtual ~Spooler() = default;
    virtual Error OpenPrinter(const std::string& name, PrinterHandle& h) = 0;
    virtual Error ClosePrinter(PrinterHandle h) = 0;
    virtual Error GetPrinter2(PrinterHandle h, PrinterInfo2& info) = 0;
    virtual Error StartDocRaw(PrinterHandle h, const std::string& docName, const std::string& dataType,
                              uint32_t& jobId) = 0;
    virtual Error StartPage(PrinterHandle h) = 0;
    virtual Error WritePrinter(PrinterHandle h, const uint8_t* data, uint32_t size, uint32_t& written) = 0;
    virtual Error EndPage(PrinterHandle h) = 0;
    virtual Error EndDoc(PrinterHandle h) = 0;
    // The local printers (level 2) in the order the spooler lists them.
    virtual Error EnumLocalPrinters(std::vector<PrinterInfo2>& out) = 0;
    // Forms known to the printer's server, at level 1, in the spooler's order.
    virtual Error EnumForms1(PrinterHandle h, std::vector<FormInfo1>& out) = 0;
    virtual Error AddForm1(PrinterHandle h, const FormInfo1& form) = 0;
    // Replaces the size and imageable area of the form called name.
    virtual Error SetForm1(PrinterHandle h, const std::string& name, const FormInfo1& form) = 0;
    virtual Error DeleteForm1(PrinterHandle h, const std::string& name) = 0;
};

// One raw job on an open printer: document, page, the writes in order, and page and
// document closed on every path, stopping at the first failure. Returns that failure.
Error SendRawJob(Spooler& sp, PrinterHandle h, const std::string& docName,
                 const std::vector<std::vector<uint8_t>>& writes);

}  // namespace k20::platform
