// What a user takes home: the manifest and version resources of the built
// files, the portable zip, and the MSI as Windows Installer runs it.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "language/resource_ids.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"
#include "tests/robot.h"

namespace {

struct Arch {
    const wchar_t *name;
    const char *manifestName;
};
const Arch kArchs[] = {{L"x64", "amd64"}, {L"x86", "x86"}};
const wchar_t *const kModules[] = {L"eng", L"deu", L"esp", L"rus", L"chs", L"fra", L"ita", L"jpn"};

std::wstring BuildDir(const Arch &arch) { return std::wstring(KTR_BUILD_ROOT) + L"\\" + arch.name; }
std::wstring ProgramDir(const Arch &arch) { return BuildDir(arch) + L"\\program\\"; }

std::vector<std::wstring> ProgramFiles()
{
    std::vector<std::wstring> files = {L"ktrcfg.exe"};
    for (const wchar_t *module : kModules)
        files.push_back(std::wstring(module) + L"_lang.dll");
    return files;
}

std::string ReadFile(const std::wstring &path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A small XML reader: elements, attributes, text, comments, namespaces.
struct Element {
    std::string ns, name, text;
    std::map<std::string, std::string> attributes;
    std::vector<Element> children;

    const Element *Child(const std::string &childNs, const std::string &childName) const
    {
        for (const Element &child : children)
            if (child.ns == childNs && child.name == childName)
                return &child;
        return nullptr;
    }
    std::string Attribute(const std::string &key) const
    {
        auto at = attributes.find(key);
        return at == attributes.end() ? "" : at->second;
    }
    bool Holds(const std::string &anyName) const
    {
        return std::any_of(children.begin(), children.end(),
                           [&](const Element &child) { return child.name == anyName || child.Holds(anyName); });
    }
};

class XmlReader {
public:
    explicit XmlReader(const std::string &text) : s(text) {}

    bool Document(Element &root)
    {
        Skip();
        if (!Read(root, {}))
            return false;
        Skip();
        return ok && pos == s.size();
    }

private:
    using Scope = std::map<std::string, std::string>;

    bool At(const char *token) const { return s.compare(pos, std::strlen(token), token) == 0; }
    void Over(const char *end)
    {
        size_t at = s.find(end, pos);
        ok = ok && at != std::string::npos;
        pos = ok ? at + std::strlen(end) : s.size();
    }
    void Spaces()
    {
        while (pos < s.size() && strchr(" \t\r\n", s[pos]))
            ++pos;
    }
    void Skip()
    {
        for (Spaces(); ok && (At("<?") || At("<!--")); Spaces())
            Over(At("<?") ? "?>" : "-->");
    }
    std::string Name()
    {
        size_t start = pos;
        while (pos < s.size() && (isalnum(static_cast<unsigned char>(s[pos])) || strchr("_:.-", s[pos])))
            ++pos;
        ok = ok && pos > start;
        return s.substr(start, pos - start);
    }
    bool Resolve(const std::string &qname, const Scope &scope, std::string &ns, std::string &local)
    {
        size_t colon = qname.find(':');
        std::string prefix = colon == std::string::npos ? "" : qname.substr(0, colon);
        local = colon == std::string::npos ? qname : qname.substr(colon + 1);
        auto found = scope.find(prefix);
        ns = found == scope.end() ? "" : found->second;
        return prefix.empty() || found != scope.end();
    }
    bool Read(Element &element, Scope scope)
    {
        if (!At("<"))
            return false;
        ++pos;
        const std::string qname = Name();
        std::map<std::string, std::string> raw;
        for (Spaces(); ok && pos < s.size() && !At("/>") && !At(">"); Spaces()) {
            std::string key = Name();
            Spaces();
            ok = ok && At("=");
            ++pos;
            Spaces();
            const char quote = pos < s.size() ? s[pos] : 0;
            ok = ok && (quote == '"' || quote == '\'');
            size_t end = s.find(quote, ++pos);
            ok = ok && end != std::string::npos && raw.count(key) == 0;
            if (!ok)
                return false;
            raw[key] = s.substr(pos, end - pos);
            pos = end + 1;
        }
        for (const auto &[key, value] : raw) {
            if (key == "xmlns")
                scope[""] = value;
            else if (key.rfind("xmlns:", 0) == 0)
                scope[key.substr(6)] = value;
        }
        for (const auto &[key, value] : raw)
            if (key != "xmlns" && key.rfind("xmlns:", 0) != 0)
                element.attributes[key] = value;
        if (!ok || !Resolve(qname, scope, element.ns, element.name))
            return false;
        if (At("/>")) {
            pos += 2;
            return true;
        }
        for (++pos; ok && pos < s.size();) {
            if (At("</")) {
                pos += 2;
                ok = ok && Name() == qname;
                Spaces();
                ok = ok && At(">");
                ++pos;
                return ok;
            }
            if (At("<!--")) {
                Over("-->");
            } else if (At("<")) {
                element.children.emplace_back();
                if (!Read(element.children.back(), scope))
                    return false;
            } else {
                element.text += s[pos++];
            }
        }
        return false;
    }

    const std::string &s;
    size_t pos = 0;
    bool ok = true;
};

struct VersionInfo {
    bool read = false;
    VS_FIXEDFILEINFO fixed = {};
    WORD language = 0xFFFF, codePage = 0;
    std::map<std::wstring, std::wstring> strings;
};

VersionInfo ReadVersion(const std::wstring &path)
{
    VersionInfo info;
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> data(size);
    void *value = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return info;
    info.fixed = *static_cast<VS_FIXEDFILEINFO *>(value);
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) || length != 4)
        return info;
    info.language = static_cast<WORD *>(value)[0];
    info.codePage = static_cast<WORD *>(value)[1];
    for (const wchar_t *key : {L"FileVersion", L"ProductVersion", L"ProductName", L"CompanyName"}) {
        wchar_t query[64];
        wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\%s", info.language, info.codePage, key);
        if (VerQueryValueW(data.data(), query, &value, &length))
            info.strings[key] = static_cast<wchar_t *>(value);
    }
    info.read = info.fixed.dwSignature == 0xFEEF04BD;
    return info;
}

