// The start-up shortcut through the shell link object;
// settings/autostart_link_posix.cpp is the XDG autostart entry.
#ifdef _WIN32

#include "events/windows_api.h"
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <system_error>

#include "settings/autostart_link.h"

namespace fs = std::filesystem;

namespace {

// The system's text for a failure, in UTF-8 as the program's messages are.
std::string Failure(const char* step, HRESULT hr) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string utf8 = std::string(step) + ": ";
    if (text) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (n > 1) {
            std::string s(static_cast<size_t>(n - 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, text, -1, s.data(), n, nullptr, nullptr);
            while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
            utf8 += s;
        }
        LocalFree(text);
    } else {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        utf8 += code;
    }
    return utf8;
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

std::optional<fs::path> StartUpLinkTarget(const fs::path& link) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::optional<fs::path> target;
    {
        Com<IShellLinkW> shell;
        Com<IPersistFile> file;
        wchar_t path[32768] = {};
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&shell.p))) &&
            SUCCEEDED(shell.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) &&
            SUCCEEDED(file.p->Load(link.wstring().c_str(), STGM_READ)) &&
            shell.p->GetPath(path, static_cast<int>(std::size(path)), nullptr, 0) == S_OK && *path)
            target = fs::path(path);
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return target;
}

#endif
