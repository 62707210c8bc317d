// Loads Korvane.eng by path and binds its fifteen entry points, as a host application does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct EngineEntries {
    int32_t (*eng1)(void* best, void* current, void* depth, int32_t unused, void* status) = nullptr;
    int32_t (*eng2)() = nullptr;
    void (*eng3)() = nullptr;
    int32_t (*eng4)() = nullptr;
    int32_t (*eng5)() = nullptr;
    const char* (*eng6)() = nullptr;
    const char* (*eng7)() = nullptr;
    int32_t (*eng8)() = nullptr;
    int32_t (*eng9)(void* game) = nullptr;
    void (*eng10)() = nullptr;
    void (*eng11)() = nullptr;
    int32_t (*eng12)() = nullptr;
    int32_t (*eng13)() = nullptr;
    void (*eng14)() = nullptr;
    const char* (*eng18)() = nullptr;
};

class EngineModule {
public:
    // Throws std::runtime_error when the file cannot be loaded or an entry is missing.
    explicit EngineModule(const std::string& path);
    ~EngineModule();
    EngineModule(const EngineModule&) = delete;
    EngineModule& operator=(const EngineModule&) = delete;

    const EngineEntries& entries() const { return entries_; }
    const std::string& path() const { return path_; }

private:
    void* handle_ = nullptr;
    std::string path_;
    EngineEntries entries_;
};

// Korvane.eng beside the running executable.
std::string moduleBesideExecutable();
// Where a program looks for Korvane.eng without --module: beside itself; failing that, on Linux, in the
// private folder of the installation it belongs to (lib/korvane/ beside its bin/ or games/).
std::string defaultModulePath();

#if defined(_WIN32)
// Paths and messages are UTF-8 on Windows too: EngineModule takes its path as UTF-8, and the program's
// arguments arrive as UTF-16 (wmain), since the ANSI code page cannot hold every folder name.
std::string utf8FromWide(const std::wstring& text);
std::vector<std::string> utf8Arguments(int argc, wchar_t** argv);
#endif
