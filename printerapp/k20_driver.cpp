#include "printerapp/k20_driver.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "printerapp/raster_rows.h"
#include "printerapp/job_options.h"
#include "render/engine.h"

namespace k20::printerapp {

namespace {

constexpr int kDpi = static_cast<int>(render::kDotsPerInch);
constexpr uint32_t kMaxDots = render::kMaxDots;

// The roll is 80 mm wide; the head prints the middle 72 mm (576 dots), so clients are
// told of 4 mm margins left and right. Receipts are as long as their content: the
// lengths below are what a client may lay out, the engine drops the blank tail.
const char* const kMedia[] = {"om_receipt_80x100mm", "om_receipt_80x200mm", "om_receipt_80x297mm",
                              "roll_max_80x1000mm", "roll_min_80x20mm"};
constexpr const char* kMediaDefault = "om_receipt_80x200mm";
constexpr int kSideMargin = 400;  // hundredths of a millimetre

const char* const kDeviceId = "MFG:Pellamor;MDL:K-20;CMD:ESC/POS;CLS:PRINTER;";

pappl_pr_driver_t kDrivers[] = {
    {kDriverOrdered, "Pellamor K-20, 203 dpi, 80 mm roll", kDeviceId, nullptr},
    {kDriverDiffusion, "Pellamor K-20, 203 dpi, 80 mm roll, error diffusion", kDeviceId, nullptr},
};

std::mutex g_logMutex;
std::string g_logRoot;

std::string LogFolderFor(pappl_printer_t* printer) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    if (g_logRoot.empty()) return {};
    return g_logRoot + "/" + papplPrinterGetName(printer);
}

// The engine's byte sink on a PAPPL device. Bytes are gathered into pieces larger than
// PAPPL's own buffer, which PAPPL then writes straight through and whose failure it
// reports. The last piece may sit in PAPPL's buffer, whose flush reports nothing: the
// device's count of bytes written tells whether everything went out. A device that
// fails once stays failed.
class DeviceSink final : public render::ByteSink {
  public:
    explicit DeviceSink(pappl_device_t* device) : device_(device) {
        buffer_.reserve(kPiece);
        pappl_devmetrics_t m;
        if (device_ && papplDeviceGetMetrics(device_, &m)) startBytes_ = m.write_bytes;
    }
    bool Write(std::span<const uint8_t> bytes) override {
        if (failed_) return false;
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        if (buffer_.size() >= kPiece) return Drain();
        return true;
    }
    bool Finish() {
        if (!failed_ && !buffer_.empty()) Drain();
        if (failed_) return false;
        papplDeviceFlush(device_);
        pappl_devmetrics_t m;
        if (papplDeviceGetMetrics(device_, &m) && m.write_bytes - startBytes_ < handed_) failed_ = true;
        return !failed_;
    }
    bool Failed() const { return failed_; }

  private:
    static constexpr size_t kPiece = 64 * 1024;
    bool Drain() {
        const ssize_t n = papplDeviceWrite(device_, buffer_.data(), buffer_.size());
        if (n < 0 || static_cast<size_t>(n) != buffer_.size()) failed_ = true;
        handed_ += buffer_.size();
        buffer_.clear();
        return !failed_;
    }
    pappl_device_t* device_;
    std::vector<uint8_t> buffer_;
    size_t startBytes_ = 0;
    size_t handed_ = 0;
    bool failed_ = false;
};

struct K20Job {
    explicit K20Job(pappl_device_t* device) : sink(device) {}
    DeviceSink sink;
    std::unique_ptr<render::Engine> engine;
    Halftone halftone = Halftone::Ordered;
    RowAdapter rows;
};

K20Job* JobData(pappl_job_t* job) {
    return static_cast<K20Job*>(papplJobGetData(job));
}

Halftone HalftoneOf(pappl_printer_t* printer) {
    const char* name = papplPrinterGetDriverName(printer);
    return name && std::strcmp(name, kDriverDiffusion) == 0 ? Halftone::Diffusion : Halftone::Ordered;
}

void ReportFailure(pappl_job_t* job, K20Job* data) {
    const std::string& why = data->engine ? data->engine->Error() : std::string();
    if (data->sink.Failed())
        papplJobSetMessage(job, "The printer stopped taking data: the connection was lost.");
    else
        papplJobSetMessage(job, "The job could not be rendered: %s", why.c_str());
    papplJobSetReasons(job, PAPPL_JREASON_ABORTED_BY_SYSTEM | PAPPL_JREASON_ERRORS_DETECTED,
                       PAPPL_JREASON_NONE);
    if (data->sink.Failed())
        papplPrinterSetReasons(papplJobGetPrinter(job), PAPPL_PREASON_OFFLINE, PAPPL_PREASON_NONE);
}

bool StartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
    auto data = std::make_unique<K20Job>(device);
    pappl_printer_t* printer = papplJobGetPrinter(job);
    // Reaching the device is news enough that it is not offline.
    papplPrinterSetReasons(printer, PAPPL_PREASON_NONE, PAPPL_PREASON_OFFLINE);

