#include "platform/sim/sim_machine.h"

#include <algorithm>

#include "common/text.h"

namespace k20::platform::sim {

// ---- faults ----

void FaultInjector::FailOn(const std::string& op, int nthCall, Error err) {
    planned_[op][nthCall] = err;
}
void FaultInjector::FailAlways(const std::string& op, Error err) {
    always_[op] = err;
}
void FaultInjector::Clear() {
    planned_.clear();
    always_.clear();
}
void FaultInjector::Reset() {
    Clear();
    counts_.clear();
    trace_.clear();
    total_ = 0;
}
int FaultInjector::Calls(const std::string& op) const {
    auto it = counts_.find(op);
    return it == counts_.end() ? 0 : it->second;
}
Error FaultInjector::Check(const std::string& op) {
    if (paused_) return kOk;
    int n = ++counts_[op];
    ++total_;
    trace_.push_back(op);
    if (auto a = always_.find(op); a != always_.end()) return a->second;
    if (auto p = planned_.find(op); p != planned_.end()) {
        if (auto q = p->second.find(n); q != p->second.end()) return q->second;
    }
    return kOk;
}

// ---- registry ----

static const char* RootName(RegRoot r) {
    switch (r) {
        case RegRoot::LocalMachine:
            return "HKLM";
        case RegRoot::CurrentUser:
            return "HKCU";
        case RegRoot::ClassesRoot:
            return "HKCR";
        case RegRoot::Users:
            return "HKU";
    }
    return "?";
}

static std::string TrimSlashes(std::string p) {
    while (!p.empty() && p.front() == '\\') p.erase(p.begin());
    while (!p.empty() && p.back() == '\\') p.pop_back();
    return p;
}

std::string SimRegistry::Normalize(RegRoot root, const std::string& path, RegView view) const {
    std::string p = TrimSlashes(path);
    bool use32 = view == RegView::View32 || (view == RegView::Default && process32);
    std::string up = ToUpper(p);
    // Only the software branch of the machine is split between the two views.
    if (use32 && windows64_ && root == RegRoot::LocalMachine &&
        (up == "SOFTWARE" || up.rfind("SOFTWARE\\", 0) == 0) && up.find("WOW6432NODE") == std::string::npos)
        p = "SOFTWARE\\WOW6432Node" + p.substr(8);
    return std::string(RootName(root)) + (p.empty() ? "" : "\\" + p);
}

Error SimRegistry::CreateKey(RegRoot root, const std::string& path, RegView view) {
    if (Error e = faults_.Check("RegCreateKey")) return e;
    std::string full = Normalize(root, path, view);
    // Create every level, as RegCreateKeyEx does.
    size_t pos = 0;
    while (true) {
        pos = full.find('\\', pos + 1);
        std::string part = pos == std::string::npos ? full : full.substr(0, pos);
        auto& k = keys_[ToUpper(part)];
        if (k.name.empty()) k.name = part;
        if (pos == std::string::npos) break;
    }
    return kOk;
}

bool SimRegistry::KeyExists(RegRoot root, const std::string& path, RegView view) {
    return keys_.count(ToUpper(Normalize(root, path, view))) != 0;
}

Error SimRegistry::DeleteTree(RegRoot root, const std::string& path, RegView view) {
    if (Error e = faults_.Check("RegDeleteTree")) return e;
    std::string up = ToUpper(Normalize(root, path, view));
    if (!keys_.count(up)) return kErrFileNotFound;
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (it->first == up || it->first.rfind(up + "\\", 0) == 0)
            it = keys_.erase(it);
        else
            ++it;
    }
    return kOk;
}

Error SimRegistry::SetValue(RegRoot root, const std::string& path, const std::string& name, const RegValue& v,
                            RegView view) {
    if (Error e = faults_.Check("RegSetValue")) return e;
    auto it = keys_.find(ToUpper(Normalize(root, path, view)));
    if (it == keys_.end()) return kErrFileNotFound;
    it->second.values[ToUpper(name)] = v;
    it->second.valueNames[ToUpper(name)] = name;
    return kOk;
}

