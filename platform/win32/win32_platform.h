#pragma once
// The real Windows services behind the platform interfaces. The header keeps
// <windows.h> out so that portable callers can hold one.
#include <memory>

#include "platform/platform.h"

namespace k20::platform::win32 {

class Win32Registry : public Registry {
  public:
    Error CreateKey(RegRoot root, const std::string& path, RegView view = RegView::Default) override;
    bool KeyExists(RegRoot root, const std::string& path, RegView view = RegView::Default) override;
    Error DeleteTree(RegRoot root, const std::string& path, RegView view = RegView::Default) override;
    Error SetValue(RegRoot root, const std::string& path, const std::string& name, const RegValue& v,
                   RegView view = RegView::Default) override;
    Error GetValue(RegRoot root, const std::string& path, const std::string& name, RegValue& out,
                   RegView view = RegView::Default) override;
    Error DeleteValue(RegRoot root, const std::string& path, const std::string& name,
                      RegView view = RegView::Default) override;
    Error EnumSubKeys(RegRoot root, const std::string& path, std::vector<std::string>& out,
                      RegView view = RegView::Default) override;
    Error EnumValues(RegRoot root, const std::string& path, std::vector<std::string>& out,
                     RegView view = RegView::Default) override;
};

class Win32FileSystem : public FileSystem {
  public:
    Error ReadFile(const std::string& path, std::vector<uint8_t>& out) override;
    Error ReadFileLimited(const std::string& path, uint64_t limit, std::vector<uint8_t>& out) override;
    Error WriteFile(const std::string& path, const std::vector<uint8_t>& data) override;
    Error CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    Error DeleteFile(const std::string& path) override;
    Error CreateDirectory(const std::string& path) override;
    Error RemoveDirectory(const std::string& path) override;
    Error GetAttributes(const std::string& path, uint32_t& attrs) override;
    Error SetAttributes(const std::string& path, uint32_t attrs) override;
    Error FindFiles(const std::string& pattern, std::vector<FindEntry>& out) override;
    Error GetFileVersion(const std::string& path, std::string& version) override;
    Error MoveFileReplace(const std::string& from, const std::string& to) override;
    Error ReplaceAtRestart(const std::string& from, const std::string& to) override;
};

class Win32SystemInfo : public SystemInfo {
  public:
    std::string WindowsDirectory() override;
    std::string SystemDirectory() override;
    std::string AppDataDirectory() override;
    std::string TempDirectory() override;
    uint16_t DefaultUiLanguage() override;
    uint16_t SystemDefaultLanguage() override;
    unsigned AnsiCodePage() override;
    OsVersion Version() override;
    bool IsWindows64() override;
    bool IsWow64Process() override;
    uint64_t TickCount() override;
    void Sleep(uint32_t ms) override;
};

class Win32Spooler : public Spooler {
  public:
    Error OpenPrinter(const std::string& name, PrinterHandle& h) override;
    Error ClosePrinter(PrinterHandle h) override;
    Error GetPrinter2(PrinterHandle h, PrinterInfo2& info) override;
    Error StartDocRaw(PrinterHandle h, const std::string& docName, const std::string& dataType,
                      uint32_t& jobId) override;
    Error StartPage(PrinterHandle h) override;
    Error WritePrinter(PrinterHandle h, const uint8_t* data, uint32_t size, uint32_t& written) override;
    Error EndPage(PrinterHandle h) override;
    Error EndDoc(PrinterHandle h) override;
    Error EnumLocalPrinters(std::vector<PrinterInfo2>& out) override;
    Error EnumForms1(PrinterHandle h, std::vector<FormInfo1>& out) override;
    Error AddForm1(PrinterHandle h, const FormInfo1& form) override;
    Error SetForm1(PrinterHandle h, const std::string& name, const FormInfo1& form) override;
    Error DeleteForm1(PrinterHandle h, const std::string& name) override;
};

struct Win32Machine {
    Win32Registry registry;
    Win32FileSystem files;
    Win32SystemInfo system;
    Win32Spooler spooler;
    Platform platform() { return Platform{registry, files, system, spooler}; }
};

}  // namespace k20::platform::win32