    // PAPPL 1.3 hands the driver a job's own vendor values but not the printer's
    // defaults for the others (it looks for them among the job's attributes): those
    // are taken from the printer's attributes here.
    cups_option_t* values = nullptr;
    int numValues = 0;
    for (int i = 0; i < options->num_vendor; ++i)
        numValues = cupsAddOption(options->vendor[i].name, options->vendor[i].value, numValues, &values);
    if (ipp_t* attrs = papplPrinterGetDriverAttributes(printer)) {
        for (const VendorOption& o : VendorOptions()) {
            if (cupsGetOption(o.name, numValues, values)) continue;
            const std::string def = std::string(o.name) + "-default";
            if (ipp_attribute_t* a = ippFindAttribute(attrs, def.c_str(), IPP_TAG_ZERO)) {
                char text[256];
                ippAttributeString(a, text, sizeof(text));
                numValues = cupsAddOption(o.name, text, numValues, &values);
            }
        }
        ippDelete(attrs);
    }
    OptionLookup lookup = [numValues, values](std::string_view name) -> const char* {
        return cupsGetOption(std::string(name).c_str(), numValues, values);
    };
    const char* jobName = papplJobGetName(job);
    render::JobSettings settings =
        SettingsFromOptions(lookup, options->print_darkness, options->darkness_configured,
                            DriverLog{LogFolderFor(printer)}, jobName ? jobName : "job");
    data->halftone = HalftoneOf(printer);
    cupsFreeOptions(numValues, values);
    data->engine = std::make_unique<render::Engine>(data->sink, std::move(settings));
    data->engine->StartDocument();
    const bool ok = data->engine->Ok();
    if (!ok) ReportFailure(job, data.get());
    papplJobSetData(job, data.release());
    return ok;
}

bool StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned) {
    K20Job* data = JobData(job);
    if (!data) return false;
    const cups_page_header2_t& h = options->header;
    RowFormat format{h.cupsWidth, h.cupsBitsPerPixel,
                     h.cupsColorSpace == CUPS_CSPACE_K && h.cupsBitsPerPixel == 8};
    if (!data->rows.StartPage(format, data->halftone, kMaxDots)) {
        papplJobSetMessage(job, "Raster rows of %u bits per dot cannot be printed.", h.cupsBitsPerPixel);
        papplJobSetReasons(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, PAPPL_JREASON_NONE);
        return false;
    }
    data->engine->StartPage(data->rows.OutWidth());
    return data->engine->Ok();
}

bool WriteLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned,
               const unsigned char* line) {
    K20Job* data = JobData(job);
    if (!data || !data->engine->Ok()) return false;
    data->engine->WriteRow(data->rows.Convert({line, options->header.cupsBytesPerLine}));
    return data->engine->Ok();
}

bool EndPage(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned) {
    K20Job* data = JobData(job);
    if (!data) return false;
    data->engine->EndPage();
    if (!data->engine->Ok()) ReportFailure(job, data);
    return data->engine->Ok();
}