Error SimRegistry::GetValue(RegRoot root, const std::string& path, const std::string& name, RegValue& out,
                            RegView view) {
    if (Error e = faults_.Check("RegGetValue")) return e;
    auto it = keys_.find(ToUpper(Normalize(root, path, view)));
    if (it == keys_.end()) return kErrFileNotFound;
    auto v = it->second.values.find(ToUpper(name));
    if (v == it->second.values.end()) return kErrFileNotFound;
    out = v->second;
    return kOk;
}

Error SimRegistry::DeleteValue(RegRoot root, const std::string& path, const std::string& name, RegView view) {
    if (Error e = faults_.Check("RegDeleteValue")) return e;
    auto it = keys_.find(ToUpper(Normalize(root, path, view)));
    if (it == keys_.end()) return kErrFileNotFound;
    if (!it->second.values.erase(ToUpper(name))) return kErrFileNotFound;
    it->second.valueNames.erase(ToUpper(name));
    return kOk;
}

Error SimRegistry::EnumSubKeys(RegRoot root, const std::string& path, std::vector<std::string>& out,
                               RegView view) {
    if (Error e = faults_.Check("RegEnum")) return e;
    std::string up = ToUpper(Normalize(root, path, view));
    if (!keys_.count(up)) return kErrFileNotFound;
    out.clear();
    for (auto& [k, node] : keys_) {
        if (k.size() > up.size() + 1 && k.rfind(up + "\\", 0) == 0 &&
            k.find('\\', up.size() + 1) == std::string::npos)
            out.push_back(node.name.substr(up.size() + 1));
    }
    return kOk;
}

Error SimRegistry::EnumValues(RegRoot root, const std::string& path, std::vector<std::string>& out,
                              RegView view) {
    if (Error e = faults_.Check("RegEnum")) return e;
    auto it = keys_.find(ToUpper(Normalize(root, path, view)));
    if (it == keys_.end()) return kErrFileNotFound;
    out.clear();
    for (auto& [k, n] : it->second.valueNames) out.push_back(n);
    return kOk;
}

std::vector<std::string> SimRegistry::AllKeys() const {
    std::vector<std::string> r;
    for (auto& [k, n] : keys_) r.push_back(n.name);
    return r;
}

// ---- files ----

SimFileSystem::SimFileSystem(FaultInjector& f) : faults_(f) {
    AddDrive('C');
}

std::string SimFileSystem::Key(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    if (p.size() == 2 && p[1] == ':') p += '\\';
    return ToUpper(p);
}

void SimFileSystem::AddDrive(char letter) {
    Node n;
    n.path = std::string(1, letter) + ":\\";
    n.dir = true;
    n.attrs = kAttrDirectory;
    nodes_[Key(n.path)] = n;
}

bool SimFileSystem::ParentIsDir(const std::string& path) const {
    std::string parent = ParentPath(path);
    if (parent.empty()) return false;
    auto it = nodes_.find(Key(parent));
    return it != nodes_.end() && it->second.dir;
}

Error SimFileSystem::ReadFile(const std::string& path, std::vector<uint8_t>& out) {
    if (Error e = faults_.Check("ReadFile")) return e;
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return ParentIsDir(path) ? kErrFileNotFound : kErrPathNotFound;
    if (it->second.dir) return kErrAccessDenied;
    out = it->second.data;
    return kOk;
}

Error SimFileSystem::WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    if (Error e = faults_.Check("WriteFile")) return e;
    if (!ParentIsDir(path)) return kErrPathNotFound;
    auto& n = nodes_[Key(path)];
    if (n.dir) return kErrAccessDenied;
    if (!n.path.empty() && (n.attrs & kAttrReadOnly)) return kErrAccessDenied;
    if (n.path.empty()) n.path = path;
    n.data = data;
    n.version.clear();
    n.writeTime = ++writeClock_;
    return kOk;
}

