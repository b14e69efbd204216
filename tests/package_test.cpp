// What a user takes home: the manifest and version resources of the built
// files, the packages' versions, and the MSI as Windows Installer runs it.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>
#include <msiquery.h>
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

const wchar_t *const kArchs[] = {L"x64", L"x86"};
const wchar_t *const kFiles[] = {L"ktrcfg.exe",   L"eng_lang.dll", L"deu_lang.dll", L"esp_lang.dll", L"rus_lang.dll",
                                 L"chs_lang.dll", L"fra_lang.dll", L"ita_lang.dll", L"jpn_lang.dll"};

std::wstring BuildDir(int arch) { return std::wstring(KTR_BUILD_ROOT) + L"\\" + kArchs[arch]; }
std::wstring Built(int arch, const wchar_t *file) { return BuildDir(arch) + L"\\program\\" + file; }
bool Exists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string Narrow(const std::wstring &text) { return std::string(text.begin(), text.end()); }

std::string Contents(const std::wstring &path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::wstring> FilesIn(const std::wstring &folder)
{
    std::set<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.insert(found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return files;
}

// A small XML reader: elements in their namespaces, attributes, text; comments
// and processing instructions are skipped.
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
    std::string At(const std::string &key) const { return attributes.count(key) ? attributes.at(key) : ""; }
    bool Holds(const std::string &anyName) const
    {
        return std::any_of(children.begin(), children.end(),
                           [&](const Element &c) { return c.name == anyName || c.Holds(anyName); });
    }
};

class XmlReader {
public:
    explicit XmlReader(const std::string &text) : s(text) {}
    bool Document(Element &root)
    {
        Skip();
        bool read = Read(root, {});
        Skip();
        return read && ok && pos == s.size();
    }

private:
    bool Is(const char *token) const { return pos <= s.size() && s.compare(pos, std::strlen(token), token) == 0; }
    void Expect(const char *token)
    {
        ok = ok && Is(token);
        pos += std::strlen(token);
    }
    void Spaces() { pos = std::min(s.size(), s.find_first_not_of(" \t\r\n", pos)); }
    void Skip()
    {
        for (Spaces(); ok && (Is("<?") || Is("<!--")); Spaces()) {
            size_t end = s.find(Is("<?") ? "?>" : "-->", pos);
            ok = end != std::string::npos;
            pos = ok ? s.find('>', end) + 1 : s.size();
        }
    }
    std::string Name()
    {
        size_t start = pos;
        while (pos < s.size() && (isalnum(static_cast<unsigned char>(s[pos])) || strchr("_:.-", s[pos])))
            ++pos;
        ok = ok && pos > start;
        return s.substr(start, pos - start);
    }
    bool Read(Element &element, std::map<std::string, std::string> scope)
    {
        Expect("<");
        const std::string qname = Name();
        for (Spaces(); ok && pos < s.size() && !Is("/>") && !Is(">"); Spaces()) {
            std::string key = Name();
            Spaces();
            Expect("=");
            Spaces();
            const char quote = pos < s.size() ? s[pos++] : 0;
            size_t end = s.find(quote, pos);
            ok = ok && (quote == '"' || quote == '\'') && end != std::string::npos;
            if (!ok)
                return false;
            std::string value = s.substr(pos, end - pos);
            pos = end + 1;
            if (key == "xmlns" || key.rfind("xmlns:", 0) == 0)
                scope[key == "xmlns" ? "" : key.substr(6)] = value;
            else
                ok = element.attributes.emplace(key, value).second;
        }
        const size_t colon = qname.find(':');
        const std::string prefix = colon == std::string::npos ? "" : qname.substr(0, colon);
        ok = ok && (prefix.empty() || scope.count(prefix));
        element.ns = scope[prefix];
        element.name = qname.substr(colon == std::string::npos ? 0 : colon + 1);
        if (Is("/>")) {
            pos += 2;
            return ok;
        }
        for (Expect(">"); ok && pos < s.size() && !Is("</");) {
            if (Is("<!--"))
                Skip();
            else if (Is("<"))
                element.children.emplace_back(), ok = Read(element.children.back(), scope);
            else
                element.text += s[pos++];
        }
        Expect("</");
        ok = ok && Name() == qname;
        Spaces();
        Expect(">");
        return ok;
    }

    const std::string &s;
    size_t pos = 0;
    bool ok = true;
};

struct VersionInfo {
    VS_FIXEDFILEINFO fixed = {};
    WORD language = 0xFFFF, codePage = 0;
    std::map<std::wstring, std::wstring> strings;
};

VersionInfo ReadVersion(const std::wstring &path)
{
    VersionInfo info;
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> data(size + 1);
    void *value = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return info;
    if (VerQueryValueW(data.data(), L"\\", &value, &length) && length >= sizeof(info.fixed))
        info.fixed = *static_cast<VS_FIXEDFILEINFO *>(value);
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) && length == 4) {
        info.language = static_cast<WORD *>(value)[0];
        info.codePage = static_cast<WORD *>(value)[1];
    }
    for (const wchar_t *key : {L"FileVersion", L"ProductVersion", L"ProductName", L"CompanyName"}) {
        wchar_t query[64];
        wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\%s", info.language, info.codePage, key);
        if (VerQueryValueW(data.data(), query, &value, &length))
            info.strings[key] = static_cast<wchar_t *>(value);
    }
    return info;
}

