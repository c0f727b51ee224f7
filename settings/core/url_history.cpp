#include "settings/core/url_history.h"

#include <new>

#include "frame/core/string_ids.h"
#include "settings/core/list_formats.h"
#include "settings/core/text_util.h"

namespace {
const char kUrlPrefix[] = "URL";
}

UrlHistory::UrlHistory(SettingsStore* settingsStore) : first(nullptr), store(settingsStore) {}

UrlHistory::~UrlHistory() {
    Save();
    Clear();
}

void UrlHistory::Clear() {
    while (first) {
        UrlEntry* next = first->next;
        delete first;
        first = next;
    }
}

UrlEntry* UrlHistory::Find(const char* text, UrlEntry** before) const {
    UrlEntry* previous = nullptr;
    for (UrlEntry* e = first; e; previous = e, e = e->next) {
        if (EqualNoCase(e->url.Text(), text)) {
            if (before) *before = previous;
            return e;
        }
    }
    if (before) *before = nullptr;
    return nullptr;
}

UrlEntry* UrlHistory::Record(const char* url, const char* proxy) {
    UrlEntry* before = nullptr;
    UrlEntry* entry = Find(url, &before);
    if (entry) {
        if (before) {
            before->next = entry->next;
            entry->next = first;
            first = entry;
        }
    } else {
        entry = new (std::nothrow) UrlEntry;
        if (!entry) return nullptr;
        AssignCut(entry->url, url, kUrlLimit);
        entry->next = first;
        first = entry;
    }
    AssignCut(entry->proxy, proxy, kProxyNameLimit);
    return entry;
}

UrlEntry* UrlHistory::AddAtEnd(const char* url, const char* proxy) {
    UrlEntry* entry = Find(url);
    if (!entry) {
        entry = new (std::nothrow) UrlEntry;
        if (!entry) return nullptr;
        UrlEntry** link = &first;
        while (*link) link = &(*link)->next;
        *link = entry;
    }
    AssignCut(entry->url, url, kUrlLimit);
    AssignCut(entry->proxy, proxy, kProxyNameLimit);
    return entry;
}

void UrlHistory::Load() {
    Clear();
    if (!store) return;
    char value[kListValueSize];
    UrlValue url;
    for (uint32_t n = 1; n <= kLastListNumber; ++n) {
        if (!ReadNumberedValue(*store, kStrSectionUrls, kUrlPrefix, n, value)) break;
        ParseUrlValue(value, url);
        AddAtEnd(url.url, url.proxy);
    }
}

void UrlHistory::Save() const {
    if (!store) return;
    uint32_t n = 1;
    TextBuffer value(64);
    for (const UrlEntry* e = first; e && n <= kMaxSaved; e = e->next, ++n)
        if (BuildUrlValue(e->url.Text(), e->proxy.Text(), value))
            WriteNumberedValue(*store, kStrSectionUrls, kUrlPrefix, n, value.Text());
    DeleteNumberedValuesFrom(*store, kStrSectionUrls, kUrlPrefix, n);
}
