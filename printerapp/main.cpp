// k20-printer-app: the K-20 as an IPP Everywhere printer on PAPPL. papplMainloop gives
// the sub-commands (server, add, delete, printers, submit, status, shutdown, ...); the
// system callback only adds where the state lives.
#include <pappl/pappl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "printerapp/k20_driver.h"
#include "printerapp/job_options.h"
#include "printerapp/render_command.h"

namespace {

using namespace k20::printerapp;

std::string g_baseName = "k20-printer-app";
// PAPPL 1.3's printing-defaults page looks up the footer's translation even when there
// is no footer, and crashes on the missing text: there is always one.
const char* const kFooter = "Pellamor K-20 printer application";
std::string g_stateFile;

const char* Option(const char* name, int num, cups_option_t* options) {
    return cupsGetOption(name, num, options);
}

pappl_loglevel_t LogLevel(const char* value) {
    if (!value) return PAPPL_LOGLEVEL_WARN;
    if (!std::strcmp(value, "fatal")) return PAPPL_LOGLEVEL_FATAL;
    if (!std::strcmp(value, "error")) return PAPPL_LOGLEVEL_ERROR;
    if (!std::strcmp(value, "info")) return PAPPL_LOGLEVEL_INFO;
    if (!std::strcmp(value, "debug")) return PAPPL_LOGLEVEL_DEBUG;
    return PAPPL_LOGLEVEL_WARN;
}

pappl_soptions_t ServerOptions(const char* list) {
    pappl_soptions_t o = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE | PAPPL_SOPTIONS_WEB_LOG;
    if (!list) return o;
    std::string s = std::string(",") + list + ",";
    auto has = [&](const char* word) { return s.find(std::string(",") + word + ",") != std::string::npos; };
    if (has("no-tls")) o |= PAPPL_SOPTIONS_NO_TLS;
    if (has("web-remote")) o |= PAPPL_SOPTIONS_WEB_REMOTE;
    if (has("web-security")) o |= PAPPL_SOPTIONS_WEB_SECURITY;
    if (has("web-tls")) o |= PAPPL_SOPTIONS_WEB_TLS;
    if (has("raw-socket")) o |= PAPPL_SOPTIONS_RAW_SOCKET;
    if (has("no-web-interface")) o &= ~static_cast<pappl_soptions_t>(PAPPL_SOPTIONS_WEB_INTERFACE);
    return o;
}

bool MakeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

pappl_system_t* SystemCallback(int num, cups_option_t* options, void*) {
    const char* stateDir = Option("state-directory", num, options);
    std::string spool;
    std::string logFile = Option("log-file", num, options) ? Option("log-file", num, options) : "";
    if (stateDir) {
        if (!MakeFolder(stateDir) || !MakeFolder(std::string(stateDir) + "/spool")) {
            std::fprintf(stderr, "%s: cannot use the state folder \"%s\": %s\n", g_baseName.c_str(), stateDir,
                         std::strerror(errno));
            return nullptr;
        }
        spool = std::string(stateDir) + "/spool";
        g_stateFile = std::string(stateDir) + "/" + g_baseName + ".state";
        if (logFile.empty()) logFile = std::string(stateDir) + "/server.log";
    } else if (const char* dir = Option("spool-directory", num, options)) {
        spool = dir;
    }

    int port = 0;
    if (const char* value = Option("server-port", num, options)) {
        char* end = nullptr;
        port = static_cast<int>(std::strtol(value, &end, 10));
        if (port < 0 || port > 65535 || !end || *end) {
            std::fprintf(stderr, "%s: bad server-port \"%s\"\n", g_baseName.c_str(), value);
            return nullptr;
        }
    }

    pappl_system_t* system = papplSystemCreate(
        ServerOptions(Option("server-options", num, options)), g_baseName.c_str(), port, "_print,_universal",
        spool.empty() ? nullptr : spool.c_str(), logFile.empty() ? nullptr : logFile.c_str(),
        LogLevel(Option("log-level", num, options)), Option("auth-service", num, options), false);
    if (!system) return nullptr;

    if (const char* name = Option("server-hostname", num, options)) papplSystemSetHostName(system, name);
    if (!Option("private-server", num, options))
        papplSystemAddListeners(system, Option("listen-hostname", num, options));

    int count = 0;
    pappl_pr_driver_t* drivers = Drivers(count);
    papplSystemSetPrinterDrivers(system, count, drivers, AutoAddCallback, nullptr, DriverCallback, nullptr);
    if (const char* paper = Option("paper-status", num, options))
        SetPaperStatusQueries(!std::strcmp(paper, "on"));
    papplSystemAddTimerCallback(system, 0, 1, StatusTimer, nullptr);

    std::string logRoot;
    if (const char* dir = Option("driver-log-directory", num, options))
        logRoot = dir;
    else if (stateDir)
        logRoot = std::string(stateDir) + "/driver-log";
    if (!logRoot.empty() && !MakeFolder(logRoot)) logRoot.clear();
    SetDriverLogRoot(logRoot);

    if (!g_stateFile.empty()) {
        // With a state folder of its own the application keeps its printers there;
        // otherwise papplMainloop keeps them where PAPPL always does.
        papplSystemLoadState(system, g_stateFile.c_str());
        papplSystemSetSaveCallback(system, reinterpret_cast<pappl_save_cb_t>(papplSystemSaveState),
                                   const_cast<char*>(g_stateFile.c_str()));
    }
    return system;
}

// PAPPL 1.3 gives a printer added while the server runs "printer-id" 0 in its own
// attributes until the server restarts, and its "delete" sub-command asks the printer
// for that attribute, so it cannot delete such a printer. The system's list of
// configured printers has the right number: delete by that.
std::string ServerSocket() {
    const char* tmp = std::getenv("TMPDIR");
    if (getuid() == 0) return "/run/" + g_baseName + ".sock";
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/" + g_baseName + std::to_string(getuid()) + ".sock";
}

int DeletePrinter(int argc, char* argv[]) {
    const char* name = nullptr;
    for (int i = 2; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "-d")) name = argv[i + 1];
    if (!name) {
        std::fprintf(stderr, "%s: Missing '-d PRINTER'.\n", g_baseName.c_str());
        return 1;
    }
    const std::string path = ServerSocket();
    http_t* http =
        httpConnect2(path.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 30000, nullptr);
    if (!http) {
        std::fprintf(stderr, "%s: Server is not running.\n", g_baseName.c_str());
        return 1;
    }
    ipp_t* request = ippNewRequest(IPP_OP_GET_SYSTEM_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "system-uri", nullptr,
                 "ipp://localhost/ipp/system");
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "system-configured-printers");
    ipp_t* response = cupsDoRequest(http, request, "/ipp/system");
    int id = 0;
    ipp_attribute_t* list =
        ippFindAttribute(response, "system-configured-printers", IPP_TAG_BEGIN_COLLECTION);
    for (int i = 0; list && i < ippGetCount(list) && !id; ++i) {
        ipp_t* col = ippGetCollection(list, i);
        const char* n = ippGetString(ippFindAttribute(col, "printer-name", IPP_TAG_ZERO), 0, nullptr);
        if (n && !std::strcmp(n, name))
            id = ippGetInteger(ippFindAttribute(col, "printer-id", IPP_TAG_INTEGER), 0);
    }
    ippDelete(response);
    if (!id) {
        std::fprintf(stderr, "%s: No printer named \"%s\".\n", g_baseName.c_str(), name);
        httpClose(http);
        return 1;
    }
    request = ippNewRequest(IPP_OP_DELETE_PRINTER);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "system-uri", nullptr,
                 "ipp://localhost/ipp/system");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "printer-id", id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippDelete(cupsDoRequest(http, request, "/ipp/system"));
    httpClose(http);
    if (cupsLastError() != IPP_STATUS_OK) {
        std::fprintf(stderr, "%s: Unable to delete printer: %s\n", g_baseName.c_str(), cupsLastErrorString());
        return 1;
    }
    return 0;
}

