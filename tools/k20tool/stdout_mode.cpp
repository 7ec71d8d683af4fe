// Standard output carries binary records; on Windows the C runtime would turn 0A into 0D 0A.
#include <cstdio>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace k20::tool {
void SetStdoutBinary() {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}
}  // namespace k20::tool
