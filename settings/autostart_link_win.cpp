// The start-up shortcut through the shell link object;
// settings/autostart_link_posix.cpp is the XDG autostart entry.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <system_error>

#include "settings/autostart_link.h"

namespace fs = std::filesystem;

namespace {

std::string Failure(const char* step, HRESULT hr) {
    return std::string(step) + ": " + std::system_category().message(static_cast<int>(hr));
}

// Releases a COM interface at the end of its scope.
template <class T>
struct Com {
    T* p = nullptr;
    ~Com() {
        if (p) p->Release();
    }
};

}  // namespace

std::optional<fs::path> FindStartUpFolder() {
    PWSTR folder = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder);
    std::optional<fs::path> result;
    if (SUCCEEDED(hr) && folder && *folder) result = fs::path(folder);
    CoTaskMemFree(folder);
    return result;
}

WriteResult MyLinkForStartUp(const fs::path& link, const fs::path& exe) {
    // The GUI thread has COM already; a second initialisation only counts up.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool initialised = SUCCEEDED(init);
    WriteResult r;
    {
        Com<IShellLinkW> shell;
        Com<IPersistFile> file;
        HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void**>(&shell.p));
        if (FAILED(hr)) {
            r.error = Failure("CoCreateInstance", hr);
        } else {
            const std::wstring target = exe.wstring();
            const std::wstring arguments = L"\"" + target + L"\"";
            const std::wstring workDir = exe.parent_path().wstring();
            std::error_code ec;
            fs::create_directories(link.parent_path(), ec);
            if (FAILED(hr = shell.p->SetPath(target.c_str()))) r.error = Failure("SetPath", hr);
            else if (FAILED(hr = shell.p->SetArguments(arguments.c_str()))) r.error = Failure("SetArguments", hr);
            else if (FAILED(hr = shell.p->SetWorkingDirectory(workDir.c_str())))
                r.error = Failure("SetWorkingDirectory", hr);
            else if (FAILED(hr = shell.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
                r.error = Failure("IPersistFile", hr);
            else if (FAILED(hr = file.p->Save(link.wstring().c_str(), FALSE))) r.error = Failure("Save", hr);
            else r.ok = true;
        }
    }
    if (initialised) CoUninitialize();
    return r;
}

#endif
