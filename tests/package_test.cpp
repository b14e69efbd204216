// What a user takes home: the manifest and version resources of the built
// files, the packages' versions, and the MSI as Windows Installer runs it.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <msxml2.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "ktr_version.h"
#include "language/resource_ids.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"
#include "tests/robot.h"

namespace {

const wchar_t *const kArchs[] = {L"x64", L"x86"};
const wchar_t *const kFiles[] = {L"ktrcfg.exe",   L"ktrcli.exe",   L"eng_lang.dll", L"deu_lang.dll", L"esp_lang.dll",
                                 L"rus_lang.dll", L"chs_lang.dll", L"fra_lang.dll", L"ita_lang.dll", L"jpn_lang.dll"};

std::wstring BuildDir(int arch) { return std::wstring(KTR_BUILD_ROOT) + L"\\" + kArchs[arch]; }
std::wstring Built(int arch, const wchar_t *file) { return BuildDir(arch) + L"\\program\\" + file; }
bool Exists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct VersionInfo {
    std::wstring fixed, display, translation, company, product;
};

// The fixed version as "1.4.0.0", its display form "1.04.00", and the strings of the translation.
VersionInfo ReadVersion(const std::wstring &path)
{
    VersionInfo info;
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> data(size + 1);
    void *value = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", &value, &length))
        return info;
    const auto *fixed = static_cast<VS_FIXEDFILEINFO *>(value);
    wchar_t text[64];
    wsprintfW(text, L"%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    info.fixed = text;
    if (fixed->dwProductVersionMS != fixed->dwFileVersionMS || fixed->dwProductVersionLS != fixed->dwFileVersionLS)
        info.fixed += L" (product version differs)";
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) || length != 4)
        return info;
    wsprintfW(text, L"%04x%04x", static_cast<WORD *>(value)[0], static_cast<WORD *>(value)[1]);
    info.translation = text;
    for (auto [key, field] : {std::pair{L"FileVersion", &info.display}, {L"CompanyName", &info.company},
                              {L"ProductName", &info.product}}) {
        const std::wstring query = L"\\StringFileInfo\\" + info.translation + L"\\" + key;
        if (VerQueryValueW(data.data(), query.c_str(), &value, &length))
            *field = static_cast<wchar_t *>(value);
    }
    return info;
}

std::wstring PackageName(int arch, const wchar_t *extension)
{
    return L"ktrcfg-" + ReadVersion(Built(0, L"ktrcfg.exe")).display + L"-" + kArchs[arch] + extension;
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

// The rows of an MSI table, each as its columns' texts joined by spaces.
std::vector<std::wstring> MsiRows(const std::wstring &package, const std::wstring &query)
{
    std::vector<std::wstring> rows;
    MSIHANDLE database = 0, view = 0, record = 0;
    if (!MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, &database) &&
        !MsiDatabaseOpenViewW(database, query.c_str(), &view) && !MsiViewExecute(view, 0)) {
        while (!MsiViewFetch(view, &record)) {
            std::wstring row;
            for (UINT field = 1; field <= MsiRecordGetFieldCount(record); ++field) {
                wchar_t value[256] = L"";
                DWORD size = 256;
                MsiRecordGetStringW(record, field, value, &size);
                row += (field > 1 ? L" " : L"") + std::wstring(value);
            }
            rows.push_back(row);
            MsiCloseHandle(record);
        }
    }
    for (MSIHANDLE handle : {view, database})
        MsiCloseHandle(handle);
    return rows;
}

// The Windows Installer version that a package asks for (its summary's page count).
int InstallerVersion(const std::wstring &package)
{
    MSIHANDLE summary = 0;
    UINT type = 0;
    INT value = -1;
    FILETIME time;
    DWORD size = 0;
    if (!MsiGetSummaryInformationW(0, package.c_str(), 0, &summary))
        MsiSummaryInfoGetPropertyW(summary, PIDSI_PAGECOUNT, &type, &value, &time, nullptr, &size);
    MsiCloseHandle(summary);
    return value;
}

