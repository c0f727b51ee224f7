// Settings on the real per-user registry of the Wine prefix: the store
// operations, the settings objects, and attach/detach through the real DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "frame/module.h"
#include "frame/core/string_ids.h"
#include "settings/settings.h"
#include "test_support.h"

namespace {

const char kMarlin[] = "Software\\Marlin";
const char kRoot[] = "Software\\Marlin\\Components\\Internet\\1.0\\";

std::string Path(const char* section) { return std::string(kRoot) + section; }

void SetString(const char* section, const std::string& name, const std::string& text, DWORD bytes) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Path(section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    RegCloseKey(key);
}

void SetNumber(const char* section, const std::string& name, DWORD value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Path(section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// A value as stored: "s:<text>" with its terminator checked, "d:<number>",
// or "<missing>".
std::string Stored(const char* section, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    DWORD type = 0;
    DWORD size = 0;
    std::string out = "<missing>";
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<BYTE> bytes(size + 1);
        RegQueryValueExA(key, name.c_str(), nullptr, &type, bytes.data(), &size);
        if (type == REG_DWORD && size == 4) {
            DWORD v;
            std::memcpy(&v, bytes.data(), 4);
            out = "d:" + std::to_string(v);
        } else if (type == REG_SZ && size > 0 && bytes[size - 1] == 0) {
            out = "s:" + std::string(reinterpret_cast<char*>(bytes.data()));
        } else {
            out = "<bad type " + std::to_string(type) + ">";
        }
    }
    RegCloseKey(key);
    return out;
}

// Every value under the root: "section/name" -> Stored().
std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> all;
    HKEY root;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRoot, 0, KEY_READ, &root) != ERROR_SUCCESS) return all;
    char section[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof section;
        if (RegEnumKeyExA(root, i, section, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY key;
        if (RegOpenKeyExA(root, section, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        char name[256];
        for (DWORD j = 0;; ++j) {
            DWORD nameSize = sizeof name;
            if (RegEnumValueA(key, j, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            all[std::string(section) + "/" + name] = Stored(section, name);
        }
        RegCloseKey(key);
    }
    RegCloseKey(root);
    return all;
}

// Writes the values of a REGEDIT4 file (string and dword values, keys under
// HKEY_CURRENT_USER) into the registry.
void ImportRegFile(const char* file) {
    std::string path = std::string("Z:") + ORB_SOURCE_DIR + "/tests/fixtures/settings/" + file;
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(f) << path;
    std::string all;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) all.append(chunk, n);
    std::fclose(f);
    const std::string hkcu = "[HKEY_CURRENT_USER\\";
    HKEY key = nullptr;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, hkcu.size(), hkcu) == 0) {
            if (key) RegCloseKey(key);
            std::string sub = line.substr(hkcu.size(), line.size() - hkcu.size() - 1);
            ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, &key, nullptr), ERROR_SUCCESS);
        } else if (key && !line.empty() && line[0] == '"') {
            size_t close = line.find("\"=");
            ASSERT_NE(close, std::string::npos) << line;
            std::string name = line.substr(1, close - 1);
            std::string data = line.substr(close + 2);
            if (data.compare(0, 6, "dword:") == 0) {
                DWORD v = std::strtoul(data.c_str() + 6, nullptr, 16);
                RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
            } else {
                ASSERT_TRUE(data.size() >= 2 && data.front() == '"' && data.back() == '"') << line;
                std::string text = data.substr(1, data.size() - 2);
                RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1));
            }
        }
    }
    if (key) RegCloseKey(key);
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegistryTree(HKEY_CURRENT_USER, kMarlin);
        library = LoadLibraryExA("OrbNetN01.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(library);
        ModuleInstance = library;
    }
    void TearDown() override {
        ModuleInstance = nullptr;
        FreeLibrary(library);
        DeleteRegistryTree(HKEY_CURRENT_USER, kMarlin);
    }
    HMODULE library = nullptr;
};