bool EndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
    std::unique_ptr<K20Job> data(JobData(job));
    papplJobSetData(job, nullptr);
    if (!data) return false;
    data->engine->EndDocument();
    const bool sent = data->sink.Finish();
    const bool ok = data->engine->Ok() && sent;
    if (!ok) ReportFailure(job, data.get());
    if (!data->engine->LogWarning().empty())
        papplLogJob(job, PAPPL_LOGLEVEL_WARN, "Driver log: %s", data->engine->LogWarning().c_str());
    return ok;
}

// Identify-Printer sounds the buzzer once: the one action a receipt printer has.
void Identify(pappl_printer_t* printer, pappl_identify_actions_t, const char*) {
    pappl_device_t* device = papplPrinterOpenDevice(printer);
    if (!device) return;
    render::JobSettings settings;
    settings.operations[static_cast<size_t>(render::OperationPoint::StartDocument)].buzzer = 1;
    DeviceSink sink(device);
    render::Engine engine(sink, std::move(settings));
    engine.StartDocument();
    engine.EndDocument();
    sink.Finish();
    papplPrinterCloseDevice(printer);
}

void AddVendorAttributes(pappl_pr_driver_data_t* data, ipp_t* attrs) {
    data->num_vendor = 0;
    for (const VendorOption& o : VendorOptions()) {
        if (data->num_vendor >= PAPPL_MAX_VENDOR) break;
        data->vendor[data->num_vendor++] = o.name;
        const std::string sup = std::string(o.name) + "-supported";
        const std::string def = std::string(o.name) + "-default";
        switch (o.syntax) {
            case OptionSyntax::Keyword:
                ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, sup.c_str(),
                              static_cast<int>(o.keywords.size()), nullptr, o.keywords.data());
                ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, def.c_str(), nullptr, o.defaultValue);
                break;
            case OptionSyntax::IntegerList:
                ippAddIntegers(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, sup.c_str(),
                               static_cast<int>(o.integers.size()), o.integers.data());
                ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, def.c_str(),
                              std::atoi(o.defaultValue));
                break;
            case OptionSyntax::Range:
                ippAddRange(attrs, IPP_TAG_PRINTER, sup.c_str(), o.lower, o.upper);
                ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, def.c_str(),
                              std::atoi(o.defaultValue));
                break;
        }
    }
}

std::atomic<bool> g_paperStatus{false};

// One printer's paper status query, moved a step per timer tick so that PAPPL's main
// loop never waits on the network. Touched by the main loop only.
struct Probe {
    int fd = -1;
    int phase = 0;  // 0 idle, 1 connecting, 2 waiting for the answer
    time_t started = 0;
    time_t done = 0;
    void Close() {
        if (fd >= 0) close(fd);
        fd = -1;
        phase = 0;
        done = time(nullptr);
    }
};
std::map<int, Probe> g_probes;

constexpr time_t kProbeEvery = 3;    // seconds between queries of one printer
constexpr time_t kProbeTimeout = 3;  // seconds a query may take
// DLE EOT 4: the paper roll sensor. The answer has bits 1 and 4 set and 0 and 7 clear;
// bits 2-3 say the roll is near its end, bits 5-6 that it has ended.
constexpr uint8_t kPaperQuery[] = {0x10, 0x04, 0x04};

bool StartProbe(Probe& p, const char* uri) {
    char scheme[32], user[64], host[256], resource[256];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof(scheme), user, sizeof(user), host,
                        sizeof(host), &port, resource, sizeof(resource)) < HTTP_URI_STATUS_OK)
        return false;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port ? port : 9100);
    if (getaddrinfo(host, service.c_str(), &hints, &list) != 0 || !list) return false;
    p.fd = socket(list->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (p.fd >= 0 && connect(p.fd, list->ai_addr, list->ai_addrlen) != 0 && errno != EINPROGRESS) {
        close(p.fd);
        p.fd = -1;
    }
    freeaddrinfo(list);
    if (p.fd < 0) return false;
    p.phase = 1;
    p.started = time(nullptr);
    return true;
}