std::wstring Dotted(const VS_FIXEDFILEINFO &fixed, bool display)
{
    wchar_t text[32];
    if (display)
        wsprintfW(text, L"%d.%02d.%02d", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
                  HIWORD(fixed.dwFileVersionLS));
    else
        wsprintfW(text, L"%d.%d.%d.%d", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
                  HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
    return text;
}

std::wstring Widen(const std::string &text) { return std::wstring(text.begin(), text.end()); }
std::string Narrow(const std::wstring &text)
{
    std::string out;
    for (wchar_t c : text)
        out += static_cast<char>(c);
    return out;
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context)
{
    *reinterpret_cast<WORD *>(context) = language;
    return FALSE;
}

// The reference: the version of the 64-bit program.
VS_FIXEDFILEINFO ReferenceVersion() { return ReadVersion(ProgramDir(kArchs[0]) + L"ktrcfg.exe").fixed; }

std::wstring PackageName(const Arch &arch, const wchar_t *extension)
{
    return L"ktrcfg-" + Dotted(ReferenceVersion(), true) + L"-" + arch.name + extension;
}
std::wstring Package(const Arch &arch, const wchar_t *extension)
{
    return BuildDir(arch) + L"\\packages\\" + PackageName(arch, extension);
}
std::wstring LaterPackage() { return BuildDir(kArchs[0]) + L"\\test-packages\\ktrcfg-later-x64.msi"; }

std::wstring MsiProperty(const std::wstring &package, const std::wstring &name)
{
    MSIHANDLE database = 0, view = 0, record = 0;
    std::wstring query = L"SELECT `Value` FROM `Property` WHERE `Property` = '" + name + L"'";
    wchar_t value[256] = L"(none)";
    DWORD size = 256;
    if (MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewW(database, query.c_str(), &view) == ERROR_SUCCESS && MsiViewExecute(view, 0) == ERROR_SUCCESS &&
        MsiViewFetch(view, &record) == ERROR_SUCCESS)
        MsiRecordGetStringW(record, 1, value, &size);
    for (MSIHANDLE handle : {record, view, database})
        if (handle)
            MsiCloseHandle(handle);
    return value;
}

}  // namespace

