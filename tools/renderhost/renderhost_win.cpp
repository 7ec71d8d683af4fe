// renderhost <plugin.dll> <out.prn> [record.bin] [line...]: drives the rendering plug-in
// through one page of the given lines, as the system's Unidrv would, and writes what it
// spooled. For looking at the plug-in's output by hand; the tests use the library.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "tools/renderhost/render_host_win.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: renderhost <plugin.dll> <out.prn> [record.bin] [line...]\n");
        return 2;
    }
    using namespace k20::renderhost;
    HostJob job;
    if (argc > 3) {
        std::ifstream rec(argv[3], std::ios::binary);
        job.privateRecord.assign(std::istreambuf_iterator<char>(rec), {});
    }
    std::vector<std::wstring> lines;
    for (int i = 4; i < argc; ++i) lines.push_back(argv[i]);
    if (lines.empty()) lines = {L"K-20 stand-in host", L"0123456789"};
    job.pages.push_back(DrawTextPage(576, 200, lines));
    HostResult r = RunJob(argv[1], job);
    if (!r.error.empty()) {
        std::fprintf(stderr, "renderhost: %s\n", r.error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(r.spooled.data()), std::streamsize(r.spooled.size()));
    std::printf("%zu bytes in %d writes\n", r.spooled.size(), r.writeCalls);
    return out ? 0 : 1;
}
