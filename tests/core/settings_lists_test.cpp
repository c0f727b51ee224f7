// Settings objects loading from and saving to a store, and the login and
// proxy choices, on an in-memory store that behaves like the registry.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "frame/core/string_ids.h"
#include "settings/core/choices.h"
#include "settings/core/host_list.h"
#include "settings/core/options_record.h"
#include "settings/core/proxy_list.h"
#include "settings/core/url_history.h"

namespace {

class MemoryStore : public SettingsStore {
public:
    struct Value {
        bool number;
        std::string text;
        uint32_t value;
    };
    using Key = std::pair<uint16_t, std::string>;

    uint16_t ReadString(uint16_t section, const char* name, const char* def, char* dest, uint16_t size) override {
        auto it = values.find({section, name});
        if (it != values.end() && !it->second.number && it->second.text.size() + 1 <= size) {
            std::memcpy(dest, it->second.text.c_str(), it->second.text.size() + 1);
            return static_cast<uint16_t>(it->second.text.size() + 1);
        }
        size_t n = std::min(std::strlen(def), size_t(size - 1));
        std::memcpy(dest, def, n);
        dest[n] = '\0';
        return static_cast<uint16_t>(n);
    }
    uint16_t WriteString(uint16_t section, const char* name, const char* text) override {
        if (!text[0]) return values.erase({section, name}) ? 1 : 0;
        values[{section, name}] = {false, text, 0};
        return 1;
    }
    uint16_t DeleteValue(uint16_t section, const char* name) override {
        return values.erase({section, name}) ? 1 : 0;
    }
    uint16_t ReadNumber(uint16_t section, const char* name, uint16_t def) override {
        auto it = values.find({section, name});
        return it != values.end() && it->second.number ? static_cast<uint16_t>(it->second.value) : def;
    }
    uint16_t WriteNumber(uint16_t section, const char* name, uint16_t value) override {
        values[{section, name}] = {true, "", value};
        return 1;
    }

    void Set(uint16_t section, const std::string& name, const std::string& text) { values[{section, name}] = {false, text, 0}; }
    void SetNumber(uint16_t section, const std::string& name, uint32_t v) { values[{section, name}] = {true, "", v}; }
    bool Has(uint16_t section, const std::string& name) const { return values.count({section, name}) != 0; }
    std::string Get(uint16_t section, const std::string& name) const {
        auto it = values.find({section, name});
        return it == values.end() ? "<missing>" : it->second.text;
    }
    // Names of a section's values, sorted.
    std::vector<std::string> Names(uint16_t section) const {
        std::vector<std::string> names;
        for (auto& v : values)
            if (v.first.first == section) names.push_back(v.first.second);
        return names;
    }

