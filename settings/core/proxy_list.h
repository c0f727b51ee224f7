#ifndef ORBNET_SETTINGS_PROXY_LIST_H
#define ORBNET_SETTINGS_PROXY_LIST_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "settings/core/settings_store.h"

enum ProxyKind : uint16_t { kFtpProxies = 1, kWwwProxies = 2 };

class ProxyEntry {
public:
    ProxyEntry() : next(nullptr), port(0) {}
    virtual ~ProxyEntry() {}
    ProxyEntry(const ProxyEntry&) = delete;
    ProxyEntry& operator=(const ProxyEntry&) = delete;

    ProxyEntry* next;
    TextBuffer name;  // host name or address, unique without regard to case
    uint16_t port;
};

// FTP (kind 1, section "FTP Proxies") or World Wide Web (kind 2, "WWW
// Proxies") proxies, values Proxy1, Proxy2, ... and "Default Proxy". The list
// owns its entries. store (not owned, may be null) is where Load and Save go;
// the destructor saves, then frees the entries.
class ProxyList {
public:
    ProxyList(uint16_t kind, SettingsStore* store);
    virtual ~ProxyList();
    ProxyList(const ProxyList&) = delete;
    ProxyList& operator=(const ProxyList&) = delete;

    ProxyEntry* FindByName(const char* name) const;
    // The entry defaultProxy names, or null.
    ProxyEntry* FindDefault() const { return defaultProxy.Empty() ? nullptr : FindByName(defaultProxy.Text()); }
    // Updates the entry of that name (new spelling and port) or puts a new one
    // at the head. Null when no memory.
    ProxyEntry* AddOrUpdate(const char* name, uint16_t port);
    // 1 when the entry was in the list and has been unlinked and freed;
    // defaultProxy is left as it is.
    uint16_t Remove(ProxyEntry* entry);
    void Clear();

    uint16_t Section() const;
    void Load();
    void Save() const;

    ProxyEntry* first;
    uint16_t kind;
    TextBuffer defaultProxy;  // may name no entry; empty when none
    SettingsStore* store;
};

// A proxy as a person may type it into a name box: "http://name:8080/". name
// points into the typed text and runs for nameLength characters, without a
// leading "ftp://" or "http://" (any letter case), blanks around it, trailing
// slashes or a ":port" suffix of 1 to 5 digits, which gives port. reshaped is
// true when any of these was taken away.
struct TypedProxy {
    const char* name;
    uint32_t nameLength;
    bool hasPort;
    uint32_t port;
    bool reshaped;
};
TypedProxy ReadTypedProxy(const char* typed);

#endif