Error SimFileSystem::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    if (Error e = faults_.Check("CopyFile")) return e;
    auto src = nodes_.find(Key(from));
    if (src == nodes_.end() || src->second.dir) return kErrFileNotFound;
    if (!ParentIsDir(to)) return kErrPathNotFound;
    auto dst = nodes_.find(Key(to));
    if (dst != nodes_.end()) {
        if (failIfExists) return kErrFileExists;
        if (dst->second.dir || (dst->second.attrs & kAttrReadOnly)) return kErrAccessDenied;
        if (Held(to)) return kErrSharingViolation;
    }
    Node n = src->second;
    n.path = dst != nodes_.end() ? dst->second.path : to;
    nodes_[Key(to)] = n;
    return kOk;
}

Error SimFileSystem::ReplaceAtRestart(const std::string& from, const std::string& to) {
    if (Error e = faults_.Check("ReplaceAtRestart")) return e;
    if (!nodes_.count(Key(from))) return kErrFileNotFound;
    pendingReplacements.emplace_back(from, to);
    return kOk;
}

void SimFileSystem::RestartWindows() {
    FaultInjector::Pause pause(faults_);
    held_.clear();
    for (auto& [from, to] : pendingReplacements) MoveFileReplace(from, to);
    pendingReplacements.clear();
}

Error SimFileSystem::MoveFileReplace(const std::string& from, const std::string& to) {
    if (Error e = faults_.Check("MoveFile")) return e;
    auto src = nodes_.find(Key(from));
    if (src == nodes_.end() || src->second.dir) return kErrFileNotFound;
    if (!ParentIsDir(to)) return kErrPathNotFound;
    auto dst = nodes_.find(Key(to));
    if (dst != nodes_.end() && (dst->second.dir || (dst->second.attrs & kAttrReadOnly)))
        return kErrAccessDenied;
    if (Held(to) || Held(from)) return kErrSharingViolation;
    Node n = src->second;
    n.path = to;
    nodes_.erase(src);
    nodes_[Key(to)] = n;
    return kOk;
}

Error SimFileSystem::DeleteFile(const std::string& path) {
    if (Error e = faults_.Check("DeleteFile")) return e;
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return ParentIsDir(path) ? kErrFileNotFound : kErrPathNotFound;
    if (it->second.dir || (it->second.attrs & kAttrReadOnly)) return kErrAccessDenied;
    if (Held(path)) return kErrSharingViolation;
    nodes_.erase(it);
    return kOk;
}

Error SimFileSystem::CreateDirectory(const std::string& path) {
    if (Error e = faults_.Check("CreateDirectory")) return e;
    if (nodes_.count(Key(path))) return kErrAlreadyExists;
    if (!ParentIsDir(path)) return kErrPathNotFound;
    Node n;
    n.path = path;
    n.dir = true;
    n.attrs = kAttrDirectory;
    nodes_[Key(path)] = n;
    return kOk;
}

Error SimFileSystem::RemoveDirectory(const std::string& path) {
    if (Error e = faults_.Check("RemoveDirectory")) return e;
    std::string k = Key(path);
    auto it = nodes_.find(k);
    if (it == nodes_.end() || !it->second.dir) return kErrFileNotFound;
    for (auto& [other, n] : nodes_)
        if (other.size() > k.size() && other.rfind(k + "\\", 0) == 0) return 145;  // ERROR_DIR_NOT_EMPTY
    nodes_.erase(it);
    return kOk;
}

Error SimFileSystem::GetAttributes(const std::string& path, uint32_t& attrs) {
    if (Error e = faults_.Check("GetAttributes")) return e;
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return kErrFileNotFound;
    attrs = it->second.attrs;
    return kOk;
}

Error SimFileSystem::SetAttributes(const std::string& path, uint32_t attrs) {
    if (Error e = faults_.Check("SetAttributes")) return e;
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return kErrFileNotFound;
    it->second.attrs = (attrs & ~kAttrDirectory) | (it->second.dir ? kAttrDirectory : 0);
    return kOk;
}

Error SimFileSystem::FindFiles(const std::string& pattern, std::vector<FindEntry>& out) {
    if (Error e = faults_.Check("FindFiles")) return e;
    out.clear();
    std::string dir = Key(ParentPath(pattern));
    std::string mask = FileNameOf(pattern);
    for (auto& [k, n] : nodes_) {
        if (k == dir || k.size() <= dir.size()) continue;
        std::string prefix = dir.back() == '\\' ? dir : dir + "\\";
        if (k.rfind(prefix, 0) != 0 || k.find('\\', prefix.size()) != std::string::npos) continue;
        std::string name = FileNameOf(n.path);
        if (!WildcardMatch(mask, name)) continue;
        out.push_back(FindEntry{name, n.dir, n.data.size(), n.attrs, n.writeTime});
    }
    return out.empty() ? kErrFileNotFound : kOk;
}