    std::map<Key, Value> values;
};

std::vector<std::string> Descriptions(const HostList& hosts) {
    std::vector<std::string> out;
    for (HostEntry* e = hosts.first; e; e = e->next) out.push_back(e->description.Text());
    return out;
}

std::vector<std::string> Names(const ProxyList& proxies) {
    std::vector<std::string> out;
    for (ProxyEntry* e = proxies.first; e; e = e->next) out.push_back(e->name.Text());
    return out;
}

std::vector<std::string> Urls(const UrlHistory& history) {
    std::vector<std::string> out;
    for (UrlEntry* e = history.first; e; e = e->next) out.push_back(e->url.Text());
    return out;
}

const uint16_t H = kStrSectionHosts;
using S = std::vector<std::string>;

// "A" and "B" as descriptions and host names, nothing else.
const char kHostA[] = "1d,1d,,,,,0,0,0,0,";
const char kHostB[] = "9d,9d,,,,,0,0,0,0,";

TEST(HostListStore, LoadReversesAndSaveRemovesOnlyStaleNumbers) {
    MemoryStore store;
    store.Set(H, "Host1", kHostA);
    store.Set(H, "Host2", kHostB);
    store.Set(H, "Host3", "1dce,,,,,,0,0,0,0,");  // "AB"
    store.Set(H, "Host5", kHostA);                 // after a gap: not part of the list
    store.Set(H, "Hostname", "keep");
    {
        HostList hosts(&store);
        hosts.Load();
        EXPECT_EQ(Descriptions(hosts), (S{"AB", "B", "A"}));
        EXPECT_EQ(hosts.Remove(hosts.FindByDescription("ab")), 1);
        EXPECT_EQ(hosts.Remove(hosts.first), 1);
        EXPECT_EQ(hosts.Remove(nullptr), 0);
        HostEntry stranger;
        EXPECT_EQ(hosts.Remove(&stranger), 0);
    }  // destroying saves
    EXPECT_EQ(store.Names(H), (S{"Host1", "Host5", "Hostname"}));
    EXPECT_EQ(store.Get(H, "Host1"), kHostA);
    EXPECT_EQ(store.Get(H, "Hostname"), "keep");

    // Two entries saved back in list order: B, A.
    MemoryStore two;
    two.Set(H, "Host1", kHostA);
    two.Set(H, "Host2", kHostB);
    HostList hosts(&two);
    hosts.Load();
    hosts.Save();
    EXPECT_EQ(two.Get(H, "Host1"), kHostB);
    EXPECT_EQ(two.Get(H, "Host2"), kHostA);
}

TEST(HostListStore, LongValuesEndTheListAndDescriptionsMergeByCase) {
    MemoryStore store;
    store.Set(H, "Host1", "281a6d46,1d,,,,,1,1,0,0,");  // "Work", host "A"
    store.Set(H, "Host2", "28126944,9d,,,,,0,0,1,0,");  // "WORK", host "B"
    store.Set(H, "Host3", kHostA + std::string(510 - std::strlen(kHostA), '0'));  // 511 bytes
    store.Set(H, "Host4", kHostB + std::string(511 - std::strlen(kHostB), '0'));  // 512 bytes
    store.Set(H, "Host5", kHostB);
    HostList hosts(nullptr);
    hosts.store = &store;
    hosts.Load();
    hosts.store = nullptr;
    ASSERT_EQ(Descriptions(hosts), (S{"A", "WORK"}));
    HostEntry* work = hosts.FindByDescription("work");
    EXPECT_STREQ(work->hostName.Text(), "B");
    EXPECT_EQ(work->hostFlags, kHostPassive);
    EXPECT_EQ(hosts.FindByHostName("b"), work);
    EXPECT_EQ(hosts.FindByHostName("c"), nullptr);
}

TEST(HostListStore, AddOrUpdateSetsFlagsOnlyFromOne) {
    HostList hosts(nullptr);
    HostEntry* e = hosts.AddOrUpdate("Site", "h", "u", "ap", "p", "/d", 1, 1, 1, 1, "px");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->hostFlags, 15);
    HostEntry* other = hosts.AddOrUpdate("Other", "h2", "", "", "", "", 0, 0, 0, 0, "");
    EXPECT_EQ(hosts.first, other);
    // Same description in another case: same entry, same place, new spelling;
    // the value 2 clears its flag like 0 does.
    EXPECT_EQ(hosts.AddOrUpdate("SITE", "h3", "u", "ap", "p", "/d", 2, 1, 0, 2, nullptr), e);
    EXPECT_EQ(Descriptions(hosts), (S{"Other", "SITE"}));
    EXPECT_EQ(e->hostFlags, kHostAnonymous);
    EXPECT_STREQ(e->hostName.Text(), "h3");
    EXPECT_STREQ(e->proxyName.Text(), "");

    // Passwords are not stored without bit 8, and come back empty.
    MemoryStore store;
    hosts.store = &store;
    hosts.Save();
    hosts.store = nullptr;
    HostList loaded(&store);
    loaded.Load();
    loaded.store = nullptr;
    HostEntry* back = loaded.FindByDescription("site");
    ASSERT_TRUE(back);
    EXPECT_STREQ(back->anonymousPassword.Text(), "");
    EXPECT_STREQ(back->password.Text(), "");
    EXPECT_STREQ(back->userName.Text(), "u");
    EXPECT_STREQ(back->initialDirectory.Text(), "/d");
}