TEST(Packages, ManifestDeclaresElevationDpiAwarenessAndSupportedSystems)
{
    const std::string v1 = "urn:schemas-microsoft-com:asm.v1", v3 = "urn:schemas-microsoft-com:asm.v3",
                      settings = "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
                      compatibility = "urn:schemas-microsoft-com:compatibility.v1";
    const std::set<std::string> systems = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};  // Vista, 7, 8, 8.1, 10 and 11
    for (const Arch &arch : kArchs) {
        SCOPED_TRACE(Narrow(arch.name));
        const std::wstring path = ProgramDir(arch) + L"ktrcfg.exe";
        HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
        ASSERT_NE(resource, nullptr);
        std::string text(static_cast<const char *>(LockResource(LoadResource(module, resource))),
                         SizeofResource(module, resource));
        FreeLibrary(module);

        Element root;
        ASSERT_TRUE(XmlReader(text).Document(root)) << text;
        EXPECT_EQ(root.ns + " " + root.name, v1 + " assembly");
        EXPECT_EQ(root.Attribute("manifestVersion"), "1.0");
        const Element *identity = root.Child(v1, "assemblyIdentity");
        ASSERT_NE(identity, nullptr);
        EXPECT_EQ(identity->Attribute("type"), "win32");
        EXPECT_NE(identity->Attribute("name"), "");
        EXPECT_EQ(identity->Attribute("version"), Narrow(Dotted(ReadVersion(path).fixed, false)));
        EXPECT_EQ(identity->Attribute("processorArchitecture"), arch.manifestName);

        const Element *trust = root.Child(v3, "trustInfo");
        if (!trust)
            trust = root.Child("urn:schemas-microsoft-com:asm.v2", "trustInfo");
        ASSERT_NE(trust, nullptr);
        const Element *privileges = trust->Child(trust->ns, "security");
        privileges = privileges ? privileges->Child(trust->ns, "requestedPrivileges") : nullptr;
        const Element *level = privileges ? privileges->Child(trust->ns, "requestedExecutionLevel") : nullptr;
        ASSERT_NE(level, nullptr);
        EXPECT_EQ(level->Attribute("level"), "requireAdministrator");
        EXPECT_EQ(level->Attribute("uiAccess"), "false");

        const Element *application = root.Child(v3, "application");
        const Element *windowsSettings = application ? application->Child(v3, "windowsSettings") : nullptr;
        ASSERT_NE(windowsSettings, nullptr);
        const Element *dpiAware = windowsSettings->Child(settings, "dpiAware");
        ASSERT_NE(dpiAware, nullptr);
        EXPECT_EQ(dpiAware->text, "true") << "system-aware";
        EXPECT_EQ(windowsSettings->children.size(), 1u) << "no per-monitor awareness";

        const Element *compatible = root.Child(compatibility, "compatibility");
        compatible = compatible ? compatible->Child(compatibility, "application") : nullptr;
        ASSERT_NE(compatible, nullptr);
        std::set<std::string> declared;
        for (const Element &os : compatible->children)
            if (os.ns == compatibility && os.name == "supportedOS")
                declared.insert(os.Attribute("Id"));
        EXPECT_EQ(declared, systems);
        EXPECT_FALSE(root.Holds("dependency")) << "no visual styles";
    }
}

