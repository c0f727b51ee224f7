#include "settings/core/options_record.h"

#include "frame/core/string_ids.h"

namespace {

const char kOpenHost[] = "Open Host";
const char kSaveHost[] = "Save Host";
const char kServerType[] = "Server Type";
const char kTimeout[] = "Timeout";
constexpr uint16_t kDefaultTimeout = 60;

// Number values that map one-to-one onto a bit, in their saving order
// around "Server Type".
struct NumberOption {
    const char* name;
    uint16_t bit;
    uint16_t defaultValue;
};
const NumberOption kBefore[] = {
    {"Auto Open", kOptionAutoOpen, 0},
    {"Auto Save", kOptionAutoSave, 0},
    {"Record Open", kOptionRecordOpen, 0},
    {"List by Description", kOptionListByDescription, 1},
};
const NumberOption kAfter[] = {
    {"Save HTML Graphics", kOptionSaveHtmlGraphics, 1},
};

}  // namespace

OptionsRecord::OptionsRecord(SettingsStore* settingsStore)
    : flags(0), idleTimeout(kDefaultTimeout), store(settingsStore) {}

OptionsRecord::~OptionsRecord() { Save(); }

void OptionsRecord::SetServerKind(uint16_t serverBit) {
    flags = static_cast<uint16_t>((flags & ~kOptionServerMask) | (serverBit & kOptionServerMask));
}

void OptionsRecord::Load() {
    flags = 0;
    idleTimeout = kDefaultTimeout;
    openHost.Clear();
    saveHost.Clear();
    if (!store) return;
    idleTimeout = store->ReadNumber(kStrSectionOptions, kTimeout, kDefaultTimeout);
    char text[kListValueSize];
    if (store->ReadString(kStrSectionOptions, kOpenHost, "", text, sizeof text)) openHost.Assign(text);
    if (store->ReadString(kStrSectionOptions, kSaveHost, "", text, sizeof text)) saveHost.Assign(text);
    for (const NumberOption& o : kBefore)
        if (store->ReadNumber(kStrSectionOptions, o.name, o.defaultValue)) flags |= o.bit;
    SetServerKind(store->ReadNumber(kStrSectionOptions, kServerType, 0) ? kOptionWebServer : kOptionFtpServer);
    for (const NumberOption& o : kAfter)
        if (store->ReadNumber(kStrSectionOptions, o.name, o.defaultValue)) flags |= o.bit;
}

void OptionsRecord::Save() const {
    if (!store) return;
    store->WriteString(kStrSectionOptions, kOpenHost, openHost.Text());
    store->WriteString(kStrSectionOptions, kSaveHost, saveHost.Text());
    for (const NumberOption& o : kBefore)
        store->WriteNumber(kStrSectionOptions, o.name, (flags & o.bit) ? 1 : 0);
    store->WriteNumber(kStrSectionOptions, kServerType, (flags & kOptionWebServer) ? 1 : 0);
    for (const NumberOption& o : kAfter)
        store->WriteNumber(kStrSectionOptions, o.name, (flags & o.bit) ? 1 : 0);
}