Error SimFileSystem::GetFileVersion(const std::string& path, std::string& version) {
    if (Error e = faults_.Check("GetFileVersion")) return e;
    auto it = nodes_.find(Key(path));
    if (it == nodes_.end()) return kErrFileNotFound;
    if (it->second.version.empty()) return 1813;  // ERROR_RESOURCE_TYPE_NOT_FOUND
    version = it->second.version;
    return kOk;
}

void SimFileSystem::Put(const std::string& path, const std::vector<uint8_t>& data,
                        const std::string& version) {
    std::string parent = ParentPath(path);
    // Set-up bypasses fault injection so that failure plans count only the code under test.
    std::vector<std::string> missing;
    for (std::string p = parent; !p.empty() && !nodes_.count(Key(p)); p = ParentPath(p)) {
        missing.push_back(p);
        if (ParentPath(p) == p) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        Node d;
        d.path = *it;
        d.dir = true;
        d.attrs = kAttrDirectory;
        nodes_[Key(*it)] = d;
    }
    Node n;
    n.path = path;
    n.data = data;
    n.version = version;
    n.writeTime = ++writeClock_;
    nodes_[Key(path)] = n;
}

std::vector<std::string> SimFileSystem::AllPaths() const {
    std::vector<std::string> r;
    for (auto& [k, n] : nodes_) r.push_back(n.path);
    return r;
}

// ---- spooler ----

void SimSpooler::AddPrinter(const PrinterInfo2& info) {
    printers.push_back(info);
}

SimSpooler::Open* SimSpooler::Find(PrinterHandle h) {
    auto it = open_.find(h);
    return it == open_.end() ? nullptr : &it->second;
}

Error SimSpooler::OpenPrinter(const std::string& name, PrinterHandle& h) {
    if (Error e = faults_.Check("OpenPrinter")) return e;
    for (auto& p : printers) {
        if (EqualsNoCase(p.printerName, name)) {
            h = next_++;
            open_[h] = Open{p.printerName};
            return kOk;
        }
    }
    return kErrInvalidPrinterName;
}

Error SimSpooler::ClosePrinter(PrinterHandle h) {
    if (Error e = faults_.Check("ClosePrinter")) return e;
    return open_.erase(h) ? kOk : kErrInvalidHandle;
}

Error SimSpooler::GetPrinter2(PrinterHandle h, PrinterInfo2& info) {
    if (Error e = faults_.Check("GetPrinter")) return e;
    Open* o = Find(h);
    if (!o) return kErrInvalidHandle;
    for (auto& p : printers)
        if (p.printerName == o->printer) {
            info = p;
            return kOk;
        }
    return kErrInvalidPrinterName;
}

Error SimSpooler::StartDocRaw(PrinterHandle h, const std::string& docName, const std::string& dataType,
                              uint32_t& jobId) {
    if (Error e = faults_.Check("StartDoc")) return e;
    Open* o = Find(h);
    if (!o) return kErrInvalidHandle;
    if (o->job >= 0) return kErrInvalidParameter;
    SimJob j;
    j.printer = o->printer;
    j.docName = docName;
    j.dataType = dataType;
    j.id = nextJob_++;
    jobs.push_back(j);
    o->job = int(jobs.size() - 1);
    jobId = j.id;
    return kOk;
}

Error SimSpooler::StartPage(PrinterHandle h) {
    if (Error e = faults_.Check("StartPage")) return e;
    Open* o = Find(h);
    if (!o || o->job < 0) return kErrInvalidHandle;
    o->inPage = true;
    jobs[size_t(o->job)].pagesStarted++;
    return kOk;
}