TEST(Packages, OneVersionInEveryFileAndPackage)
{
    const VS_FIXEDFILEINFO reference = ReferenceVersion();
    ASSERT_EQ(reference.dwSignature, 0xFEEF04BDu);
    const std::wstring version = Dotted(reference, false), display = Dotted(reference, true);
    const std::wstring upgradeCode = MsiProperty(Package(kArchs[0], L".msi"), L"UpgradeCode");
    for (const Arch &arch : kArchs) {
        for (const std::wstring &file : ProgramFiles()) {
            SCOPED_TRACE(Narrow(std::wstring(arch.name) + L" " + file));
            VersionInfo info = ReadVersion(ProgramDir(arch) + file);
            ASSERT_TRUE(info.read);
            EXPECT_EQ(Dotted(info.fixed, false), version);
            EXPECT_EQ(info.fixed.dwProductVersionMS, reference.dwFileVersionMS);
            EXPECT_EQ(info.fixed.dwProductVersionLS, reference.dwFileVersionLS);
            EXPECT_EQ(info.strings[L"FileVersion"], display);
            EXPECT_EQ(info.strings[L"ProductVersion"], display);
            EXPECT_EQ(info.strings[L"CompanyName"], L"KTR");
            EXPECT_EQ(info.codePage, 1200);
            if (file == L"ktrcfg.exe")
                continue;
            HMODULE module = LoadLibraryExW((ProgramDir(arch) + file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            ASSERT_NE(module, nullptr);
            WORD language = 0;
            EnumResourceLanguagesW(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_LANGUAGE_TAG), FirstLanguage,
                                   reinterpret_cast<LONG_PTR>(&language));
            FreeLibrary(module);
            EXPECT_NE(language, 0);
            EXPECT_EQ(info.language, language) << "the module's own language";
        }
        std::set<std::wstring> packages, expected = {PackageName(arch, L".zip"), PackageName(arch, L".msi")};
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((BuildDir(arch) + L"\\packages\\*.*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                packages.insert(found.cFileName);
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        EXPECT_EQ(packages, expected);

        const std::wstring msi = Package(arch, L".msi");
        EXPECT_EQ(MsiProperty(msi, L"ProductVersion"), version);
        EXPECT_EQ(MsiProperty(msi, L"ProductName"), ReadVersion(ProgramDir(arch) + L"ktrcfg.exe").strings[L"ProductName"]);
        EXPECT_EQ(MsiProperty(msi, L"Manufacturer"), L"KTR");
        EXPECT_EQ(MsiProperty(msi, L"UpgradeCode"), upgradeCode) << "one product on a machine";
    }
    EXPECT_EQ(MsiProperty(LaterPackage(), L"UpgradeCode"), upgradeCode);
    EXPECT_GT(MsiProperty(LaterPackage(), L"ProductVersion"), version);
}

TEST(Packages, ZipHoldsTheProgramItsModulesAndAReadme)
{
    for (const Arch &arch : kArchs) {
        SCOPED_TRACE(Narrow(arch.name));
        const std::string zip = ReadFile(Package(arch, L".zip"));
        // The central directory: its end record, then one header per entry.
        const size_t end = zip.rfind(std::string("PK\5\6", 4));
        ASSERT_NE(end, std::string::npos);
        auto field = [&](size_t at, int bytes) {
            unsigned value = 0;
            for (int i = bytes - 1; i >= 0; --i)
                value = value << 8 | static_cast<unsigned char>(zip.at(at + static_cast<size_t>(i)));
            return value;
        };
        std::map<std::wstring, unsigned> crcs;
        size_t at = field(end + 16, 4);
        for (unsigned n = field(end + 10, 2); n > 0; --n) {
            ASSERT_EQ(zip.compare(at, 4, std::string("PK\1\2", 4)), 0);
            crcs[Widen(zip.substr(at + 46, field(at + 28, 2)))] = field(at + 16, 4);
            at += 46 + field(at + 28, 2) + field(at + 30, 2) + field(at + 32, 2);
        }
        std::vector<std::wstring> expected = ProgramFiles();
        expected.push_back(L"README.txt");
        std::vector<std::wstring> names;
        for (const auto &entry : crcs)
            names.push_back(entry.first);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        for (const std::wstring &file : ProgramFiles()) {
            const std::string bytes = ReadFile(ProgramDir(arch) + file);
            unsigned crc = 0xFFFFFFFF;
            for (unsigned char c : bytes) {
                crc ^= c;
                for (int bit = 0; bit < 8; ++bit)
                    crc = crc >> 1 ^ (0xEDB88320 & (0u - (crc & 1)));
            }
            EXPECT_EQ(crcs[file], ~crc) << Narrow(file) << " as built";
        }
    }
}

namespace {

std::wstring Folder(int csidl)
{
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

DWORD Msiexec(const std::wstring &action, const std::wstring &package)
{
    std::wstring command = L"msiexec.exe " + action + L" \"" + package + L"\" /qn";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError();
    DWORD code = WAIT_TIMEOUT;
    if (WaitForSingleObject(process.hProcess, 180000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

std::set<std::wstring> FilesIn(const std::wstring &folder)
{
    std::set<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (lstrcmpW(found.cFileName, L".") && lstrcmpW(found.cFileName, L".."))
            files.insert(found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return files;
}

bool KeyExists(HKEY root, const std::wstring &path, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key))
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring KeyText(HKEY key, const wchar_t *name)
{
    wchar_t text[256] = L"";
    DWORD size = sizeof(text) - sizeof(wchar_t);
    RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(text), &size);
    return text;
}

class PackageInstall : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        productName = ReadVersion(ProgramDir(kArchs[0]) + L"ktrcfg.exe").strings[L"ProductName"];
        upgradeCode = MsiProperty(Package(kArchs[0], L".msi"), L"UpgradeCode");
        ASSERT_FALSE(productName.empty());
        installDirs[0] = Folder(CSIDL_PROGRAM_FILES) + L"\\" + productName;
        installDirs[1] = Folder(CSIDL_PROGRAM_FILESX86) + L"\\" + productName;
        ASSERT_NE(installDirs[0], installDirs[1]);
        // Windows puts a per-machine package's shortcut among all users'
        // programs; Wine's installer among the current user's.
        for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS})
            shortcutDirs.push_back(Folder(csidl) + L"\\KTR");
        // A run that stopped half-way leaves its product behind.
        for (const std::wstring &product : Products())
            Msiexec(L"/x", product.substr(0, product.find(L' ')));
        ASSERT_TRUE(Products().empty());
    }
    void TearDown() override { CoUninitialize(); }

    // The products of the upgrade code, as "product-code version".
    std::vector<std::wstring> Products() const
    {
        std::vector<std::wstring> products;
        wchar_t code[39];
        for (DWORD i = 0; MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, i, code) == ERROR_SUCCESS; ++i) {
            wchar_t version[32] = L"";
            DWORD size = 32;
            MsiGetProductInfoW(code, INSTALLPROPERTY_VERSIONSTRING, version, &size);
            products.push_back(std::wstring(code) + L" " + version);
        }
        return products;
    }
    // The Add/Remove Programs entries of the product in either registry view.
    std::set<std::wstring> Entries() const
    {
        std::set<std::wstring> entries;
        const wchar_t path[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            HKEY uninstall;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &uninstall))
                continue;
            wchar_t name[256];
            for (DWORD i = 0, size = 256; RegEnumKeyExW(uninstall, i, name, &size, nullptr, nullptr, nullptr, nullptr) == 0;
                 ++i, size = 256) {
                HKEY entry;
                if (RegOpenKeyExW(uninstall, name, 0, KEY_READ | view, &entry))
                    continue;
                if (KeyText(entry, L"DisplayName") == productName)
                    entries.insert(std::wstring(name) + L" " + KeyText(entry, L"DisplayVersion") + L" " +
                                   KeyText(entry, L"Publisher"));
                RegCloseKey(entry);
            }
            RegCloseKey(uninstall);
        }
        return entries;
    }
    // The shortcut folders that exist, with what they hold.
    std::map<std::wstring, std::set<std::wstring>> ShortcutFolders() const
    {
        std::map<std::wstring, std::set<std::wstring>> folders;
        for (const std::wstring &folder : shortcutDirs)
            if (Exists(folder))
                folders[folder] = FilesIn(folder);
        return folders;
    }
    // The Start-menu shortcut's target and working folder.
    std::pair<std::wstring, std::wstring> Shortcut() const
    {
        const auto folders = ShortcutFolders();
        const std::wstring shortcut = folders.empty() ? L"" : folders.begin()->first + L"\\" + productName + L".lnk";
        wchar_t target[MAX_PATH] = L"", folder[MAX_PATH + 1] = L"";
        IShellLinkW *link = nullptr;
        IPersistFile *file = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void **>(&link))) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))) &&
            SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ))) {
            link->GetPath(target, MAX_PATH, nullptr, 0);
            link->GetWorkingDirectory(folder, MAX_PATH);
            if (lstrlenW(folder) > 3 && folder[lstrlenW(folder) - 1] == L'\\')
                folder[lstrlenW(folder) - 1] = 0;
        }
        if (file)
            file->Release();
        if (link)
            link->Release();
        return {target, folder};
    }

    // The package of the architecture at that version is the one installed product.
    void ExpectInstalled(int arch, const std::wstring &version)
    {
        SCOPED_TRACE(Narrow(std::wstring(kArchs[arch].name) + L" " + version));
        const std::vector<std::wstring> products = Products();
        ASSERT_EQ(products.size(), 1u) << "one product replaces the other";
        EXPECT_EQ(products[0].substr(39), version);
        const std::set<std::wstring> entries = Entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(*entries.begin(), products[0].substr(0, 38) + L" " + version + L" KTR");

        std::set<std::wstring> expected;
        for (const std::wstring &file : ProgramFiles()) {
            expected.insert(file);
            EXPECT_TRUE(ReadFile(installDirs[arch] + L"\\" + file) == ReadFile(ProgramDir(kArchs[arch]) + file))
                << Narrow(file);
        }
        EXPECT_EQ(FilesIn(installDirs[arch]), expected);
        EXPECT_FALSE(Exists(installDirs[1 - arch])) << "the other architecture's folder";
        const auto folders = ShortcutFolders();
        ASSERT_EQ(folders.size(), 1u);
        EXPECT_EQ(folders.begin()->second, std::set<std::wstring>{productName + L".lnk"});
        const auto [target, folder] = Shortcut();
        EXPECT_EQ(lstrcmpiW(target.c_str(), (installDirs[arch] + L"\\ktrcfg.exe").c_str()), 0) << Narrow(target);
        EXPECT_EQ(lstrcmpiW(folder.c_str(), installDirs[arch].c_str()), 0) << Narrow(folder);
    }

    // Starts the installed program as its shortcut does and reads its adapters and version.
    void RunFromShortcut()
    {
        const auto [target, folder] = Shortcut();
        ASSERT_EQ(InstallDemoBench(), "");
        wchar_t previous[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
        Robot robot;
        const bool started = robot.Start();
        SetCurrentDirectoryW(previous);
        ASSERT_TRUE(started);
        DWORD id = 0;
        GetWindowThreadProcessId(robot.main, &id);
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        wchar_t image[MAX_PATH] = L"";
        DWORD size = MAX_PATH;
        QueryFullProcessImageNameW(process, 0, image, &size);
        CloseHandle(process);
        EXPECT_EQ(lstrcmpiW(image, target.c_str()), 0) << Narrow(image);

        const std::vector<std::wstring> lines = robot.Lines(GetDlgItem(robot.main, 2));
        EXPECT_EQ(lines.size(), 3u);
        for (const wchar_t *address : {L"6400", L"6800", L"3F0"})
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                    [&](const std::wstring &line) { return line.find(address) != std::wstring::npos; }))
                << Narrow(address);
        robot.Command(robot.main, IDM_VERSION);
        EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_VERSION_HEAD) + Dotted(ReadVersion(target).fixed, true) +
                                                L"        " + ModuleText(IDS_VERSION_TAIL));
        robot.Command(robot.main, IDM_EXIT);
        EXPECT_TRUE(robot.WaitForExit());
    }

    std::wstring productName, upgradeCode, installDirs[2];
    std::vector<std::wstring> shortcutDirs;
};

}  // namespace