// "1.4.0.0", or the display form "1.04.00".
std::wstring Dotted(const VS_FIXEDFILEINFO &fixed, bool display)
{
    wchar_t text[32];
    wsprintfW(text, display ? L"%d.%02d.%02d" : L"%d.%d.%d.%d", HIWORD(fixed.dwFileVersionMS),
              LOWORD(fixed.dwFileVersionMS), HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
    return text;
}

// The reference that every other place must agree with: the 64-bit program's version.
VS_FIXEDFILEINFO Reference() { return ReadVersion(Built(0, L"ktrcfg.exe")).fixed; }

std::wstring PackageName(int arch, const wchar_t *extension)
{
    return L"ktrcfg-" + Dotted(Reference(), true) + L"-" + kArchs[arch] + extension;
}
std::wstring Msi(int arch) { return BuildDir(arch) + L"\\packages\\" + PackageName(arch, L".msi"); }
std::wstring LaterMsi() { return BuildDir(0) + L"\\test-packages\\ktrcfg-later-x64.msi"; }

std::wstring MsiProperty(const std::wstring &package, const std::wstring &name)
{
    MSIHANDLE database = 0, view = 0, record = 0;
    const std::wstring query = L"SELECT `Value` FROM `Property` WHERE `Property` = '" + name + L"'";
    wchar_t value[256] = L"(none)";
    DWORD size = 256;
    if (!MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, &database) &&
        !MsiDatabaseOpenViewW(database, query.c_str(), &view) && !MsiViewExecute(view, 0) && !MsiViewFetch(view, &record))
        MsiRecordGetStringW(record, 1, value, &size);
    for (MSIHANDLE handle : {record, view, database})
        MsiCloseHandle(handle);
    return value;
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context)
{
    *reinterpret_cast<WORD *>(context) = language;
    return FALSE;
}

}  // namespace