// A host the dialog lets through (HostValueFits) comes back whole from the
// store; one it refuses would not load at all, nor would the hosts after it.
TEST(HostListStore, WhatFitsComesBackWhole) {
    const std::string pw64(64, 'p'), pw65(65, 'p');
    const std::string d100(100, 'd'), d101(101, 'd'), d511(511, 'd'), dir49(49, '/');
    const uint16_t kept = kHostStorePasswords, named = 0;
    struct Row {
        const char* label;
        std::string description, password, directory;
        uint16_t flags;
        bool fits;
    } rows[] = {
        {"64-character password", "Site", pw64, "/pub", kept, true},
        // Ten commas, four flags and 2 x 248 hex digits: 510 characters.
        {"longest value that loads", d100, pw64, dir49, kept, true},
        {"two characters more", d101, pw64, dir49, kept, false},
        {"the same, passwords not stored", d101, pw64, dir49, named, true},
        {"65-character password", "Site", pw65, "/pub", kept, false},
        {"not stored, still too long to keep", "Site", pw65, "/pub", named, false},
        {"longest description alone", d511, "", "", named, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        // Host name 20, user 10 and anonymous password 5 characters; the
        // rows give the rest.
        const HostTexts texts = {r.description.c_str(), "ftp.example.org.test", "user.name.",
                                 "visit", r.password.c_str(), r.directory.c_str(), "", r.flags};
        EXPECT_EQ(HostValueFits(texts), r.fits ? 1 : 0);
        if (r.password.size() > kPasswordLimit) continue;  // never reaches a list

        MemoryStore store;
        {
            HostList hosts(&store);
            hosts.AddOrUpdate("After", "h", "", "", "", "", 0, 0, 0, 0, "");
            hosts.AddOrUpdate(texts.description, texts.hostName, texts.userName, texts.anonymousPassword,
                              texts.password, texts.initialDirectory, r.flags == kept ? 1 : 0, 0, 0, 0, "");
        }
        HostList loaded(&store);
        loaded.Load();
        loaded.store = nullptr;
        if (!r.fits) {
            EXPECT_EQ(Descriptions(loaded), S{}) << "a value too long ends the list at once";
            continue;
        }
        EXPECT_EQ(Descriptions(loaded), (S{"After", r.description}));
        const HostEntry* e = loaded.FindByDescription(r.description.c_str());
        ASSERT_TRUE(e);
        EXPECT_EQ(std::string(e->password.Text()), r.flags == kept ? r.password : "");
        EXPECT_EQ(std::string(e->initialDirectory.Text()), r.directory);
    }
}

TEST(ProxyListStore, AddressesAsTyped) {
    struct Row {
        const char* typed;
        const char* name;
        bool hasPort;
        uint32_t port;
        bool reshaped;
    } rows[] = {
        {"proxy-b", "proxy-b", false, 0, false},
        {"proxy-b:8080", "proxy-b", true, 8080, true},
        {"http://Proxy-B:3128/", "Proxy-B", true, 3128, true},
        {"FTP://gate.example", "gate.example", false, 0, true},
        {"  cache.example:80  ", "cache.example", true, 80, true},
        {"10.0.0.1:70000", "10.0.0.1", true, 70000, true},  // the port field's own rule cuts it
        {"host:123456", "host:123456", false, 0, false},    // six digits: no port
        {"host:", "host:", false, 0, false},
        {":8080", ":8080", false, 0, false},                 // a port without a name
        {"a:1", "a", true, 1, true},
        {"https://x:443", "https://x", true, 443, true},    // not a proxy's scheme
        {"http://", "", false, 0, true},
        {"", "", false, 0, false},
    };
    for (const Row& r : rows) {
        const TypedProxy t = ReadTypedProxy(r.typed);
        EXPECT_EQ(std::string(t.name, t.nameLength), r.name) << r.typed;
        EXPECT_EQ(t.hasPort, r.hasPort) << r.typed;
        if (r.hasPort) {
            EXPECT_EQ(t.port, r.port) << r.typed;
        }
        EXPECT_EQ(t.reshaped, r.reshaped) << r.typed;
    }
    EXPECT_EQ(ReadTypedProxy(nullptr).nameLength, 0u);
}

TEST(OptionsStore, DefaultsServerTypeAndHosts) {
    MemoryStore store;
    {
        OptionsRecord options(&store);
        options.Load();
        EXPECT_EQ(options.flags, 88);
        EXPECT_STREQ(options.openHost.Text(), "");
        options.store = nullptr;
    }
    const uint16_t O = kStrSectionOptions;
    store.SetNumber(O, "Server Type", 2);
    store.SetNumber(O, "Auto Save", 70000);     // low 16 bits 4464: set
    store.SetNumber(O, "List by Description", 0);
    store.SetNumber(O, "Save HTML Graphics", 65536);  // low 16 bits 0: clear
    store.Set(O, "Open Host", "Work");
    store.Set(O, "Save Host", "Home");
    {
        OptionsRecord options(&store);
        options.Load();
        EXPECT_EQ(options.flags, kOptionAutoSave | kOptionWebServer);
        EXPECT_STREQ(options.openHost.Text(), "Work");
        EXPECT_STREQ(options.saveHost.Text(), "Home");
        options.openHost.Clear();
    }
    EXPECT_FALSE(store.Has(O, "Open Host"));
    EXPECT_EQ(store.Get(O, "Save Host"), "Home");
    struct {
        const char* name;
        uint32_t value;
    } saved[] = {{"Auto Open", 0}, {"Auto Save", 1}, {"Record Open", 0}, {"List by Description", 0},
                 {"Server Type", 1}, {"Save HTML Graphics", 0}};
    for (auto& row : saved) {
        ASSERT_TRUE(store.Has(O, row.name)) << row.name;
        EXPECT_EQ(store.values[MemoryStore::Key(O, row.name)].value, row.value) << row.name;
    }
}

TEST(ProxyListStore, OrderPortsAndDefault) {
    const uint16_t P = kStrSectionWwwProxies;
    MemoryStore store;
    store.Set(P, "Proxy1", "1d,8080");
    store.Set(P, "Proxy2", "9d,70000");
    store.Set(P, "Proxy3", "2dd68b");       // no comma: port 0
    store.Set(P, "Default Proxy", "1d");
    store.Set(kStrSectionFtpProxies, "Proxy1", "9d,21");
    {
        ProxyList www(kWwwProxies, &store);
        www.Load();
        EXPECT_EQ(Names(www), (S{"abc", "B", "A"}));
        EXPECT_EQ(www.FindByName("b")->port, 4464);
        EXPECT_EQ(www.FindByName("ABC")->port, 0);
        EXPECT_STREQ(www.defaultProxy.Text(), "A");
        EXPECT_EQ(www.FindDefault(), www.FindByName("a"));
        // Removing the default's entry leaves the name.
        EXPECT_EQ(www.Remove(www.FindByName("a")), 1);
        EXPECT_STREQ(www.defaultProxy.Text(), "A");
        EXPECT_EQ(www.FindDefault(), nullptr);
        ProxyEntry* updated = www.AddOrUpdate("ABC", 3128);
        EXPECT_EQ(updated, www.first);
        EXPECT_STREQ(www.first->name.Text(), "ABC");
    }
    EXPECT_EQ(store.Get(P, "Proxy1"), "1dce87,3128");  // "ABC"
    EXPECT_EQ(store.Get(P, "Proxy2"), "9d,4464");
    EXPECT_FALSE(store.Has(P, "Proxy3"));
    EXPECT_EQ(store.Get(P, "Default Proxy"), "1d");
    EXPECT_EQ(store.Get(kStrSectionFtpProxies, "Proxy1"), "9d,21");  // other section untouched

    ProxyList ftp(kFtpProxies, &store);
    ftp.Load();
    EXPECT_EQ(Names(ftp), (S{"B"}));
    EXPECT_STREQ(ftp.defaultProxy.Text(), "");
    store.Set(kStrSectionFtpProxies, "Default Proxy", "9d");
    ftp.Save();  // an empty default removes the value
    EXPECT_FALSE(store.Has(kStrSectionFtpProxies, "Default Proxy"));
}

TEST(UrlHistoryStore, RecordMovesToHeadAndSaveKeepsFifty) {
    UrlHistory history(nullptr);
    for (const char* u : {"c", "b", "a"}) history.Record(u, nullptr);
    history.AddAtEnd("d", "px");
    ASSERT_EQ(Urls(history), (S{"a", "b", "c", "d"}));
    // Third moves to the head; the rest keep their order.
    EXPECT_EQ(history.Record("C", "proxy"), history.first);
    EXPECT_EQ(Urls(history), (S{"c", "a", "b", "d"}));
    EXPECT_STREQ(history.first->proxy.Text(), "proxy");
    history.Record("A", nullptr);
    EXPECT_EQ(Urls(history), (S{"a", "c", "b", "d"}));
    EXPECT_STREQ(history.first->proxy.Text(), "");
    UrlEntry* before = nullptr;
    EXPECT_EQ(history.Find("B", &before), history.first->next->next);
    EXPECT_EQ(before, history.first->next);
    // AddAtEnd on a known address replaces both texts in place.
    history.AddAtEnd("D", "q");
    EXPECT_EQ(Urls(history), (S{"a", "c", "b", "D"}));

    const uint16_t U = kStrSectionUrls;
    MemoryStore store;
    TextBuffer value(64);
    for (int i = 1; i <= 60; ++i) {
        std::string url = "u" + std::to_string(i);
        BuildUrlValue(url.c_str(), i == 2 ? "A" : "", value);
        store.Set(U, "URL" + std::to_string(i), value.Text());
    }
    store.Set(U, "URL2", "37ca");  // "u2" without a comma: no proxy
    UrlHistory loaded(&store);
    loaded.Load();
    ASSERT_EQ(Urls(loaded).size(), 60u);
    EXPECT_STREQ(loaded.first->url.Text(), "u1");
    EXPECT_STREQ(loaded.first->next->proxy.Text(), "");
    loaded.Record("U60", "A");
    loaded.Save();
    loaded.store = nullptr;
    std::vector<std::string> names = store.Names(U);
    EXPECT_EQ(names.size(), 50u);
    EXPECT_FALSE(store.Has(U, "URL51"));
    EXPECT_FALSE(store.Has(U, "URL60"));
    BuildUrlValue("u60", "A", value);
    EXPECT_EQ(store.Get(U, "URL1"), value.Text());
    BuildUrlValue("u49", "", value);
    EXPECT_EQ(store.Get(U, "URL50"), value.Text());
}

TEST(SettingsChoices, LoginAndFtpRoute) {
    HostList hosts(nullptr);
    HostEntry* named = hosts.AddOrUpdate("N", "ftp.n", "joe", "guest@", "secret", "", 1, 0, 0, 1, "Gate");
    HostEntry* anon = hosts.AddOrUpdate("A", "ftp.a", "joe", "guest@", "secret", "", 1, 1, 0, 0, "Gate");
    struct {
        const HostEntry* entry;
        const char* user;
        const char* password;
    } logins[] = {{nullptr, "anonymous", "visit"}, {named, "joe", "secret"}, {anon, "anonymous", "guest@"}};
    for (auto& row : logins) {
        HostLogin login = ChooseLogin(row.entry, "anonymous", "visit");
        EXPECT_STREQ(login.user, row.user);
        EXPECT_STREQ(login.password, row.password);
    }

    ProxyList proxies(kFtpProxies, nullptr);
    proxies.AddOrUpdate("gate.local", 2121);
    proxies.AddOrUpdate("GATE", 2100);
    TextBuffer user(64);
    struct {
        uint16_t flags;
        const char* proxyName;
        const char* address;
        uint16_t port;
        const char* user;
    } routes[] = {
        {kHostUseProxy, "gate", "GATE", 2100, "joe@ftp.n"},
        {0, "gate", "ftp.n", 21, "joe"},               // bit 2 clear: direct
        {kHostUseProxy, "missing", "ftp.n", 21, "joe"},  // unknown proxy: direct
    };
    for (auto& row : routes) {
        FtpRoute route = ChooseFtpRoute("ftp.n", row.flags, row.proxyName, &proxies, "joe", user);
        EXPECT_STREQ(route.address, row.address) << row.proxyName;
        EXPECT_EQ(route.port, row.port);
        EXPECT_STREQ(user.Text(), row.user);
        EXPECT_EQ(route.proxy != nullptr, row.port != 21);
    }
}

TEST(SettingsChoices, WebProxyFromHistoryAndDefault) {
    UrlHistory history(nullptr);
    history.Record("http://direct/", nullptr);
    history.Record("http://via/", "cache");
    history.Record("http://gone/", "removed");
    ProxyList www(kWwwProxies, nullptr);
    www.AddOrUpdate("cache", 3128);
    www.AddOrUpdate("main", 8080);
    struct {
        const char* url;
        const char* defaultProxy;
        const char* address;  // null: direct
        uint16_t port;
        uint16_t remember;
    } table[] = {
        {"http://direct/", "main", nullptr, 80, 0},
        {"HTTP://VIA/", "main", "cache", 3128, 1},
        {"http://gone/", "main", "main", 8080, 0},
        {"http://new/", "", nullptr, 80, 0},
        {"http://new/", "elsewhere", "elsewhere", 80, 0},
    };
    for (auto& row : table) {
        www.defaultProxy.Assign(row.defaultProxy);
        WebRoute route = ChooseWebProxy(&history, www, row.url);
        if (row.address) EXPECT_STREQ(route.proxyAddress, row.address) << row.url;
        else EXPECT_EQ(route.proxyAddress, nullptr) << row.url;
        EXPECT_EQ(route.port, row.port) << row.url;
        EXPECT_EQ(route.rememberAsDefault, row.remember) << row.url;
    }
}

}  // namespace
