#include "settings/core/host_list.h"

#include <new>

#include "frame/core/string_ids.h"
#include "settings/core/text_util.h"

namespace {
const char kHostPrefix[] = "Host";
}

HostList::HostList(SettingsStore* settingsStore) : first(nullptr), store(settingsStore) {}

HostList::~HostList() {
    Save();
    Clear();
}

void HostList::Clear() {
    while (first) {
        HostEntry* next = first->next;
        delete first;
        first = next;
    }
}

HostEntry* HostList::FindByDescription(const char* description) const {
    for (HostEntry* e = first; e; e = e->next)
        if (EqualNoCase(e->description.Text(), description)) return e;
    return nullptr;
}

HostEntry* HostList::FindByHostName(const char* hostName) const {
    for (HostEntry* e = first; e; e = e->next)
        if (EqualNoCase(e->hostName.Text(), hostName)) return e;
    return nullptr;
}

HostEntry* HostList::AddOrUpdate(const char* description, const char* hostName, const char* userName,
                                 const char* anonymousPassword, const char* password,
                                 const char* initialDirectory, uint16_t storePasswords,
                                 uint16_t anonymous, uint16_t passive, uint16_t useProxy,
                                 const char* proxyName) {
    HostEntry* entry = FindByDescription(description);
    bool added = false;
    if (!entry) {
        entry = new (std::nothrow) HostEntry;
        if (!entry) return nullptr;
        added = true;
    }
    AssignCut(entry->description, description, kDescriptionLimit);
    AssignCut(entry->hostName, hostName, kHostNameLimit);
    AssignCut(entry->userName, userName, kUserNameLimit);
    AssignCut(entry->anonymousPassword, anonymousPassword, kPasswordLimit);
    AssignCut(entry->password, password, kPasswordLimit);
    AssignCut(entry->initialDirectory, initialDirectory, kDirectoryLimit);
    AssignCut(entry->proxyName, proxyName, kProxyNameLimit);
    struct {
        uint16_t value;
        uint16_t bit;
    } flags[] = {{storePasswords, kHostStorePasswords}, {anonymous, kHostAnonymous},
                 {passive, kHostPassive}, {useProxy, kHostUseProxy}};
    for (auto& f : flags) {
        if (f.value == 1) entry->hostFlags |= f.bit;
        else entry->hostFlags &= static_cast<uint16_t>(~f.bit);
    }
    if (added) {
        entry->next = first;
        first = entry;
    }
    return entry;
}

uint16_t HostList::Remove(HostEntry* entry) {
    if (!entry) return 0;
    for (HostEntry** link = &first; *link; link = &(*link)->next) {
        if (*link == entry) {
            *link = entry->next;
            delete entry;
            return 1;
        }
    }
    return 0;
}

void HostList::Load() {
    Clear();
    if (!store) return;
    char value[kListValueSize];
    HostValue host;
    for (uint32_t n = 1; n <= kLastListNumber; ++n) {
        if (!ReadNumberedValue(*store, kStrSectionHosts, kHostPrefix, n, value)) break;
        ParseHostValue(value, host);
        AddOrUpdate(host.description, host.hostName, host.userName, host.anonymousPassword,
                    host.password, host.initialDirectory,
                    (host.hostFlags & kHostStorePasswords) ? 1 : 0,
                    (host.hostFlags & kHostAnonymous) ? 1 : 0,
                    (host.hostFlags & kHostPassive) ? 1 : 0,
                    (host.hostFlags & kHostUseProxy) ? 1 : 0, host.proxyName);
    }
}

void HostList::Save() const {
    if (!store) return;
    uint32_t n = 1;
    TextBuffer value(64);
    for (const HostEntry* e = first; e && n <= kLastListNumber; e = e->next, ++n) {
        HostTexts texts = {e->description.Text(), e->hostName.Text(), e->userName.Text(),
                           e->anonymousPassword.Text(), e->password.Text(),
                           e->initialDirectory.Text(), e->proxyName.Text(), e->hostFlags};
        if (BuildHostValue(texts, value)) WriteNumberedValue(*store, kStrSectionHosts, kHostPrefix, n, value.Text());
    }
    DeleteNumberedValuesFrom(*store, kStrSectionHosts, kHostPrefix, n);
}
