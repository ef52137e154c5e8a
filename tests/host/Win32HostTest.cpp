// The Windows host against the real system (Wine in CI): the registry in the 32-bit
// view, known folders, programs started and their exit codes, files replaced whole and
// opened by UTF-8 names, connections refused.
#include "host/win32/Win32Host.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/ScriptedHost.h"

#include "host/AtomicFile.h"
#include "host/FileIo.h"
#include "host/ProcessRunner.h"
#include "host/TcpSocket.h"
#include "host/win32/Wide.h"
#include "util/Paths.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// A key written in one registry view, removed again at the end.
class ScopedKey {
public:
    ScopedKey(const wchar_t* path, REGSAM view) : FPath(path), FView(view) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE | view, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const std::wstring text = L"C:\\Programme\\Größe";
        RegSetValueExW(key, L"Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        DWORD number = 5;
        RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        RegSetValueExW(key, L"EmptyNumber", 0, REG_DWORD, nullptr, 0);
        RegCloseKey(key);
    }
    ~ScopedKey() { RegDeleteKeyExW(HKEY_LOCAL_MACHINE, FPath, FView, 0); }

private:
    const wchar_t* FPath;
    REGSAM FView;
};

class Win32HostTest : public testing::Test {
protected:
    Win32HostTest() : FHost(FDialogs) {
        FDir = fs::temp_directory_path() / ("tv-win32-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(FDir);
    }
    ~Win32HostTest() override {
        std::error_code ec;
        fs::remove_all(FDir, ec);
    }
    std::string Dir() const { return Utf8Of(FDir); }

    NoDialogs FDialogs;
    Win32Host FHost;
    fs::path FDir;
};

TEST_F(Win32HostTest, RegistryIsReadInThe32BitView) {
    ScopedKey only32(L"SOFTWARE\\TvSetupTest\\View32", KEY_WOW64_32KEY);
    ScopedKey only64(L"SOFTWARE\\TvSetupTest\\View64", KEY_WOW64_64KEY);
    auto registry = FHost.OpenRegistry();
    EXPECT_TRUE(registry->KeyExists("SOFTWARE\\TvSetupTest\\View32"));
    EXPECT_TRUE(registry->KeyExists("\\SOFTWARE\\TvSetupTest\\View32")); // a leading delimiter is allowed
    EXPECT_EQ(registry->KeyExists("SOFTWARE\\TvSetupTest\\View64"), !FHost.Is64Bits());
    ASSERT_TRUE(registry->OpenKeyReadOnly("SOFTWARE\\TvSetupTest\\View32"));
    EXPECT_EQ(registry->ReadString("Folder"), "C:\\Programme\\Größe");
    EXPECT_EQ(registry->ReadString("Missing"), "");
    EXPECT_THROW(registry->ReadString("Number"), ERegistryException);
    EXPECT_EQ(registry->ReadString("EmptyNumber"), ""); // no data reads empty, whatever its type
    EXPECT_FALSE(registry->OpenKeyReadOnly("SOFTWARE\\TvSetupTest\\Nowhere"));
    EXPECT_EQ(registry->ReadString("Folder"), ""); // no key open any more
}

// A value written is read back in the same view, its key made where it was missing.
TEST_F(Win32HostTest, AWrittenRegistryValueIsReadBackInThe32BitView) {
    ScopedKey made(L"SOFTWARE\\TvSetupTest\\Written", KEY_WOW64_32KEY); // removed at the end
    FHost.WriteRegistryString("SOFTWARE\\TvSetupTest\\Written\\Below", "ManifestSerial", "5");
    FHost.WriteRegistryString("SOFTWARE\\TvSetupTest\\Written\\Below", "ManifestSerial", "Größe 7");
    auto registry = FHost.OpenRegistry();
    ASSERT_TRUE(registry->OpenKeyReadOnly("SOFTWARE\\TvSetupTest\\Written\\Below"));
    EXPECT_EQ(registry->ReadString("ManifestSerial"), "Größe 7");
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TvSetupTest\\Written\\Below", KEY_WOW64_32KEY, 0);
}

TEST_F(Win32HostTest, KnownFolders) {
    // The programs folder is what a 32-bit program reads (a 64-bit-only Wine has none there).
    wchar_t expected[MAX_PATH] = {};
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_READ | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof expected - sizeof(wchar_t);
        RegQueryValueExW(key, L"ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(expected), &size);
        RegCloseKey(key);
    }
    EXPECT_EQ(FHost.ProgramFilesFolder(), ExcludeTrailingPathDelimiter(Narrow(expected)));
    const std::string program = FHost.ProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.back(), '\\');
    EXPECT_TRUE(fs::is_directory(FilePath(program)));
    const std::string temp = FHost.TempFolder();
    EXPECT_TRUE(fs::is_directory(FilePath(temp))) << temp;
    EXPECT_NE(temp.back(), '\\');
}

