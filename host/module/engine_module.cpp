#include "engine_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

namespace {

template <typename Function>
void bind(void* handle, const char* name, Function& slot) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("entry point ") + name + " not found");
    slot = reinterpret_cast<Function>(symbol);
}

} // namespace

EngineModule::EngineModule(const std::string& path) : path_(path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* error = dlerror();
        throw std::runtime_error("cannot load " + path + ": " + (error != nullptr ? error : "unknown error"));
    }
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
        dlclose(handle_);
        throw;
    }
}

EngineModule::~EngineModule() {
    if (handle_ != nullptr) dlclose(handle_);
}

std::string moduleBesideExecutable() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return "Korvane.eng";
    std::string exe(buffer.data(), size_t(length));
    const size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/Korvane.eng";
}
