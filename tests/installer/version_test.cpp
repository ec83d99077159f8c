// Reads back the version resource and the manifest of every program and DLL the build makes:
// this tree's (PE32 or, in the twin, PE32+) and, when it has been built, the product tree's (PE32).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

// A path of the build machine as Wine sees it ("/work/x" -> "Z:\work\x").
std::string WindowsPath(std::string p) {
    if (!p.empty() && p[0] == '/')
        p = "Z:" + p;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::vector<std::string> ReadList(const std::string& listPath, bool* found) {
    std::vector<std::string> lines;
    std::ifstream in(WindowsPath(listPath));
    *found = in.is_open();
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(WindowsPath(line));
    }
    return lines;
}

std::string BaseName(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool EndsWithNoCase(const std::string& s, const char* tail) {
    size_t n = strlen(tail);
    return s.size() >= n && lstrcmpiA(s.c_str() + s.size() - n, tail) == 0;
}

struct VersionResource {
    bool present = false;
    VS_FIXEDFILEINFO fixed = {};
    std::vector<char> block;
    std::string translation; // "040904E4"

    std::string String(const char* key) const {
        std::string query = "\\StringFileInfo\\" + translation + "\\" + key;
        char* value = nullptr;
        UINT size = 0;
        if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &size) || !value)
            return "";
        return std::string(value);
    }
};

VersionResource ReadVersion(const std::string& path) {
    VersionResource v;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return v;
    v.block.resize(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, v.block.data()))
        return v;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(v.block.data(), "\\", reinterpret_cast<void**>(&fixed), &len) || len < sizeof *fixed)
        return v;
    v.fixed = *fixed;
    WORD* translation = nullptr;
    if (!VerQueryValueA(v.block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &len) ||
        len < 4)
        return v;
    char buf[16];
    snprintf(buf, sizeof buf, "%04X%04X", translation[0], translation[1]);
    v.translation = buf;
    v.present = true;
    return v;
}

// The machine field of the PE header (IMAGE_FILE_MACHINE_...), 0 when unreadable.
WORD MachineOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    IMAGE_DOS_HEADER dos = {};
    if (!in.read(reinterpret_cast<char*>(&dos), sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    in.seekg(dos.e_lfanew);
    DWORD signature = 0;
    IMAGE_FILE_HEADER header = {};
    if (!in.read(reinterpret_cast<char*>(&signature), sizeof signature) || signature != IMAGE_NT_SIGNATURE ||
        !in.read(reinterpret_cast<char*>(&header), sizeof header))
        return 0;
    return header.Machine;
}

// The manifest resource as text ("" when there is none).
std::string ReadManifest(const std::string& path, WORD id) {
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return "";
    std::string text;
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(24));
    if (res) {
        HGLOBAL data = LoadResource(module, res);
        const char* bytes = static_cast<const char*>(LockResource(data));
        if (bytes)
            text.assign(bytes, SizeofResource(module, res));
    }
    FreeLibrary(module);
    return text;
}

// What the loader does with the manifest: parse it and resolve its dependencies (common
// controls 6). A manifest that fails here keeps a program from starting on Windows.
bool ActivationContextBuilds(const std::string& path, WORD id, DWORD* error) {
    ACTCTXA ctx = {};
    ctx.cbSize = sizeof ctx;
    ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.lpSource = path.c_str();
    ctx.lpResourceName = MAKEINTRESOURCEA(id);
    HANDLE h = CreateActCtxA(&ctx);
    *error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (h == INVALID_HANDLE_VALUE)
        return false;
    ReleaseActCtx(h);
    return true;
}