TEST_F(Settings, StoreOperationsOnTheRegistry) {
    char text[16];
    // Missing section and value: the default, cut to fit.
    EXPECT_EQ(ReadSettingString("Options", "Open Host", "", text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(ReadSettingString(kStrSectionOptions, "Open Host", "default", text, sizeof text), 7);
    EXPECT_STREQ(text, "default");
    EXPECT_EQ(ReadSettingString("Options", "x", "0123456789abcdefXYZ", text, sizeof text), 15);
    EXPECT_STREQ(text, "0123456789abcde");
    // Deleting in a missing section succeeds; nothing is created.
    EXPECT_EQ(WriteSettingString("Options", "Open Host", ""), 1);
    EXPECT_EQ(Stored("Options", "Open Host"), "<missing>");

    // Strings are stored with their terminator; a read counts it.
    EXPECT_EQ(WriteSettingString(kStrSectionOptions, "Open Host", "Work"), 1);
    EXPECT_EQ(Stored("Options", "Open Host"), "s:Work");
    EXPECT_EQ(ReadSettingString("Options", "Open Host", "d", text, sizeof text), 5);
    EXPECT_STREQ(text, "Work");
    SetString("Options", "Empty", "", 1);
    EXPECT_EQ(ReadSettingString("Options", "Empty", "d", text, sizeof text), 1);
    EXPECT_STREQ(text, "");
    // Too long for the destination (16 bytes with terminator): the default.
    SetString("Options", "Long", "0123456789abcde", 16);
    SetString("Options", "Longer", "0123456789abcdef", 17);
    EXPECT_EQ(ReadSettingString("Options", "Long", "d", text, sizeof text), 16);
    EXPECT_EQ(ReadSettingString("Options", "Longer", "d", text, sizeof text), 1);
    EXPECT_STREQ(text, "d");
    // A value stored without a terminator still reads as terminated text
    // (whether the count includes one the system added is the system's).
    SetString("Options", "Bare", "abc", 3);
    uint16_t bare = ReadSettingString("Options", "Bare", "d", text, sizeof text);
    EXPECT_TRUE(bare == 3 || bare == 4) << bare;
    EXPECT_STREQ(text, "abc");

    // An empty text deletes; deleting a missing value fails.
    EXPECT_EQ(WriteSettingString("Options", "Open Host", ""), 1);
    EXPECT_EQ(Stored("Options", "Open Host"), "<missing>");
    EXPECT_EQ(WriteSettingString("Options", "Open Host", ""), 0);

    // Numbers: 32-bit values holding 16 bits; reads keep the low 16 bits.
    EXPECT_EQ(WriteSettingNumber(kStrSectionOptions, "Auto Open", 65535), 1);
    EXPECT_EQ(Stored("Options", "Auto Open"), "d:65535");
    SetNumber("Options", "Big", 70000);
    EXPECT_EQ(ReadSettingNumber("Options", "Big", 9), 4464);
    EXPECT_EQ(ReadSettingNumber(kStrSectionOptions, "Missing", 9), 9);
    EXPECT_EQ(ReadSettingNumber("Options", "Longer", 9), 9);  // more than 4 bytes
    EXPECT_EQ(ReadSettingNumber("No Such Section", "Big", 9), 9);
}

TEST_F(Settings, FixtureLoadsIntoTheObjects) {
    ImportRegFile("store.reg");
    RegistryStore registry;

    HostList hosts(&registry);
    hosts.Load();
    hosts.store = nullptr;
    ASSERT_TRUE(hosts.first && hosts.first->next);
    EXPECT_EQ(hosts.first->next->next, nullptr);  // the over-long Host4 ended the list
    HostEntry* b = hosts.first;
    HostEntry* work = hosts.first->next;
    EXPECT_STREQ(b->description.Text(), "B");
    // "WORK" (Host3) updated the entry of "Work" (Host1) in place.
    EXPECT_STREQ(work->description.Text(), "WORK");
    EXPECT_STREQ(work->hostName.Text(), "B");
    EXPECT_STREQ(work->userName.Text(), "x@y");
    EXPECT_STREQ(work->anonymousPassword.Text(), "abc");
    EXPECT_STREQ(work->password.Text(), "abc");
    EXPECT_STREQ(work->initialDirectory.Text(), "/pub/dir");
    EXPECT_STREQ(work->proxyName.Text(), "");
    EXPECT_EQ(work->hostFlags, kHostPassive);

    ProxyList ftp(kFtpProxies, &registry);
    ProxyList www(kWwwProxies, &registry);
    ftp.Load();
    www.Load();
    ftp.store = www.store = nullptr;
    ASSERT_TRUE(ftp.first && ftp.first->next && www.first && www.first->next);
    EXPECT_STREQ(ftp.first->name.Text(), "B");
    EXPECT_EQ(ftp.first->port, 4464);
    EXPECT_STREQ(ftp.first->next->name.Text(), "gate");
    EXPECT_EQ(ftp.first->next->port, 2121);
    EXPECT_STREQ(ftp.defaultProxy.Text(), "gate");
    EXPECT_STREQ(www.first->name.Text(), "abc");
    EXPECT_EQ(www.first->port, 0);
    EXPECT_STREQ(www.defaultProxy.Text(), "");

    UrlHistory urls(&registry);
    urls.Load();
    urls.store = nullptr;
    int count = 0;
    for (UrlEntry* e = urls.first; e; e = e->next) {
        ++count;
        EXPECT_EQ(e->url.Text(), "http://u" + std::to_string(count) + "/");
        EXPECT_STREQ(e->proxy.Text(), count % 2 ? "A" : "");
    }
    EXPECT_EQ(count, 60);

    OptionsRecord options(&registry);
    options.Load();
    options.store = nullptr;
    EXPECT_EQ(options.flags, kOptionAutoOpen | kOptionListByDescription | kOptionWebServer |
                                 kOptionSaveHtmlGraphics);
    EXPECT_STREQ(options.openHost.Text(), "Work");
    EXPECT_STREQ(options.saveHost.Text(), "");
}

TEST_F(Settings, AttachAndDetachWriteTheListsBack) {
    ImportRegFile("store.reg");
    std::map<std::string, std::string> before = Snapshot();
    HMODULE dll = LoadLibraryA("OrbNetN01.dll");
    ASSERT_TRUE(dll);
    FreeLibrary(dll);

    struct {
        const char* section;
        const char* name;
        std::string stored;
    } table[] = {
        // Hosts in list order; Host3 to Host5 were stale; Host7 lies after a gap.
        {"FTP Hosts", "Host1", "s:9d,9d,,,,,0,0,0,0,"},
        {"FTP Hosts", "Host2", "s:28126944,9d,b84e4e,,,145acdb54175c46b,0,0,1,0,"},
        {"FTP Hosts", "Host3", "<missing>"},
        {"FTP Hosts", "Host4", "<missing>"},
        {"FTP Hosts", "Host5", "<missing>"},
        {"FTP Hosts", "Host7", "s:1d,1d,,,,,0,0,0,0,"},
        {"FTP Hosts", "Hostname", "s:keep"},
        {"FTP Proxies", "Proxy1", "s:9d,4464"},
        {"FTP Proxies", "Proxy2", "s:3096ade5,2121"},
        {"FTP Proxies", "Default Proxy", "s:3096ade5"},
        {"WWW Proxies", "Proxy1", "s:2dd68b,0"},
        {"WWW Proxies", "Proxy2", "s:1d,8080"},
        {"WWW Proxies", "Default Proxy", "<missing>"},
        {"URLs", "URL50", before["URLs/URL50"]},
        {"URLs", "URL51", "<missing>"},
        {"URLs", "URL60", "<missing>"},
        {"Options", "Open Host", "s:Work"},
        {"Options", "Save Host", "<missing>"},
        {"Options", "Auto Open", "d:1"},
        {"Options", "Auto Save", "d:0"},
        {"Options", "Record Open", "d:0"},
        {"Options", "List by Description", "d:1"},
        {"Options", "Server Type", "d:1"},
        {"Options", "Save HTML Graphics", "d:1"},
    };
    for (auto& row : table) EXPECT_EQ(Stored(row.section, row.name), row.stored) << row.section << "/" << row.name;
    std::map<std::string, std::string> after = Snapshot();
    for (int i = 1; i <= 50; ++i) {
        std::string name = "URLs/URL" + std::to_string(i);
        EXPECT_EQ(after[name], before[name]) << name;
    }

    // Lists come back reversed by every cycle; two more cycles give the same store.
    for (int cycle = 0; cycle < 2; ++cycle) {
        dll = LoadLibraryA("OrbNetN01.dll");
        ASSERT_TRUE(dll);
        FreeLibrary(dll);
    }
    EXPECT_EQ(Snapshot(), after);
}

TEST_F(Settings, EmptySectionsAndChangedObjects) {
    RegistryStore registry;
    {
        OptionsRecord options(&registry);
        options.Load();
        EXPECT_EQ(options.flags, 88);
        options.openHost.Assign("Work");
    }
    EXPECT_EQ(Stored("Options", "Open Host"), "s:Work");
    EXPECT_EQ(Stored("Options", "Server Type"), "d:0");
    {
        OptionsRecord options(&registry);
        options.Load();
        EXPECT_STREQ(options.openHost.Text(), "Work");
        options.openHost.Clear();
    }
    EXPECT_EQ(Stored("Options", "Open Host"), "<missing>");

    {
        HostList hosts(&registry);
        hosts.Load();
        EXPECT_EQ(hosts.first, nullptr);
        hosts.AddOrUpdate("abc", "ftp.example.com", "x@y", "abc", "pass word!", "/pub/dir", 0, 1, 0, 1, "gate");
    }
    EXPECT_EQ(Stored("FTP Hosts", "Host1"),
              "s:2dd68b,af5b2d72f2c5b466b459cb72e2a1cc,b84e4e,,,145acdb54175c46b,0,1,0,1,3096ade5");
    {
        ProxyList www(kWwwProxies, &registry);
        www.Load();
        www.AddOrUpdate("gate", 80);
        www.defaultProxy.Assign("gate");
        UrlHistory urls(&registry);
        urls.Record("abc", "A");
    }
    EXPECT_EQ(Stored("WWW Proxies", "Proxy1"), "s:3096ade5,80");
    EXPECT_EQ(Stored("WWW Proxies", "Default Proxy"), "s:3096ade5");
    EXPECT_EQ(Stored("URLs", "URL1"), "s:2dd68b,1d");

    TextBuffer user(64), password(64);
    ChooseHostLogin(nullptr, user, password);
    EXPECT_STREQ(user.Text(), "anonymous");
    EXPECT_STREQ(password.Text(), "visit");
}

}  // namespace