TEST_F(Win32HostTest, TempFolderFollowsTmpAndTemp) {
    const std::string folder = Dir() + "\\Temporärer Ordner"; // no 8.3 name: the system makes a short one
    fs::create_directories(FilePath(folder));
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(Wide(folder).c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_NE(Narrow(shortPath), folder);
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    std::string cwd = Narrow(current);
    if (cwd.back() == '\\') cwd.pop_back();
    const struct {
        const char* Name;
        const wchar_t* Tmp; // null: not set
        std::wstring Temp;
        std::string Expected;
    } cases[] = {
        {"TMP alone is not enough", L"C:\\windows\\temp", L"", cwd},
        {"neither set", nullptr, L"", cwd},
        {"TEMP wins, its short form made long", L"x", std::wstring(shortPath) + L"\\", folder},
        {"a drive root loses its delimiter too", L"x", L"C:\\", "C:"},
    };
    // The test program's own temporary folder comes back at the end.
    wchar_t tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
    const bool hadTmp = GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH) > 0;
    const bool hadTemp = GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH) > 0;
    for (const auto& c : cases) {
        SetEnvironmentVariableW(L"TMP", c.Tmp);
        SetEnvironmentVariableW(L"TEMP", c.Temp.empty() ? nullptr : c.Temp.c_str());
        EXPECT_EQ(FHost.TempFolder(), c.Expected) << c.Name;
    }
    SetEnvironmentVariableW(L"TMP", hadTmp ? tmp : nullptr);
    SetEnvironmentVariableW(L"TEMP", hadTemp ? temp : nullptr);
}

TEST_F(Win32HostTest, ProgramsReportTheirExitCodesAndUnstartableOnesTheSystemsReason) {
    std::unique_ptr<ChildProcess> child = StartProcess("cmd.exe /c exit 7");
    child->AwaitReadyForInput();
    std::uint32_t code = 0;
    std::string failure;
    ASSERT_EQ(child->Wait(code, failure), ChildProcess::WaitOutcome::Ended) << failure;
    EXPECT_EQ(code, 7u);
    try {
        StartProcess("\"" + Dir() + "\\nowhere.exe\" /SILENT");
        FAIL() << "started";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Code(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(std::string(error.what()).rfind("Systemfehler.  Code: 2.\r\n", 0), 0u) << error.what();
    }
}

TEST_F(Win32HostTest, FilesAreReplacedWholeAndNeverWhileAnotherProgramHoldsThem) {
    const std::string path = Dir() + "\\Größe.db";
    ReplaceFileContent(path, "old");
    std::FILE* file = OpenFile(path, "rb");
    ASSERT_NE(file, nullptr);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, file), 3u);
    std::fclose(file);
    EXPECT_EQ(std::string(text), "old");

    // Held open without sharing, as a database server holds its files.
    HANDLE held = CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ReplacingFile replacing(path);
    ASSERT_EQ(replacing.Open(), 0);
    ASSERT_EQ(replacing.Write("new", 3), 0);
    EXPECT_NE(replacing.Commit(), 0);
    CloseHandle(held);
    EXPECT_EQ(fs::file_size(FilePath(path)), 3u);
    std::ifstream in(FilePath(path));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
}

TEST_F(Win32HostTest, AnExistingFileIsNamedAsTheFileSystemHoldsIt) {
    const std::string name = "Geschützte Datenbank.db"; // no 8.3 name: the system makes a short one
    const std::string path = Dir() + "\\" + name;
    std::ofstream(FilePath(path)) << "live";
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(Wide(path).c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_NE(ExtractFileName(Narrow(shortPath)), name);
    for (const std::string& spelling :
         {Narrow(shortPath), Dir() + "\\GESCHÜTZTE DATENBANK.DB", path + ".", path + " ", path + ".. ."}) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(ExistingFileName(spelling), name);
    }
    EXPECT_EQ(ExistingFileName(Dir() + "\\missing.db"), "missing.db");
}

TEST_F(Win32HostTest, RefusedConnectionNamesHostAndPort) {
    try {
        TcpSocket::Connect("127.0.0.1", 9, 5000, nullptr); // the discard port: nobody listens
        FAIL() << "connected";
    } catch (const Failure& failure) {
        EXPECT_EQ(std::string(failure.what()).rfind("Verbindung zu 127.0.0.1:9 fehlgeschlagen: ", 0), 0u)
            << failure.what();
    }
}

} // namespace
} // namespace tv