void StepProbe(pappl_printer_t* printer, Probe& p) {
    const time_t now = time(nullptr);
    if (p.phase == 0) {
        if (now - p.done < kProbeEvery) return;
        if (!StartProbe(p, papplPrinterGetDeviceURI(printer))) p.done = now;
        return;
    }
    if (now - p.started > kProbeTimeout) return p.Close();
    pollfd pfd{p.fd, short(p.phase == 1 ? POLLOUT : POLLIN), 0};
    if (poll(&pfd, 1, 0) <= 0) return;
    if (p.phase == 1) {
        int err = 0;
        socklen_t len = sizeof(err);
        getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &err, &len);
        if (err) {
            // Nobody listens where the printer should be.
            papplPrinterSetReasons(printer, PAPPL_PREASON_OFFLINE, PAPPL_PREASON_NONE);
            return p.Close();
        }
        if (send(p.fd, kPaperQuery, sizeof(kPaperQuery), MSG_NOSIGNAL) != ssize_t(sizeof(kPaperQuery)))
            return p.Close();
        p.phase = 2;
        return;
    }
    uint8_t answer = 0;
    const ssize_t got = recv(p.fd, &answer, 1, MSG_DONTWAIT);
    papplLogPrinter(printer, PAPPL_LOGLEVEL_DEBUG, "Paper sensor: %s %02X.",
                    got == 1 ? "answer" : "no answer", answer);
    if (got == 1 && (answer & 0x93) == 0x12) {
        pappl_preason_t add = PAPPL_PREASON_NONE;
        if (answer & 0x60)
            add = PAPPL_PREASON_MEDIA_EMPTY;
        else if (answer & 0x0C)
            add = PAPPL_PREASON_MEDIA_LOW;
        const pappl_preason_t paper = PAPPL_PREASON_MEDIA_EMPTY | PAPPL_PREASON_MEDIA_LOW;
        papplPrinterSetReasons(printer, add, (paper & ~add) | PAPPL_PREASON_OFFLINE);
    }
    p.Close();
}

void PrinterStatus(pappl_printer_t* printer, void*) {
    const pappl_preason_t reasons = papplPrinterGetReasons(printer);
    const bool busy =
        papplPrinterGetState(printer) != IPP_PSTATE_IDLE || papplPrinterGetNumberOfActiveJobs(printer) > 0;
    // PAPPL stops a printer whose device cannot be opened and retries the job every few
    // seconds; the reason says why the queue does not move.
    if (papplPrinterGetState(printer) == IPP_PSTATE_STOPPED &&
        papplPrinterGetNumberOfActiveJobs(printer) > 0 && !(reasons & PAPPL_PREASON_OFFLINE))
        papplPrinterSetReasons(printer, PAPPL_PREASON_OFFLINE, PAPPL_PREASON_NONE);

    const char* uri = papplPrinterGetDeviceURI(printer);
    if (!g_paperStatus || !uri || std::strncmp(uri, "socket://", 9) != 0) return;
    Probe& p = g_probes[papplPrinterGetID(printer)];
    // A job owns the connection while it prints; the query waits for the printer to idle.
    if (busy) {
        if (p.fd >= 0) p.Close();
        return;
    }
    StepProbe(printer, p);
}

}  // namespace

pappl_pr_driver_t* Drivers(int& count) {
    count = static_cast<int>(sizeof(kDrivers) / sizeof(kDrivers[0]));
    return kDrivers;
}

void SetPaperStatusQueries(bool on) {
    g_paperStatus = on;
}

void SetDriverLogRoot(std::string folder) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_logRoot = std::move(folder);
}

bool StatusTimer(pappl_system_t* system, void*) {
    papplSystemIteratePrinters(system, PrinterStatus, nullptr);
    return true;
}

const char* AutoAddCallback(const char*, const char*, const char* deviceId, void*) {
    if (deviceId && std::strstr(deviceId, "MDL:K-20")) return kDriverOrdered;
    return nullptr;
}

