// Until the pages exist the sheets receive none; the host shows its own pages.
#include "prnui/core/plugin_object_win.h"

namespace k20::prnui {

void StartUp() {}
void ShutDown() {}

HRESULT BuildDocumentSheet(PluginObject&, PPROPSHEETUI_INFO info, LPARAM) {
    if (info) info->Result = CPSUI_OK;
    return S_OK;
}

HRESULT BuildDeviceSheet(PluginObject&, PPROPSHEETUI_INFO info, LPARAM) {
    if (info) info->Result = CPSUI_OK;
    return S_OK;
}

}  // namespace k20::prnui
