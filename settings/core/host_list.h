#ifndef ORBNET_SETTINGS_HOST_LIST_H
#define ORBNET_SETTINGS_HOST_LIST_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "settings/core/list_formats.h"
#include "settings/core/settings_store.h"

class HostEntry {
public:
    HostEntry() : next(nullptr), hostFlags(0) {}
    virtual ~HostEntry() {}
    HostEntry(const HostEntry&) = delete;
    HostEntry& operator=(const HostEntry&) = delete;

    HostEntry* next;
    TextBuffer description;        // the key, unique without regard to case
    TextBuffer hostName;
    TextBuffer userName;
    TextBuffer anonymousPassword;
    TextBuffer password;
    TextBuffer initialDirectory;
    TextBuffer proxyName;
    uint16_t hostFlags;            // HostFlag bits
};

// The FTP hosts, section "FTP Hosts", values Host1, Host2, ... The list owns
// its entries. store (not owned, may be null) is where Load and Save go; the
// destructor saves, then frees the entries.
class HostList {
public:
    explicit HostList(SettingsStore* store);
    virtual ~HostList();
    HostList(const HostList&) = delete;
    HostList& operator=(const HostList&) = delete;

    HostEntry* FindByDescription(const char* description) const;
    HostEntry* FindByHostName(const char* hostName) const;
    // Updates the entry with this description (case-insensitive; it keeps its
    // place and takes over the new spelling) or puts a new one at the head.
    // A flag is set only when its value is exactly 1. Null when no memory.
    HostEntry* AddOrUpdate(const char* description, const char* hostName, const char* userName,
                           const char* anonymousPassword, const char* password,
                           const char* initialDirectory, uint16_t storePasswords,
                           uint16_t anonymous, uint16_t passive, uint16_t useProxy,
                           const char* proxyName);
    // 1 when the entry was in the list and has been unlinked and freed.
    uint16_t Remove(HostEntry* entry);
    void Clear();

    // Replaces the list by the stored values (the last stored ends up first).
    void Load();
    // Writes Host1.. from the head and deletes the stale numbers after them.
    void Save() const;

    HostEntry* first;
    SettingsStore* store;
};

#endif