TEST(Packages, ManifestDeclaresElevationDpiAwarenessAndSupportedSystems)
{
    const std::string v1 = "urn:schemas-microsoft-com:asm.v1", v3 = "urn:schemas-microsoft-com:asm.v3",
                      compatibility = "urn:schemas-microsoft-com:compatibility.v1";
    const std::set<std::string> systems = {
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};  // Vista, 7, 8, 8.1, 10 and 11
    for (int arch : {0, 1}) {
        SCOPED_TRACE(Narrow(kArchs[arch]));
        HMODULE module = LoadLibraryExW(Built(arch, L"ktrcfg.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
        ASSERT_NE(resource, nullptr);
        const std::string text(static_cast<const char *>(LockResource(LoadResource(module, resource))),
                               SizeofResource(module, resource));
        FreeLibrary(module);

        Element root;
        ASSERT_TRUE(XmlReader(text).Document(root)) << text;
        EXPECT_EQ(root.ns + " " + root.name + " " + root.At("manifestVersion"), v1 + " assembly 1.0");
        const Element *identity = root.Child(v1, "assemblyIdentity");
        ASSERT_NE(identity, nullptr);
        EXPECT_EQ(identity->At("type"), "win32");
        EXPECT_NE(identity->At("name"), "");
        EXPECT_EQ(identity->At("version"), Narrow(Dotted(ReadVersion(Built(arch, L"ktrcfg.exe")).fixed, false)));
        EXPECT_EQ(identity->At("processorArchitecture"), arch ? "x86" : "amd64");

        const Element *trust = root.Child(v3, "trustInfo");
        trust = trust ? trust : root.Child("urn:schemas-microsoft-com:asm.v2", "trustInfo");
        for (const char *inner : {"security", "requestedPrivileges", "requestedExecutionLevel"})
            trust = trust ? trust->Child(trust->ns, inner) : nullptr;
        ASSERT_NE(trust, nullptr);
        EXPECT_EQ(trust->At("level") + " " + trust->At("uiAccess"), "requireAdministrator false");

        const Element *settings = root.Child(v3, "application");
        settings = settings ? settings->Child(v3, "windowsSettings") : nullptr;
        ASSERT_NE(settings, nullptr);
        const Element *dpiAware = settings->Child("http://schemas.microsoft.com/SMI/2005/WindowsSettings", "dpiAware");
        ASSERT_NE(dpiAware, nullptr);
        EXPECT_EQ(dpiAware->text, "true") << "system-aware";
        EXPECT_EQ(settings->children.size(), 1u) << "nothing that overrides it, per monitor";

        const Element *supported = root.Child(compatibility, "compatibility");
        supported = supported ? supported->Child(compatibility, "application") : nullptr;
        ASSERT_NE(supported, nullptr);
        std::set<std::string> declared;
        for (const Element &os : supported->children)
            if (os.ns == compatibility && os.name == "supportedOS")
                declared.insert(os.At("Id"));
        EXPECT_EQ(declared, systems);
        EXPECT_FALSE(root.Holds("dependency")) << "no visual styles";
    }
}

TEST(Packages, OneVersionInEveryFileAndPackage)
{
    const VS_FIXEDFILEINFO reference = Reference();
    ASSERT_EQ(reference.dwSignature, 0xFEEF04BDu);
    const std::wstring version = Dotted(reference, false), display = Dotted(reference, true);
    const std::wstring upgradeCode = MsiProperty(Msi(0), L"UpgradeCode");
    for (int arch : {0, 1}) {
        for (const wchar_t *file : kFiles) {
            SCOPED_TRACE(Narrow(std::wstring(kArchs[arch]) + L" " + file));
            VersionInfo info = ReadVersion(Built(arch, file));
            EXPECT_EQ(Dotted(info.fixed, false), version);
            EXPECT_EQ(info.fixed.dwProductVersionMS, reference.dwFileVersionMS);
            EXPECT_EQ(info.fixed.dwProductVersionLS, reference.dwFileVersionLS);
            EXPECT_EQ(info.strings[L"FileVersion"] + L" " + info.strings[L"ProductVersion"], display + L" " + display);
            EXPECT_EQ(info.strings[L"CompanyName"], L"KTR");
            EXPECT_EQ(info.codePage, 1200);
            if (file == kFiles[0])
                continue;
            HMODULE module = LoadLibraryExW(Built(arch, file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            WORD language = 0;
            EnumResourceLanguagesW(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_LANGUAGE_TAG), FirstLanguage,
                                   reinterpret_cast<LONG_PTR>(&language));
            FreeLibrary(module);
            EXPECT_NE(language, 0);
            EXPECT_EQ(info.language, language) << "the module's own language";
        }
        EXPECT_EQ(FilesIn(BuildDir(arch) + L"\\packages"),
                  (std::set<std::wstring>{PackageName(arch, L".zip"), PackageName(arch, L".msi")}));
        EXPECT_EQ(MsiProperty(Msi(arch), L"ProductVersion"), version);
        EXPECT_EQ(MsiProperty(Msi(arch), L"ProductName"), ReadVersion(Built(arch, L"ktrcfg.exe")).strings[L"ProductName"]);
        EXPECT_EQ(MsiProperty(Msi(arch), L"Manufacturer"), L"KTR");
        EXPECT_EQ(MsiProperty(Msi(arch), L"UpgradeCode"), upgradeCode) << "one product on a machine";
    }
    EXPECT_EQ(MsiProperty(LaterMsi(), L"UpgradeCode"), upgradeCode);
    EXPECT_GT(MsiProperty(LaterMsi(), L"ProductVersion"), version);
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

std::wstring Value(HKEY key, const wchar_t *name)
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
        product = ReadVersion(Built(0, L"ktrcfg.exe")).strings[L"ProductName"];
        upgradeCode = MsiProperty(Msi(0), L"UpgradeCode");
        ASSERT_FALSE(product.empty());
        installDirs[0] = Folder(CSIDL_PROGRAM_FILES) + L"\\" + product;
        installDirs[1] = Folder(CSIDL_PROGRAM_FILESX86) + L"\\" + product;
        ASSERT_NE(installDirs[0], installDirs[1]);
        // Windows puts a per-machine package's shortcut among all users'
        // programs; Wine's installer among the current user's.
        for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS})
            shortcutDirs.push_back(Folder(csidl) + L"\\KTR");
        // A run that stopped half-way leaves its product behind.
        for (const std::wstring &left : Products())
            Msiexec(L"/x", left.substr(0, 38));
        ASSERT_TRUE(Products().empty());
    }
    void TearDown() override { CoUninitialize(); }

    // The products of the upgrade code, as "{product code} version".
    std::vector<std::wstring> Products() const
    {
        std::vector<std::wstring> products;
        wchar_t code[39], version[32];
        for (DWORD i = 0, size = 32; !MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, i, code); ++i, size = 32) {
            MsiGetProductInfoW(code, INSTALLPROPERTY_VERSIONSTRING, version, &size);
            products.push_back(std::wstring(code) + L" " + version);
        }
        return products;
    }
    // Add/Remove Programs entries of the product and its own key, in either registry view.
    std::set<std::wstring> RegistryEntries() const
    {
        std::set<std::wstring> entries;
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            HKEY key;
            if (!RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\KTR", 0, KEY_READ | view, &key))
                entries.insert(view == KEY_WOW64_32KEY ? L"32-bit Software\\KTR" : L"Software\\KTR"), RegCloseKey(key);
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                              KEY_READ | view, &key))
                continue;
            wchar_t name[256];
            for (DWORD i = 0, size = 256; !RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
                 ++i, size = 256) {
                HKEY entry;
                if (RegOpenKeyExW(key, name, 0, KEY_READ | view, &entry))
                    continue;
                if (Value(entry, L"DisplayName") == product)
                    entries.insert(std::wstring(name) + L" " + Value(entry, L"DisplayVersion") + L" " +
                                   Value(entry, L"Publisher"));
                RegCloseKey(entry);
            }
            RegCloseKey(key);
        }
        return entries;
    }
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
        const std::wstring path = folders.empty() ? L"" : folders.begin()->first + L"\\" + product + L".lnk";
        wchar_t target[MAX_PATH] = L"", folder[MAX_PATH] = L"";
        IShellLinkW *link = nullptr;
        IPersistFile *file = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void **>(&link))) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))) &&
            SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            link->GetPath(target, MAX_PATH, nullptr, 0);
            link->GetWorkingDirectory(folder, MAX_PATH);
        }
        if (file)
            file->Release();
        if (link)
            link->Release();
        std::wstring working = folder;
        if (working.size() > 3 && working.back() == L'\\')
            working.pop_back();
        return {target, working};
    }

    // The package of that architecture and version is the one product installed.
    void ExpectInstalled(int arch, const std::wstring &version)
    {
        SCOPED_TRACE(Narrow(std::wstring(kArchs[arch]) + L" " + version));
        const std::vector<std::wstring> products = Products();
        ASSERT_EQ(products.size(), 1u) << "one product replaces the other";
        EXPECT_EQ(products[0].substr(39), version);
        EXPECT_EQ(RegistryEntries(),
                  (std::set<std::wstring>{arch ? L"32-bit Software\\KTR" : L"Software\\KTR", products[0] + L" KTR"}));
        std::set<std::wstring> expected;
        for (const wchar_t *file : kFiles) {
            expected.insert(file);
            EXPECT_TRUE(Contents(installDirs[arch] + L"\\" + file) == Contents(Built(arch, file))) << Narrow(file);
        }
        EXPECT_EQ(FilesIn(installDirs[arch]), expected);
        EXPECT_FALSE(Exists(installDirs[1 - arch])) << "the other architecture's folder";
        const auto folders = ShortcutFolders();
        ASSERT_EQ(folders.size(), 1u);
        EXPECT_EQ(folders.begin()->second, std::set<std::wstring>{product + L".lnk"});
        const auto [target, folder] = Shortcut();
        EXPECT_EQ(lstrcmpiW(target.c_str(), (installDirs[arch] + L"\\ktrcfg.exe").c_str()), 0) << Narrow(target);
        EXPECT_EQ(lstrcmpiW(folder.c_str(), installDirs[arch].c_str()), 0) << Narrow(folder);
    }

    // Starts the installed program as its shortcut does; reads its adapters and version.
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
        DWORD id = 0, size = MAX_PATH;
        GetWindowThreadProcessId(robot.main, &id);
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        wchar_t image[MAX_PATH] = L"";
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

    std::wstring product, upgradeCode, installDirs[2];
    std::vector<std::wstring> shortcutDirs;
};

}  // namespace

