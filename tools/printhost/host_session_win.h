#pragma once
// A stand-in for the printing host: it loads prnui.dll as the host does, publishes a
// driver-UI interface that records what it is given, offers the driver's own option items
// (paper size and density), collects the plug-in's pages through its sheet function and
// shows them in a property sheet. Not shipped; used to see and test the pages.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "prnui/core/oem_host_win.h"

namespace k20::printhost {

namespace host = k20::prnui::host;

struct UiUpdate {  // one DrvUpdateUISetting call
    std::wstring itemName;
    std::vector<std::wstring> options;
    DWORD previous = 0, mode = 0;
};

struct SetResultCall {
    HANDLE page;
    LPARAM result;
};

enum class Sheet { Document, Device };

class HostSession {
  public:
    HostSession();
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Loads the plug-in and makes its object: class factory, object, driver interface,
    // signature and version, and the private record (size, default, merge).
    bool Load(const std::wstring& dllPath, std::wstring& error);
    // The printer the sheets belong to (opened here; closed with the session).
    bool UsePrinter(const std::wstring& printerName);

    // The sheet request with the host's own two pages first; the pages are collected
    // through the sheet function. Returns the request's HRESULT.
    HRESULT Collect(Sheet sheet);
    // The same request answered into another host's sheet (the spooler's, when it asks a
    // configuration module for a sheet): the pages go straight to that sheet function.
    HRESULT CollectInto(Sheet sheet, HANDLE hComPropSheet, PFNCOMPROPSHEET pfn);
    // Shows the collected pages: modal (returns when closed) or modeless (returns the window).
    HWND Show(Sheet sheet, bool modeless, HWND owner = nullptr);
    // After a sheet closes: the record edited by the pages becomes the host's record when
    // a page reported CPSUI_OK (Apply or OK); otherwise the edits are dropped.
    void Finish();
    INT_PTR lastResult() const { return lastResult_; }

    host::IPrintOemUI* plugin() const { return plugin_; }
    std::vector<uint8_t>& privateRecord() { return record_; }
    std::vector<OPTITEM>& driverItems() { return items_; }
    const std::vector<UiUpdate>& uiUpdates() const;
    const std::vector<SetResultCall>& setResults() const { return setResults_; }
    const std::vector<std::wstring>& pageTitles() const { return titles_; }
    size_t pageCount() const { return pages_.size(); }
    const std::wstring& printerName() const { return printer_; }
    std::wstring WindowTitle(Sheet sheet) const;

    // The host's sheet function.
    static LONG_PTR CALLBACK ComPropSheet(HANDLE hComPropSheet, UINT function, LPARAM lParam1,
                                          LPARAM lParam2);

  private:
    void BuildOptionItems();
    void AddHostPages(Sheet sheet);
    HRESULT Request(Sheet sheet, HANDLE hComPropSheet, PFNCOMPROPSHEET pfn, bool hostPages);

    HMODULE dll_ = nullptr;
    host::IPrintOemUI* plugin_ = nullptr;
    struct DriverUI;
    std::unique_ptr<DriverUI> driverUI_;
    HANDLE hPrinter_ = nullptr;
    std::wstring printer_ = L"K-20 Receipt";
    std::vector<uint8_t> devmode_;  // public DEVMODEW followed by the private record
    std::vector<uint8_t> record_;   // the private record as the host keeps it between openings
    std::vector<uint8_t> editing_;  // what the pages edit while a sheet is open
    host::OEMCUIPPARAM cuip_{};
    host::OEMUIPSPARAM psp_{};
    std::vector<OPTITEM> items_;
    std::vector<OPTTYPE> types_;
    std::vector<std::vector<OPTPARAM>> params_;
    std::vector<HPROPSHEETPAGE> pages_;
    std::vector<std::wstring> titles_;
    std::vector<SetResultCall> setResults_;
    bool applied_ = false;
    INT_PTR lastResult_ = 0;
};

}  // namespace k20::printhost
