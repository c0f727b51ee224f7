#ifndef ORBNET_SETTINGS_URL_HISTORY_H
#define ORBNET_SETTINGS_URL_HISTORY_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "settings/core/settings_store.h"

class UrlEntry {
public:
    UrlEntry() : next(nullptr) {}
    virtual ~UrlEntry() {}
    UrlEntry(const UrlEntry&) = delete;
    UrlEntry& operator=(const UrlEntry&) = delete;

    UrlEntry* next;
    TextBuffer url;    // the key, compared without regard to case
    TextBuffer proxy;  // WWW proxy it was opened through; empty: direct
};

// Opened addresses, most recent first; section "URLs", values URL1, URL2, ...
// The history owns its entries. store (not owned, may be null) is where Load
// and Save go; the destructor saves, then frees the entries.
class UrlHistory {
public:
    static constexpr uint32_t kMaxSaved = 50;

    explicit UrlHistory(SettingsStore* store);
    virtual ~UrlHistory();
    UrlHistory(const UrlHistory&) = delete;
    UrlHistory& operator=(const UrlHistory&) = delete;

    // First entry whose url equals text without regard to case; before (when
    // given) receives the entry ahead of it, null for the head.
    UrlEntry* Find(const char* text, UrlEntry** before = nullptr) const;
    // Moves the address to the head (a known one keeps its first spelling and
    // takes the new proxy). A null proxy means none. Null when no memory.
    UrlEntry* Record(const char* url, const char* proxy);
    // A known address gets both texts in place; a new one goes to the tail.
    UrlEntry* AddAtEnd(const char* url, const char* proxy);
    void Clear();

    void Load();
    // Writes at most kMaxSaved entries from the head, then deletes stale numbers.
    void Save() const;

    UrlEntry* first;
    SettingsStore* store;
};

#endif
