// The built Korvane.eng as a file: its name, what it exports, what it imports and where it finds the
// host library.
#include "host/test_host/test_host.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string runCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
    pclose(pipe);
    return output;
}

// Symbol names from `nm -D` output (the last word of each line).
std::set<std::string> symbolNames(const std::string& nmOutput) {
    std::set<std::string> names;
    std::istringstream lines(nmOutput);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t space = line.find_last_of(' ');
        std::string name = space == std::string::npos ? line : line.substr(space + 1);
        const size_t at = name.find('@');
        if (at != std::string::npos) name = name.substr(0, at);
        if (!name.empty()) names.insert(name);
    }
    return names;
}

const std::string modulePath = TestHost::defaultModulePath();

} // namespace

TEST(ModuleBinary, FileNameIsKorvaneEng) {
    EXPECT_EQ(modulePath.substr(modulePath.rfind('/') + 1), "Korvane.eng");
}

TEST(ModuleBinary, DefinesExactlyTheFifteenEntryPoints) {
    const std::set<std::string> defined = symbolNames(runCommand("nm -D --defined-only '" + modulePath + "'"));
    const std::set<std::string> expected = {"Eng1", "Eng2",  "Eng3",  "Eng4",  "Eng5",  "Eng6",  "Eng7", "Eng8",
                                            "Eng9", "Eng10", "Eng11", "Eng12", "Eng13", "Eng14", "Eng18"};
    EXPECT_EQ(defined, expected);
}

// Strong undefined symbols only: the weak ones (__cxa_finalize, __gmon_start__, ...) come with every
// shared object and need nothing. A sanitizer build adds its runtime's entries, which are left out.
TEST(ModuleBinary, ImportsOnlyFunc3AndGetTickCount) {
    std::set<std::string> imports;
    for (const std::string& name : symbolNames(runCommand("nm -D --undefined-only '" + modulePath + "' | grep ' U '"))) {
        const bool sanitizerRuntime = name.rfind("__asan", 0) == 0 || name.rfind("__ubsan", 0) == 0 ||
                                      name.rfind("__tsan", 0) == 0 || name.rfind("__sanitizer", 0) == 0;
        if (!sanitizerRuntime) imports.insert(name);
    }
    EXPECT_EQ(imports, (std::set<std::string>{"Func3", "GetTickCount"}));
}

TEST(ModuleBinary, NamesItselfAndFindsTheHostLibraryBesideItself) {
    const std::string dynamic = runCommand("readelf -d '" + modulePath + "'");
    EXPECT_NE(dynamic.find("Library soname: [Korvane.eng]"), std::string::npos) << dynamic;
    EXPECT_NE(dynamic.find("Shared library: [libMorlix32.so]"), std::string::npos) << dynamic;
    EXPECT_NE(dynamic.find("[$ORIGIN]"), std::string::npos) << dynamic;
}

TEST(ModuleBinary, HostLibraryStandInDefinesBothPlatformFunctions) {
    const std::set<std::string> defined = symbolNames(runCommand("nm -D --defined-only '" MORLIX_PATH "'"));
    EXPECT_TRUE(defined.count("Func3"));
    EXPECT_TRUE(defined.count("GetTickCount"));
}