// What each Windows from Vista on means to a build: its interface version, the
// Windows Installer it came with, and the Id by which a manifest names it.
struct Windows {
    const wchar_t *name;
    int winnt, installer;
    const wchar_t *supportedOs;
};
const Windows kWindows[] = {
    {L"Vista", 0x0600, 400, L"{e2011457-1546-43c5-a5fe-008deee3d3f0}"},
    {L"7", 0x0601, 500, L"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
    {L"8", 0x0602, 500, L"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
    {L"8.1", 0x0603, 500, L"{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
    {L"10", 0x0A00, 500, L"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
};
const Windows *Oldest()
{
    for (const Windows &windows : kWindows)
        if (!lstrcmpW(windows.name, KTR_OLDEST_WINDOWS))
            return &windows;
    return nullptr;
}

BOOL CALLBACK TemplateLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context)
{
    wsprintfW(reinterpret_cast<wchar_t *>(context), L"%04x04b0", language);
    return FALSE;
}

// The texts that an XPath query finds in a parsed document, in document order.
std::vector<std::wstring> Select(IXMLDOMDocument2 *document, const wchar_t *path)
{
    std::vector<std::wstring> found;
    IXMLDOMNodeList *nodes = nullptr;
    BSTR query = SysAllocString(path);
    if (SUCCEEDED(document->selectNodes(query, &nodes)) && nodes) {
        IXMLDOMNode *node = nullptr;
        while (nodes->nextNode(&node) == S_OK) {
            BSTR text = nullptr;
            node->get_text(&text);
            found.push_back(text ? text : L"");
            SysFreeString(text);
            node->Release();
        }
        nodes->Release();
    }
    SysFreeString(query);
    return found;
}

class Packages : public testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override { CoUninitialize(); }
};

}  // namespace

TEST_F(Packages, BothProgramsCarryTheLogsMessages)
{
    // What Event Viewer shows of an entry: the message of its ID, with the entry's inserts.
    const wchar_t *const words[] = {L"ktrcli", L"apply", L"C:\\t.json", L"HOST\\admin", L"2", L"KTR-A0130",
                                    L"hostId: 7 -> 6", L"the write failed with error 1117", L"write", L"1117"};
    DWORD_PTR inserts[10];
    for (int i = 0; i < 10; ++i)
        inserts[i] = reinterpret_cast<DWORD_PTR>(words[i]);
    const std::pair<DWORD, const wchar_t *> messages[] = {
        {1000, L"The settings of the SCSI host adapter at port 2 (KTR-A0130) were written.\r\nProgram: ktrcli\r\n"
               L"Action: apply\r\nFile: C:\\t.json\r\nUser: HOST\\admin\r\nEarlier settings: the write failed with "
               L"error 1117\r\nChanges:\r\nhostId: 7 -> 6\r\n"},  // insert 8 of 1000 is the file kept before
        {1001, L"The settings of the SCSI host adapter at port 2 (KTR-A0130) were not written: the write failed with "
               L"error 1117.\r\nProgram: ktrcli\r\nAction: apply\r\nFile: C:\\t.json\r\nUser: HOST\\admin\r\nStep: write\r\n"
               L"Error: 1117\r\nChanges not made:\r\n"
               L"hostId: 7 -> 6\r\n"},
        {1002, L"A settings file was refused; no adapter was written.\r\nProgram: ktrcli\r\nAction: apply\r\n"
               L"File: C:\\t.json\r\nUser: HOST\\admin\r\nReason: 2\r\n"},
    };
    for (int arch : {0, 1})
        for (const wchar_t *file : {L"ktrcfg.exe", L"ktrcli.exe"}) {
            SCOPED_TRACE(testing::Message() << arch << " " << file);
            HMODULE module = LoadLibraryExW(Built(arch, file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            ASSERT_NE(module, nullptr);
            for (const auto &[id, text] : messages) {
                wchar_t shown[1024] = L"";
                FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id, 0x409, shown,
                               1024, reinterpret_cast<va_list *>(inserts));
                EXPECT_STREQ(shown, text) << id;
            }
            FreeLibrary(module);
        }
}

TEST_F(Packages, ManifestDeclaresElevationDpiAwarenessAndSupportedSystems)
{
    using Texts = std::vector<std::wstring>;
    // The windowed program asks for elevation and draws at the display's
    // resolution; the console program runs as its caller, so that a script
    // gets an error and never a prompt, and draws nothing.
    const struct {
        const wchar_t *file, *level;
        Texts settings;
    } programs[] = {{L"ktrcfg.exe", L"requireAdministrator", Texts{L"true"}}, {L"ktrcli.exe", L"asInvoker", Texts{}}};
    for (int arch : {0, 1}) {
        for (const auto &program : programs) {
            SCOPED_TRACE(testing::Message() << arch << " " << program.file);
            HMODULE module = LoadLibraryExW(Built(arch, program.file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
            ASSERT_NE(resource, nullptr);
            const std::string bytes(static_cast<const char *>(LockResource(LoadResource(module, resource))),
                                    SizeofResource(module, resource));
            FreeLibrary(module);

            CLSID parser;
            IXMLDOMDocument2 *document = nullptr;
            ASSERT_EQ(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &parser), S_OK);
            const IID document2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
            ASSERT_EQ(CoCreateInstance(parser, nullptr, CLSCTX_INPROC_SERVER, document2,
                                       reinterpret_cast<void **>(&document)), S_OK);
            BSTR xml = SysAllocString(std::wstring(bytes.begin(), bytes.end()).c_str());
            VARIANT_BOOL parsed = VARIANT_FALSE;
            document->put_async(VARIANT_FALSE);
            EXPECT_EQ(document->loadXML(xml, &parsed), S_OK);
            SysFreeString(xml);
            ASSERT_EQ(parsed, VARIANT_TRUE) << bytes;
            VARIANT names;
            names.vt = VT_BSTR;
            names.bstrVal = SysAllocString(L"xmlns:a='urn:schemas-microsoft-com:asm.v1' "
                                           L"xmlns:s='urn:schemas-microsoft-com:asm.v3' "
                                           L"xmlns:w='http://schemas.microsoft.com/SMI/2005/WindowsSettings' "
                                           L"xmlns:c='urn:schemas-microsoft-com:compatibility.v1'");
            BSTR property = SysAllocString(L"SelectionNamespaces");
            document->setProperty(property, names);
            SysFreeString(property);
            VariantClear(&names);

            EXPECT_EQ(Select(document, L"/a:assembly/a:assemblyIdentity/@version"),
                      Texts{ReadVersion(Built(arch, program.file)).fixed});
            EXPECT_EQ(Select(document, L"/a:assembly/a:assemblyIdentity/@processorArchitecture"),
                      Texts{arch ? L"x86" : L"amd64"});
            EXPECT_EQ(Select(document, L"/a:assembly/s:trustInfo/s:security/s:requestedPrivileges/"
                                       L"s:requestedExecutionLevel/@level"),
                      Texts{program.level});
            EXPECT_EQ(Select(document, L"/a:assembly/s:application/s:windowsSettings/w:dpiAware"), program.settings);
            EXPECT_EQ(Select(document, L"/a:assembly/s:application/s:windowsSettings/*"), program.settings)
                << "nothing that makes it per monitor";
            Texts systems;
            for (const Windows *windows = Oldest(); windows && windows != std::end(kWindows); ++windows)
                systems.push_back(windows->supportedOs);
            ASSERT_FALSE(systems.empty()) << "the version file names an unknown Windows: " << KTR_OLDEST_WINDOWS;
            EXPECT_EQ(Select(document, L"/a:assembly/c:compatibility/c:application/c:supportedOS/@Id"), systems)
                << "Windows " << KTR_OLDEST_WINDOWS << " and every later one, 10 or 11 last";
            EXPECT_EQ(Select(document, L"//a:dependency"), Texts{}) << "no visual styles";
            document->Release();
        }
    }
}

TEST_F(Packages, OneOldestWindowsForCodeManifestAndInstaller)
{
    const Windows *oldest = Oldest();
    ASSERT_NE(oldest, nullptr) << KTR_OLDEST_WINDOWS;
    EXPECT_EQ(_WIN32_WINNT, oldest->winnt) << "the interface that the code is compiled for";
    for (int arch : {0, 1})
        EXPECT_EQ(InstallerVersion(Msi(arch)), oldest->installer) << arch;
}

TEST_F(Packages, OneVersionInEveryFileAndPackage)
{
    // The version box's form: the minor and patch numbers in two digits.
    int part[4] = {-1, -1, -1, -1};
    swscanf(KTR_PROJECT_VERSION, L"%d.%d.%d.%d", &part[0], &part[1], &part[2], &part[3]);
    wchar_t display[32];
    wsprintfW(display, L"%d.%02d.%02d", part[0], part[1], part[2]);
    const VersionInfo program = ReadVersion(Built(0, L"ktrcfg.exe"));
    const std::wstring upgradeCode = MsiProperty(Msi(0), L"UpgradeCode");
    for (int arch : {0, 1}) {
        std::vector<std::wstring> fileRows;
        for (const wchar_t *file : kFiles) {
            SCOPED_TRACE(testing::Message() << arch << " " << file);
            const VersionInfo info = ReadVersion(Built(arch, file));
            EXPECT_EQ(info.fixed, KTR_PROJECT_VERSION);
            EXPECT_EQ(info.display, display);
            EXPECT_EQ(info.company, L"KTR");
            wchar_t language[16] = L"000004b0";  // the programs' own version resources are neutral
            if (!wcsstr(file, L".exe")) {
                HMODULE module = LoadLibraryExW(Built(arch, file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
                EnumResourceLanguagesW(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_LANGUAGE_TAG), TemplateLanguage,
                                       reinterpret_cast<LONG_PTR>(language));
                FreeLibrary(module);
            }
            EXPECT_EQ(info.translation, language) << "each module's translation names its own language";
            // Its row in the MSI's File table: the version and language of its resource.
            fileRows.push_back(std::wstring(file) + L" " + info.fixed + L" " +
                               std::to_wstring(wcstoul(info.translation.substr(0, 4).c_str(), nullptr, 16)));
        }
        EXPECT_EQ(MsiRows(Msi(arch), L"SELECT `File`, `Version`, `Language` FROM `File` ORDER BY `Sequence`"), fileRows);
        EXPECT_EQ(MsiProperty(Msi(arch), L"ProductVersion"), KTR_PROJECT_VERSION);
        EXPECT_EQ(MsiProperty(Msi(arch), L"ProductName"), program.product);
        EXPECT_EQ(MsiProperty(Msi(arch), L"Manufacturer"), program.company);
        EXPECT_EQ(MsiProperty(Msi(arch), L"UpgradeCode"), upgradeCode) << "one product on a machine";
    }
}

namespace {

DWORD Msiexec(const std::wstring &action, const std::wstring &package)
{
    std::wstring command = L"msiexec.exe " + action + L" \"" + package + L"\" /qn";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
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

// The products that a package's FindRelatedProducts puts in an Upgrade row's property.
std::wstring RelatedProducts(const std::wstring &package, const wchar_t *property)
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    MSIHANDLE session = 0;
    wchar_t value[256] = L"(not run)";
    DWORD size = 256;
    if (!MsiOpenPackageW(package.c_str(), &session) && !MsiDoActionW(session, L"FindRelatedProducts"))
        MsiGetPropertyW(session, property, value, &size);
    MsiCloseHandle(session);
    return value;
}

// Whether 32-bit programs start here, as the x86 tests' probe found it.
bool Runs32Bit()
{
    HANDLE file = CreateFileW((BuildDir(0) + L"\\runs-32bit.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    char answer = '?';
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, &answer, 1, &read, nullptr);
        CloseHandle(file);
    }
    EXPECT_TRUE(answer == '0' || answer == '1') << "no answer from the probe: run the test through ctest";
    return answer == '1';
}

std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// What the machine holds of the product: the installed products of its upgrade
// code with their Add/Remove entries, its registry key in either view, its files
// in either Program Files, and its Start-menu shortcut (Windows puts a per-machine
// package's among all users' programs; Wine's installer among the current user's).
struct Installed {
    std::vector<std::wstring> entries, keys, files;
    std::wstring shortcut, target, workingFolder;
    std::wstring eventSource;  // the Application log source's message file, "" without its key
    DWORD eventTypes = 0, eventSourceType = REG_NONE;
};

Installed Look(const std::wstring &upgradeCode, const std::wstring &product)
{
    Installed found;
    wchar_t code[39];
    for (DWORD i = 0; !MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, i, code); ++i) {
        std::wstring entry = code;
        for (const wchar_t *property : {INSTALLPROPERTY_INSTALLEDPRODUCTNAME, INSTALLPROPERTY_VERSIONSTRING,
                                        INSTALLPROPERTY_PUBLISHER}) {
            wchar_t value[256] = L"";
            DWORD size = 256;
            MsiGetProductInfoW(code, property, value, &size);
            entry += std::wstring(L" ") + value;
        }
        found.entries.push_back(entry);
    }
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key;
        if (!RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\KTR", 0, KEY_READ | view, &key)) {
            found.keys.push_back(view == KEY_WOW64_64KEY ? L"64-bit" : L"32-bit");
            RegCloseKey(key);
        }
    }
    HKEY source;
    if (!RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" KTR_EVENT_SOURCE,
                       0, KEY_READ, &source)) {
        wchar_t file[MAX_PATH] = L"";
        DWORD size = sizeof file, typesSize = sizeof found.eventTypes;
        RegQueryValueExW(source, L"EventMessageFile", nullptr, &found.eventSourceType, reinterpret_cast<BYTE *>(file),
                         &size);
        RegQueryValueExW(source, L"TypesSupported", nullptr, nullptr, reinterpret_cast<BYTE *>(&found.eventTypes),
                         &typesSize);
        found.eventSource = file[0] ? file : L"(key without its message file)";
        RegCloseKey(source);
    }
    for (const std::wstring &folder : {ShellFolder(CSIDL_PROGRAM_FILES) + L"\\" + product,
                                       ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\" + product,
                                       ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\KTR", ShellFolder(CSIDL_PROGRAMS) + L"\\KTR"}) {
        WIN32_FIND_DATAW file;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &file);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &file))
            if (!(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                found.files.push_back(folder + L"\\" + file.cFileName);
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        if (Exists(folder + L"\\" + product + L".lnk"))
            found.shortcut = folder + L"\\" + product + L".lnk";
    }
    IShellLinkW *link = nullptr;
    IPersistFile *file = nullptr;
    wchar_t target[MAX_PATH] = L"", working[MAX_PATH] = L"";
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void **>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file))) &&
        SUCCEEDED(file->Load(found.shortcut.c_str(), STGM_READ))) {
        link->GetPath(target, MAX_PATH, nullptr, 0);
        link->GetWorkingDirectory(working, MAX_PATH);
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    found.target = target;
    found.workingFolder = working;
    if (found.workingFolder.size() > 3 && found.workingFolder.back() == L'\\')
        found.workingFolder.pop_back();
    return found;
}

}  // namespace

