#include "settings/core/proxy_list.h"

#include <cstring>
#include <new>

#include "frame/core/string_ids.h"
#include "settings/core/field_codec.h"
#include "settings/core/list_formats.h"
#include "settings/core/text_util.h"

namespace {
const char kProxyPrefix[] = "Proxy";
const char kDefaultProxyName[] = "Default Proxy";

bool StartsNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char c = *text;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != *prefix) return false;
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

ProxyList::ProxyList(uint16_t listKind, SettingsStore* settingsStore)
    : first(nullptr), kind(listKind), store(settingsStore) {}

ProxyList::~ProxyList() {
    Save();
    Clear();
}

void ProxyList::Clear() {
    while (first) {
        ProxyEntry* next = first->next;
        delete first;
        first = next;
    }
}

uint16_t ProxyList::Section() const { return kind == kWwwProxies ? kStrSectionWwwProxies : kStrSectionFtpProxies; }

ProxyEntry* ProxyList::FindByName(const char* name) const {
    for (ProxyEntry* e = first; e; e = e->next)
        if (EqualNoCase(e->name.Text(), name)) return e;
    return nullptr;
}

ProxyEntry* ProxyList::AddOrUpdate(const char* name, uint16_t port) {
    ProxyEntry* entry = FindByName(name);
    bool added = false;
    if (!entry) {
        entry = new (std::nothrow) ProxyEntry;
        if (!entry) return nullptr;
        added = true;
    }
    AssignCut(entry->name, name, kProxyNameLimit);
    entry->port = port;
    if (added) {
        entry->next = first;
        first = entry;
    }
    return entry;
}

uint16_t ProxyList::Remove(ProxyEntry* entry) {
    if (!entry) return 0;
    for (ProxyEntry** link = &first; *link; link = &(*link)->next) {
        if (*link == entry) {
            *link = entry->next;
            delete entry;
            return 1;
        }
    }
    return 0;
}

void ProxyList::Load() {
    Clear();
    defaultProxy.Clear();
    if (!store) return;
    char value[kListValueSize];
    ProxyValue proxy;
    for (uint32_t n = 1; n <= kLastListNumber; ++n) {
        if (!ReadNumberedValue(*store, Section(), kProxyPrefix, n, value)) break;
        ParseProxyValue(value, proxy);
        AddOrUpdate(proxy.name, proxy.port);
    }
    if (store->ReadString(Section(), kDefaultProxyName, "", value, kListValueSize) > 0 && value[0]) {
        value[kListValueSize - 1] = '\0';
        char name[kProxyNameLimit + 1];
        DecodeField(value, name, sizeof name);
        defaultProxy.Assign(name);
    }
}

void ProxyList::Save() const {
    if (!store) return;
    uint32_t n = 1;
    TextBuffer value(64);
    for (const ProxyEntry* e = first; e && n <= kLastListNumber; e = e->next, ++n)
        if (BuildProxyValue(e->name.Text(), e->port, value))
            WriteNumberedValue(*store, Section(), kProxyPrefix, n, value.Text());
    DeleteNumberedValuesFrom(*store, Section(), kProxyPrefix, n);
    value.Clear();
    if (AppendEncodedField(value, defaultProxy.Text())) store->WriteString(Section(), kDefaultProxyName, value.Text());
}

TypedProxy ReadTypedProxy(const char* typed) {
    TypedProxy out{typed ? typed : "", 0, false, 0, false};
    const char* start = out.name;
    while (IsBlank(*start)) ++start;
    if (StartsNoCase(start, "ftp://")) start += 6;
    else if (StartsNoCase(start, "http://")) start += 7;
    const char* end = start + std::strlen(start);
    while (end > start && (IsBlank(end[-1]) || end[-1] == '/')) --end;
    // "name:8080": up to five digits after the last colon.
    const char* digits = end;
    while (digits > start && end - digits < 6 && digits[-1] >= '0' && digits[-1] <= '9') --digits;
    if (digits < end && end - digits <= 5 && digits - start >= 2 && digits[-1] == ':') {
        for (const char* d = digits; d < end; ++d) out.port = out.port * 10 + uint32_t(*d - '0');
        out.hasPort = true;
        end = digits - 1;
    }
    out.reshaped = start != out.name || *end != '\0';
    out.name = start;
    out.nameLength = static_cast<uint32_t>(end - start);
    return out;
}
