#include "engine_module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <stdexcept>
#include <vector>

namespace {

#if defined(_WIN32)

std::wstring wideFromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

// The system's text for an error code, without its line end, and the code itself.
std::string windowsError(DWORD code) {
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                  DWORD(sizeof text / sizeof text[0]), nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) --length;
    const std::string message = utf8FromWide(std::wstring(text, length));
    return message + (message.empty() ? "" : " ") + "(error " + std::to_string(code) + ")";
}

void* openLibrary(const std::string& path, std::string& error) {
    const std::wstring widePath = wideFromUtf8(path);
    if (widePath.empty() && !path.empty()) {
        error = "the path is not UTF-8 text";
        return nullptr;
    }
    // A file that cannot be loaded is reported to the caller, never in a message box: a GUI that
    // started the program would wait for an answer nobody sees.
    DWORD previousMode = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode) != 0;
    HMODULE module = LoadLibraryW(widePath.c_str());
    const DWORD code = GetLastError();
    if (quiet) SetThreadErrorMode(previousMode, nullptr);
    if (module == nullptr) error = windowsError(code);
    return reinterpret_cast<void*>(module);
}

void* findSymbol(void* handle, const char* name) {
    // GetProcAddress hands back a generic function pointer; the caller casts it to the entry's type.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }

#else

void* openLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown error";
    }
    return handle;
}

void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }

void closeLibrary(void* handle) { dlclose(handle); }

#endif

template <typename Function>
void bind(void* handle, const char* name, Function& slot) {
    void* symbol = findSymbol(handle, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("entry point ") + name + " not found");
    slot = reinterpret_cast<Function>(symbol);
}

} // namespace

EngineModule::EngineModule(const std::string& path) : path_(path) {
    std::string error;
    handle_ = openLibrary(path, error);
    if (handle_ == nullptr) throw std::runtime_error("cannot load " + path + ": " + error);
    try {
        bind(handle_, "Eng1", entries_.eng1);
        bind(handle_, "Eng2", entries_.eng2);
        bind(handle_, "Eng3", entries_.eng3);
        bind(handle_, "Eng4", entries_.eng4);
        bind(handle_, "Eng5", entries_.eng5);
        bind(handle_, "Eng6", entries_.eng6);
        bind(handle_, "Eng7", entries_.eng7);
        bind(handle_, "Eng8", entries_.eng8);
        bind(handle_, "Eng9", entries_.eng9);
        bind(handle_, "Eng10", entries_.eng10);
        bind(handle_, "Eng11", entries_.eng11);
        bind(handle_, "Eng12", entries_.eng12);
        bind(handle_, "Eng13", entries_.eng13);
        bind(handle_, "Eng14", entries_.eng14);
        bind(handle_, "Eng18", entries_.eng18);
    } catch (...) {
        closeLibrary(handle_);
        throw;
    }
}

EngineModule::~EngineModule() {
    if (handle_ != nullptr) closeLibrary(handle_);
}

#if defined(_WIN32)

std::string utf8FromWide(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string utf8(size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::vector<std::string> utf8Arguments(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(utf8FromWide(argv[i]));
    return arguments;
}

std::string moduleBesideExecutable() {
    // A cut path (longer than the buffer) falls back to the current folder.
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (length == 0 || length >= buffer.size()) return "Korvane.eng";
    const std::string exe = utf8FromWide(std::wstring(buffer.data(), length));
    const size_t slash = exe.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : exe.substr(0, slash + 1)) + "Korvane.eng";
}

std::string defaultModulePath() { return moduleBesideExecutable(); }

#else

std::string moduleBesideExecutable() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return "Korvane.eng";
    std::string exe(buffer.data(), size_t(length));
    const size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/Korvane.eng";
}

std::string defaultModulePath() {
    const std::string beside = moduleBesideExecutable();
#if defined(KORVANE_MODULE_DIR_FROM_PROGRAM)
    // An installed program finds the module in the installation's private folder, by a path relative
    // to its own folder, so that a moved or unpacked installation keeps working.
    if (access(beside.c_str(), F_OK) != 0) {
        const std::string installed =
            beside.substr(0, beside.rfind('/') + 1) + KORVANE_MODULE_DIR_FROM_PROGRAM "/Korvane.eng";
        if (access(installed.c_str(), F_OK) == 0) return installed;
    }
#endif
    return beside;
}

#endif