// Install, run, replace by the other architecture and by a later version,
// refuse an older one, remove: in one test, since each step needs the last.
TEST_F(PackageInstall, InstallRunReplaceAndRemove)
{
    LoadLanguage();
    const std::wstring version = Dotted(ReferenceVersion(), false);
    const std::wstring later = MsiProperty(LaterPackage(), L"ProductVersion");

    ASSERT_EQ(Msiexec(L"/i", Package(kArchs[0], L".msi")), 0u);
    ExpectInstalled(0, version);
    RunFromShortcut();

    ASSERT_EQ(Msiexec(L"/i", Package(kArchs[1], L".msi")), 0u);
    ExpectInstalled(1, version);
    if (Exists(L"Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows\\kernel32.dll") ||
        Exists(L"Z:\\usr\\lib\\wine\\i386-windows\\kernel32.dll"))
        RunFromShortcut();
    else
        printf("The 32-bit program is installed but not started: this Wine has no 32-bit part (wine32).\n");

    ASSERT_EQ(Msiexec(L"/i", LaterPackage()), 0u);
    ExpectInstalled(0, later);
    EXPECT_NE(Msiexec(L"/i", Package(kArchs[0], L".msi")), 0u) << "an older package is refused";
    ExpectInstalled(0, later);

    ASSERT_EQ(Msiexec(L"/x", LaterPackage()), 0u);
    EXPECT_TRUE(Products().empty());
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(ShortcutFolders().empty());
    for (const std::wstring &left : {installDirs[0], installDirs[1]})
        EXPECT_FALSE(Exists(left)) << Narrow(left);
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\KTR", view));
}
