// Feeds arbitrary bytes as every configuration file of the installer and reads every
// record the installation would use.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "drvsetup/installer.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace k20::drvsetup;
    k20::platform::sim::SimMachine m;
    std::vector<uint8_t> bytes(data, data + size);
    for (const char* f :
         {"DRVCONFIG\\setup.ini", "DRVCONFIG\\setup_receipt.ini", "DRVCONFIG\\setup_ticket_64.ini",
          "language\\setup_CN.ini", "language\\setup_EN.ini"})
        m.files.Put(std::string("C:\\pkg\\") + f, bytes);
    for (unsigned cp : {1252u, 936u}) {
        SetupConfig cfg(m.files, "C:\\pkg", cp == 936, cp);
        SetupTexts texts(m.files, "C:\\pkg", cp == 936 ? 2052 : 0x0409, cp);
        (void)texts.Message("IDS_ERR_ADDMONITOR");
        (void)cfg.SetNumberPrefix();
        (void)cfg.DefaultModel();
        std::vector<ModelEntry> models = cfg.Models();
        models.push_back(ModelEntry{"ZRP-A10", 0});
        for (size_t i = 0; i < models.size() && i < 4; ++i) {
            for (int os = 0; os < 8; ++os) {
                (void)MakeInstallRequest(cfg, WinVersion(os), models[i].type < 0 ? 0 : models[i].type,
                                         models[i].name, PortKind(os % 4), "USB_X_1",
                                         os & 1 ? Flavour::Gdi : Flavour::Std, true);
                (void)cfg.Port(models[i].name, models[i].type);
                (void)cfg.ComMonitorVisible(os + 4);
            }
        }
    }
    return 0;
}