// Install and start, replace by the other architecture and by a later
// version, refuse an older one, remove: one test, each step needs the last.
TEST_F(PackageInstall, InstallRunReplaceAndRemove)
{
    LoadLanguage();
    const std::wstring version = Dotted(Reference(), false), later = MsiProperty(LaterMsi(), L"ProductVersion");

    ASSERT_EQ(Msiexec(L"/i", Msi(0)), 0u);
    ExpectInstalled(0, version);
    RunFromShortcut();

    ASSERT_EQ(Msiexec(L"/i", Msi(1)), 0u);
    ExpectInstalled(1, version);
    if (Exists(L"Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows\\kernel32.dll") ||
        Exists(L"Z:\\usr\\lib\\wine\\i386-windows\\kernel32.dll"))
        RunFromShortcut();
    else
        printf("The 32-bit program is installed but not started: this Wine has no 32-bit part (wine32).\n");

    ASSERT_EQ(Msiexec(L"/i", LaterMsi()), 0u);
    ExpectInstalled(0, later);
    EXPECT_NE(Msiexec(L"/i", Msi(0)), 0u) << "an older package is refused";
    ExpectInstalled(0, later);

    ASSERT_EQ(Msiexec(L"/x", LaterMsi()), 0u);
    EXPECT_TRUE(Products().empty());
    EXPECT_TRUE(RegistryEntries().empty());
    EXPECT_TRUE(ShortcutFolders().empty());
    EXPECT_FALSE(Exists(installDirs[0]) || Exists(installDirs[1]));
}