bool DriverCallback(pappl_system_t*, const char* driverName, const char*, const char*,
                    pappl_pr_driver_data_t* data, ipp_t** attrs, void*) {
    if (!driverName ||
        (std::strcmp(driverName, kDriverOrdered) != 0 && std::strcmp(driverName, kDriverDiffusion) != 0))
        return false;

    data->rstartjob_cb = StartJob;
    data->rstartpage_cb = StartPage;
    data->rwriteline_cb = WriteLine;
    data->rendpage_cb = EndPage;
    data->rendjob_cb = EndJob;
    data->identify_cb = Identify;
    data->status_cb = nullptr;
    data->printfile_cb = nullptr;
    data->testpage_cb = nullptr;
    data->format = "image/pwg-raster";

    std::snprintf(data->make_and_model, sizeof(data->make_and_model), "Pellamor K-20");
    data->ppm = 60;
    data->kind = PAPPL_KIND_RECEIPT | PAPPL_KIND_ROLL;
    data->color_supported = PAPPL_COLOR_MODE_AUTO | PAPPL_COLOR_MODE_MONOCHROME | PAPPL_COLOR_MODE_BI_LEVEL;
    data->color_default = PAPPL_COLOR_MODE_MONOCHROME;
    data->content_default = PAPPL_CONTENT_AUTO;
    data->quality_default = IPP_QUALITY_NORMAL;
    data->scaling_default = PAPPL_SCALING_AUTO;
    data->orient_default = IPP_ORIENT_PORTRAIT;
    data->duplex = PAPPL_DUPLEX_NONE;
    data->sides_supported = PAPPL_SIDES_ONE_SIDED;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    data->finishings = PAPPL_FINISHINGS_NONE;
    data->input_face_up = true;
    data->output_face_up = true;

    // Only 8-bit gray is taken, and the driver halftones it: PAPPL 1.3 reads a 1-bit
    // raster against the job's media instead of the raster's own header (a receipt
    // longer than the media is cut short, a narrower one shifted), while for 8-bit
    // input it passes the client's header on. PAPPL's own dither arrays are the same
    // matrix, for what it halftones itself.
    data->raster_types = PAPPL_PWG_RASTER_TYPE_SGRAY_8;
    data->force_raster_type = PAPPL_PWG_RASTER_TYPE_NONE;
    static_assert(sizeof(data->gdither) == sizeof(DitherArray));
    std::memcpy(data->gdither, PrintDither(), sizeof(data->gdither));
    std::memcpy(data->pdither, PrintDither(), sizeof(data->pdither));

    data->num_resolution = 1;
    data->x_resolution[0] = kDpi;
    data->y_resolution[0] = kDpi;
    data->x_default = kDpi;
    data->y_default = kDpi;

    data->borderless = false;
    data->left_right = kSideMargin;
    data->bottom_top = 0;
    data->num_media = static_cast<int>(sizeof(kMedia) / sizeof(kMedia[0]));
    for (int i = 0; i < data->num_media; ++i) data->media[i] = kMedia[i];
    data->num_source = 1;
    data->source[0] = "main-roll";
    data->num_type = 1;
    data->type[0] = "continuous";
    data->tracking_supported = PAPPL_MEDIA_TRACKING_CONTINUOUS;

    pappl_media_col_t& m = data->media_default;
    std::memset(&m, 0, sizeof(m));
    std::snprintf(m.size_name, sizeof(m.size_name), "%s", kMediaDefault);
    m.size_width = 8000;
    m.size_length = 20000;
    m.left_margin = m.right_margin = kSideMargin;
    m.top_margin = m.bottom_margin = 0;
    std::snprintf(m.source, sizeof(m.source), "main-roll");
    std::snprintf(m.type, sizeof(m.type), "continuous");
    m.tracking = PAPPL_MEDIA_TRACKING_CONTINUOUS;
    data->media_ready[0] = m;

    // Three densities: print-darkness moves the printer's configured darkness.
    data->darkness_supported = 3;
    data->darkness_configured = 50;
    data->darkness_default = 0;

    data->identify_supported = PAPPL_IDENTIFY_ACTIONS_SOUND;
    data->identify_default = PAPPL_IDENTIFY_ACTIONS_SOUND;

    if (!*attrs) *attrs = ippNew();
    AddVendorAttributes(data, *attrs);
    // What IPP Everywhere asks of every printer and PAPPL 1.3 leaves out for a
    // one-sided monochrome one; each is what this printer does.
    ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "pwg-raster-document-sheet-back", nullptr,
                 "normal");
    ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-supported", nullptr,
                 "auto");
    ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-default", nullptr, "auto");
    ippAddBoolean(*attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
    return true;
}

}  // namespace k20::printerapp