Error SimSpooler::WritePrinter(PrinterHandle h, const uint8_t* data, uint32_t size, uint32_t& written) {
    written = 0;
    if (Error e = faults_.Check("WritePrinter")) return e;
    Open* o = Find(h);
    if (!o || o->job < 0) return kErrInvalidHandle;
    auto& d = jobs[size_t(o->job)].data;
    d.insert(d.end(), data, data + size);
    written = size;
    return kOk;
}

Error SimSpooler::EndPage(PrinterHandle h) {
    if (Error e = faults_.Check("EndPage")) return e;
    Open* o = Find(h);
    if (!o || o->job < 0 || !o->inPage) return kErrInvalidHandle;
    o->inPage = false;
    jobs[size_t(o->job)].pagesEnded++;
    return kOk;
}

Error SimSpooler::EndDoc(PrinterHandle h) {
    Open* o = Find(h);
    // The document is closed even when the call reports a failure, as the spooler does.
    Error e = faults_.Check("EndDoc");
    if (!o || o->job < 0) return e ? e : kErrInvalidHandle;
    jobs[size_t(o->job)].ended = true;
    o->job = -1;
    o->inPage = false;
    return e;
}

Error SimSpooler::EnumLocalPrinters(std::vector<PrinterInfo2>& out) {
    out.clear();
    if (Error e = faults_.Check("EnumPrinters")) return e;
    out = printers;
    return kOk;
}

// Forms belong to the print server: every printer handle sees the same list. Names are
// compared without regard to case, as the spooler does.
FormInfo1* SimSpooler::FindForm(const std::string& name) {
    for (auto& f : forms)
        if (EqualsNoCase(f.name, name)) return &f;
    return nullptr;
}

static Error CheckFormValues(const FormInfo1& f) {
    if (f.flags != kFormUser) return kErrInvalidParameter;
    if (f.width <= 0 || f.height <= 0) return kErrInvalidFormSize;
    if (f.left < 0 || f.top < 0 || f.right > f.width || f.bottom > f.height || f.left >= f.right ||
        f.top >= f.bottom)
        return kErrInvalidFormSize;
    return kOk;
}

Error SimSpooler::EnumForms1(PrinterHandle h, std::vector<FormInfo1>& out) {
    out.clear();
    if (Error e = faults_.Check("EnumForms")) return e;
    if (!Find(h)) return kErrInvalidHandle;
    out = forms;
    return kOk;
}

Error SimSpooler::AddForm1(PrinterHandle h, const FormInfo1& form) {
    if (Error e = faults_.Check("AddForm")) return e;
    if (!Find(h)) return kErrInvalidHandle;
    if (form.name.empty()) return kErrInvalidFormName;
    if (Error e = CheckFormValues(form)) return e;
    if (FindForm(form.name)) return kErrFileExists;
    forms.push_back(form);
    return kOk;
}

Error SimSpooler::SetForm1(PrinterHandle h, const std::string& name, const FormInfo1& form) {
    if (Error e = faults_.Check("SetForm")) return e;
    if (!Find(h)) return kErrInvalidHandle;
    FormInfo1* f = FindForm(name);
    if (!f) return kErrInvalidFormName;
    if (f->flags == kFormBuiltin) return kErrInvalidParameter;
    if (Error e = CheckFormValues(form)) return e;
    std::string keep = f->name;
    *f = form;
    f->name = keep;
    return kOk;
}

Error SimSpooler::DeleteForm1(PrinterHandle h, const std::string& name) {
    if (Error e = faults_.Check("DeleteForm")) return e;
    if (!Find(h)) return kErrInvalidHandle;
    FormInfo1* f = FindForm(name);
    if (!f) return kErrInvalidFormName;
    if (f->flags == kFormBuiltin) return kErrInvalidParameter;
    forms.erase(forms.begin() + (f - forms.data()));
    return kOk;
}

SimMachine::SimMachine() {
    files.Put("C:\\Windows\\system32\\kernel32.dll", std::vector<uint8_t>{0x4D, 0x5A});
    files.CreateDirectories("C:\\Users\\user\\AppData\\Roaming");
    files.CreateDirectories("C:\\Users\\user\\AppData\\Local\\Temp");
    faults.Reset();
}

}  // namespace k20::platform::sim