void CheckFile(const std::string& path, WORD machine) {
    SCOPED_TRACE(path);
    const std::string name = BaseName(path);
    const bool program = EndsWithNoCase(name, ".exe");
    ASSERT_EQ(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, true) << "not built";
    EXPECT_EQ(MachineOf(path), machine);

    VersionResource v = ReadVersion(path);
    ASSERT_TRUE(v.present) << "no version resource (tunaro_version_info in its CMakeLists)";
    EXPECT_EQ(v.fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(v.fixed.dwFileVersionMS,
              static_cast<DWORD>(MAKELONG(TUNARO_VERSION_MINOR, TUNARO_VERSION_MAJOR)));
    EXPECT_EQ(v.fixed.dwProductVersionMS, v.fixed.dwFileVersionMS);
    EXPECT_EQ(v.fixed.dwFileType, program ? static_cast<DWORD>(VFT_APP) : static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(v.String("ProductName"), "Tunaro");
    EXPECT_EQ(v.String("FileVersion"), TUNARO_VERSION_TEXT);
    EXPECT_FALSE(v.String("FileDescription").empty());
    EXPECT_FALSE(v.String("CompanyName").empty());
    EXPECT_EQ(lstrcmpiA(v.String("OriginalFilename").c_str(), name.c_str()), 0)
        << "OriginalFilename " << v.String("OriginalFilename");

    // A program's manifest is resource 1 (read at process start), a DLL's resource 2.
    const WORD id = program ? 1 : 2;
    std::string manifest = ReadManifest(path, id);
    ASSERT_FALSE(manifest.empty()) << "no manifest resource " << id;
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    if (program) {
        EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    }
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos)
        << "a trust section would end file virtualisation for the settings beside the program";
    DWORD error = 0;
    EXPECT_TRUE(ActivationContextBuilds(path, id, &error)) << "CreateActCtx error " << error;
}

// The tree this test is built in: the product's i686 tree or its x86_64 twin.
#ifdef _WIN64
constexpr WORD kThisTreeMachine = IMAGE_FILE_MACHINE_AMD64;
#else
constexpr WORD kThisTreeMachine = IMAGE_FILE_MACHINE_I386;
#endif

TEST(VersionResources, EveryProgramAndDllOfThisTree) {
    bool found = false;
    std::vector<std::string> files = ReadList(TUNARO_PROGRAM_LIST, &found);
    ASSERT_TRUE(found) << TUNARO_PROGRAM_LIST;
    bool tunaro = false;
    for (const std::string& f : files)
        tunaro = tunaro || lstrcmpiA(BaseName(f).c_str(), "Tunaro.exe") == 0;
    EXPECT_TRUE(tunaro) << "the list misses Tunaro.exe";
    for (const std::string& f : files)
        CheckFile(f, kThisTreeMachine);
}

TEST(VersionResources, EveryProgramAndDllOfTheProduct) {
    bool found = false;
    std::vector<std::string> files = ReadList(TUNARO_PRODUCT_PROGRAM_LIST, &found);
    if (!found)
        GTEST_SKIP() << "the product tree is not built (" << TUNARO_PRODUCT_PROGRAM_LIST << ")";
    EXPECT_FALSE(files.empty());
    for (const std::string& f : files)
        CheckFile(f, IMAGE_FILE_MACHINE_I386);
}

// The setup programs carry the product's version too (their manifest is NSIS's own, asking for
// administrator rights, so only the version resource is read here).
void CheckSetup(const std::string& path, WORD machine) {
    SCOPED_TRACE(path);
    EXPECT_EQ(MachineOf(path), machine);
    VersionResource v = ReadVersion(path);
    ASSERT_TRUE(v.present) << "no version resource";
    EXPECT_EQ(v.fixed.dwFileVersionMS,
              static_cast<DWORD>(MAKELONG(TUNARO_VERSION_MINOR, TUNARO_VERSION_MAJOR)));
    EXPECT_EQ(v.String("ProductName"), "Tunaro");
    EXPECT_EQ(v.String("FileVersion"), TUNARO_VERSION_TEXT);
    EXPECT_EQ(v.String("FileDescription"), "Tunaro Setup");
}

TEST(VersionResources, TheSetupPrograms) {
    CheckSetup(WindowsPath(TUNARO_SETUP_EXE), kThisTreeMachine);
    std::string product = WindowsPath(TUNARO_PRODUCT_SETUP_EXE);
    if (GetFileAttributesA(product.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the product tree is not built (" << product << ")";
    CheckSetup(product, IMAGE_FILE_MACHINE_I386);
}

} // namespace
