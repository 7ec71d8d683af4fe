#include "platform/bounded_read.h"

namespace k20::platform {

uint64_t FileLimit(FileKind kind) {
    switch (kind) {
        case FileKind::SettingsRecord:
            return kSettingsRecordFileLimit;
        case FileKind::ControlFontTable:
            return kControlFontTableFileLimit;
        case FileKind::UninstallIni:
            return kUninstallIniFileLimit;
        case FileKind::Logo:
            return kLogoFileLimit;
        case FileKind::LogJob:
            return kLogJobFileLimit;
        case FileKind::Firmware:
            return kFirmwareFileLimit;
        case FileKind::PrinterJob:
            return kPrinterJobFileLimit;
    }
    return 0;
}

const char* FileKindName(FileKind kind) {
    switch (kind) {
        case FileKind::SettingsRecord:
            return "settings record";
        case FileKind::ControlFontTable:
            return "control-font table";
        case FileKind::UninstallIni:
            return "Uninstall.ini";
        case FileKind::Logo:
            return "logo";
        case FileKind::LogJob:
            return "log job";
        case FileKind::Firmware:
            return "firmware file";
        case FileKind::PrinterJob:
            return "job file";
    }
    return "file";
}

Error ReadBoundedFile(FileSystem& fs, const std::string& path, FileKind kind, std::vector<uint8_t>& out) {
    return fs.ReadFileLimited(path, FileLimit(kind), out);
}

std::string DescribeReadError(const std::string& path, FileKind kind, Error e) {
    switch (e) {
        case kOk:
            return path;
        case kErrFileNotFound:
        case kErrPathNotFound:
            return path + ": no such file";
        case kErrBadFileType:
            return path + ": not a regular file (a " + FileKindName(kind) + " is read from a file)";
        case kErrFileTooLarge:
            return path + ": larger than the " + std::to_string(FileLimit(kind)) + " bytes a " +
                   FileKindName(kind) + " may have";
        case kErrAccessDenied:
            return "cannot open " + path + " (access denied, or a folder)";
    }
    return "cannot read " + path + " (error " + std::to_string(e) + ")";
}

}  // namespace k20::platform