using PackageInstall = Packages;

// Install and start, replace by the other architecture and by a later
// version, refuse an older one, remove: one test, each step needs the last.
TEST_F(PackageInstall, InstallRunReplaceAndRemove)
{
    LoadLanguage();
    const VersionInfo program = ReadVersion(Built(0, L"ktrcfg.exe"));
    const std::wstring upgradeCode = MsiProperty(Msi(0), L"UpgradeCode"), product = program.product;
    const std::wstring folders[] = {ShellFolder(CSIDL_PROGRAM_FILES) + L"\\" + product,
                                    ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\" + product};
    ASSERT_NE(folders[0], folders[1]);
    for (const std::wstring &left : Look(upgradeCode, product).entries)  // from a run that stopped half-way
        Msiexec(L"/x", left.substr(0, 38));
    const std::wstring history = ShellFolder(CSIDL_COMMON_APPDATA) + L"\\" KTR_HISTORY_FOLDER;
    ClearHistory();
    RemoveDirectoryW(history.substr(0, history.rfind(L'\\')).c_str());
    ASSERT_FALSE(Exists(history));
    for (int arch : {0, 1})  // both folders made with the one access list, which Wine does not keep
        EXPECT_EQ(MsiRows(Msi(arch), L"SELECT `LockObject`, `Table`, `SDDL` FROM `MsiLockPermissionsEx` ORDER BY `LockObject`"),
                  (std::vector<std::wstring>{L"HISTORYFOLDER CreateFolder " KTR_HISTORY_ACCESS,
                                             L"HISTORYPARENT CreateFolder " KTR_HISTORY_ACCESS}));

    auto expectInstalled = [&](int arch, const std::wstring &version) {
        SCOPED_TRACE(testing::Message() << arch << " " << version);
        const Installed now = Look(upgradeCode, product);
        ASSERT_EQ(now.entries.size(), 1u) << "one product replaces the other";
        EXPECT_EQ(now.entries[0].substr(39), product + L" " + version + L" KTR");
        EXPECT_EQ(now.keys, std::vector<std::wstring>{arch ? L"32-bit" : L"64-bit"});
        std::vector<std::wstring> files;
        for (const wchar_t *file : kFiles)
            files.push_back(folders[arch] + L"\\" + file);
        files.push_back(now.shortcut);
        std::sort(files.begin(), files.end());
        std::vector<std::wstring> held = now.files;
        std::sort(held.begin(), held.end());
        EXPECT_EQ(held, files) << "the program, its modules and the shortcut, nowhere else";
        EXPECT_EQ(lstrcmpiW(now.target.c_str(), (folders[arch] + L"\\ktrcfg.exe").c_str()), 0);
        EXPECT_EQ(lstrcmpiW(now.workingFolder.c_str(), folders[arch].c_str()), 0);
        // The Application log's source, whose entries' words come from the console program.
        EXPECT_EQ(lstrcmpiW(now.eventSource.c_str(), (folders[arch] + L"\\ktrcli.exe").c_str()), 0) << now.eventSource;
        EXPECT_EQ(now.eventSourceType, static_cast<DWORD>(REG_EXPAND_SZ));
        EXPECT_EQ(now.eventTypes, 7u);
        // The history folder, as the system reads its access list back: no one but administrators writes there.
        EXPECT_TRUE(Exists(history));
        EXPECT_EQ(FolderWriters(history), "");
    };

    // Started as its shortcut starts it, the installed program lists the demo bench's adapters.
    auto runFromShortcut = [&] {
        const Installed installed = Look(upgradeCode, product);
        ASSERT_EQ(InstallDemoBench(), "");
        wchar_t previous[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryW(installed.workingFolder.c_str()));
        Robot robot;
        const bool started = robot.Start(installed.target);
        SetCurrentDirectoryW(previous);
        ASSERT_TRUE(started);
        EXPECT_EQ(robot.WaitForLines(GetDlgItem(robot.main, 2), 3).size(), 3u);
        robot.Command(robot.main, IDM_VERSION);
        EXPECT_NE(robot.AnswerMessageBox().find(program.display + L"        "), std::wstring::npos);
        robot.Command(robot.main, IDM_EXIT);
        EXPECT_TRUE(robot.WaitForExit());
        // The console program beside it, started from elsewhere, as a script would.
        const std::wstring cli = L"\"" + installed.workingFolder + L"\\ktrcli.exe\"";
        const ProgramRun help = RunProgram(cli + L" --help", previous);
        EXPECT_EQ(help.exitCode, 0u) << help.err;
        EXPECT_NE(help.out.find("exit codes"), std::string::npos) << help.out;
        const ProgramRun list = RunProgram(cli + L" list", previous);
        EXPECT_EQ(list.exitCode, 0u) << list.err;
        EXPECT_EQ(ProgramRun::Lines(list.out).size(), 4u) << "a header and the three adapters:\n" << list.out;
        // What it writes is kept in the folder that the MSI made, and undo puts it back.
        std::vector<std::uint8_t> before, after;
        ASSERT_TRUE(ReadStoredImage(1, before));
        const std::wstring hostId = std::wstring(previous) + L"\\ktr-installed-hostid.json";
        std::ofstream(hostId.c_str(), std::ios::binary) << R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 6}}]})";
        const std::size_t kept = KeptFiles(1).size();
        EXPECT_EQ(RunProgram(cli + L" apply \"" + hostId + L"\"", previous).exitCode, 0u);
        DeleteFileW(hostId.c_str());
        ASSERT_EQ(KeptFiles(1).size(), kept + 1);
        EXPECT_EQ(ReadKept(KeptFiles(1).back()).image, before);
        EXPECT_EQ(RunProgram(cli + L" undo --port 1", previous).exitCode, 0u);
        ASSERT_TRUE(ReadStoredImage(1, after));
        EXPECT_EQ(after, before);
    };

    ASSERT_EQ(Msiexec(L"/i", Msi(0)), 0u);
    expectInstalled(0, program.fixed);
    runFromShortcut();
    // The same version of the other architecture finds this one to replace.
    const std::wstring x64Code = MsiProperty(Msi(0), L"ProductCode");
    EXPECT_EQ(RelatedProducts(Msi(1), L"SAME_VERSION_DETECTED"), x64Code);
    ASSERT_EQ(Msiexec(L"/i", Msi(1)), 0u);
    expectInstalled(1, program.fixed);
    if (Runs32Bit())
        runFromShortcut();
    else
        printf("The 32-bit program is installed but not started: this machine does not run 32-bit programs "
               "(kernel_runs_32bit and wine32_installed in scripts/common.sh).\n");
    const std::wstring later = MsiProperty(LaterMsi(), L"ProductVersion");
    ASSERT_EQ(Msiexec(L"/i", LaterMsi()), 0u);
    expectInstalled(0, later);
    // A later version is not the same version: the older package only detects it, and stops.
    const std::wstring laterCode = MsiProperty(LaterMsi(), L"ProductCode");
    EXPECT_EQ(RelatedProducts(Msi(0), L"SAME_VERSION_DETECTED"), L"");
    EXPECT_EQ(RelatedProducts(Msi(0), L"WIX_DOWNGRADE_DETECTED"), laterCode);
    EXPECT_EQ(Msiexec(L"/i", Msi(0)), static_cast<DWORD>(ERROR_INSTALL_FAILURE)) << "an older package is refused";
    expectInstalled(0, later);

    ASSERT_EQ(Msiexec(L"/x", LaterMsi()), 0u);
    const Installed after = Look(upgradeCode, product);
    EXPECT_TRUE(after.entries.empty() && after.keys.empty() && after.files.empty() && after.shortcut.empty());
    EXPECT_EQ(after.eventSource, L"") << "the log's source goes with the program";
    for (const std::wstring &folder : folders)
        EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(Exists(history)) << "the history is the administrator's record: it stays";
    EXPECT_FALSE(Exists(ShellFolder(CSIDL_PROGRAMS) + L"\\KTR") || Exists(ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\KTR"));
}
