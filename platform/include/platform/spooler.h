#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace k20::platform {

using PrinterHandle = uintptr_t;  // 0 = none

struct PrinterInfo2 {
    std::string serverName, printerName, shareName, portName, driverName, comment, location;
    std::string printProcessor, dataType, parameters;
    uint32_t attributes = 0, priority = 0, status = 0, jobs = 0;
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
    // The local printers (level 2) in the order the spooler lists them. Not pure, so that
    // fakes written before it existed still compile; they report it as unsupported.
    virtual Error EnumLocalPrinters(std::vector<PrinterInfo2>& out) {
        out.clear();
        return kErrNotSupported;
    }
};

// One raw job on an open printer: document, page, the writes in order, and page and
// document closed on every path, stopping at the first failure. Returns that failure.
Error SendRawJob(Spooler& sp, PrinterHandle h, const std::string& docName,
                 const std::vector<std::vector<uint8_t>>& writes);

}  // namespace k20::platform
