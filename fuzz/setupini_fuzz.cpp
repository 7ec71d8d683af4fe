// Feeds arbitrary bytes as every configuration file of the installer and reads every
// record the installation would use. The first byte picks the code page, the model, the
// system and the port flavour of this run, so that each run reads one installation's
// records and the campaign still reaches every combination.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "drvsetup/installer.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace k20::drvsetup;
    if (size < 1) return 0;
    const uint8_t pick = data[0];
    const bool chinese = pick & 1;
    const unsigned cp = chinese ? 936u : 1252u;
    const size_t modelIndex = (pick >> 1) & 3;
    const int os = (pick >> 3) & 7;
    const bool gdi = pick & 0x40;

    // One machine for the whole campaign: each run replaces the same five files, so no
    // state carries over, and a machine per run spent most of the time building it.
    static k20::platform::sim::SimMachine m;
    std::vector<uint8_t> bytes(data + 1, data + size);
    for (const char* f :
         {"DRVCONFIG\\setup.ini", "DRVCONFIG\\setup_receipt.ini", "DRVCONFIG\\setup_ticket_64.ini",
          "language\\setup_CN.ini", "language\\setup_EN.ini"})
        m.files.Put(std::string("C:\\pkg\\") + f, bytes);
    SetupConfig cfg(m.files, "C:\\pkg", chinese, cp);
    SetupTexts texts(m.files, "C:\\pkg", chinese ? 2052 : 0x0409, cp);
    (void)texts.Message("IDS_ERR_ADDMONITOR");
    (void)cfg.SetNumberPrefix();
    (void)cfg.DefaultModel();
    std::vector<ModelEntry> models = cfg.Models();
    models.push_back(ModelEntry{"ZRP-A10", 0});
    const ModelEntry& model = models[modelIndex < models.size() ? modelIndex : models.size() - 1];
    (void)MakeInstallRequest(cfg, WinVersion(os), model.type < 0 ? 0 : model.type, model.name,
                             PortKind(os % 4), "USB_X_1", gdi ? Flavour::Gdi : Flavour::Std, true);
    (void)cfg.Port(model.name, model.type);
    (void)cfg.ComMonitorVisible(os + 4);
    return 0;
}