void Usage(void*) {
    std::printf(
        "Usage: %s SUB-COMMAND [OPTIONS] [FILES]\n"
        "  server -o state-directory=DIR [-o server-port=N] [-o listen-hostname=HOST]\n"
        "         [-o server-options=no-tls,...] [-o log-level=info] [-o driver-log-directory=DIR]\n"
        "         [-o paper-status=on]\n"
        "  add -d NAME -m k20|k20-diffusion -v socket://HOST:9100|usb://...|file:///PATH\n"
        "  delete -d NAME | printers | devices | drivers | status | shutdown\n"
        "  submit -d NAME [-o cut-job=full ...] FILE\n"
        "  render [-o cut-job=full ...] [-o halftone=diffusion] [-o output=FILE] RASTER.pwg\n"
        "Vendor options: cut-page, cut-job, drawer, buzzer, logo, logo-align, logo-position, feed,\n"
        "driver-log (see README).\n",
        g_baseName.c_str());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 0 && argv[0]) {
        const char* slash = std::strrchr(argv[0], '/');
        g_baseName = slash ? slash + 1 : argv[0];
    }
    if (argc > 2 && !std::strcmp(argv[1], "delete")) return DeletePrinter(argc, argv);
    int count = 0;
    pappl_pr_driver_t* drivers = Drivers(count);
    const int rc = papplMainloop(argc, argv, "1.0.0", kFooter, count, drivers, AutoAddCallback,
                                 DriverCallback, "render", RenderCommand, SystemCallback, Usage, nullptr);
    // PAPPL 1.3 leaves its local socket behind when the server ends.
    if (argc > 1 && !std::strcmp(argv[1], "server")) unlink(ServerSocket().c_str());
    return rc;
}
