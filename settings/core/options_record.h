#ifndef ORBNET_SETTINGS_OPTIONS_RECORD_H
#define ORBNET_SETTINGS_OPTIONS_RECORD_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "settings/core/settings_store.h"

// Bits of OptionsRecord::flags.
enum OptionFlag : uint16_t {
    kOptionAutoOpen = 1,
    kOptionAutoSave = 2,
    kOptionRecordOpen = 4,
    kOptionListByDescription = 8,
    kOptionFtpServer = 16,   // the file dialog starts on the FTP choice
    kOptionWebServer = 32,   // ... on the World Wide Web choice
    kOptionSaveHtmlGraphics = 64,
    kOptionServerMask = kOptionFtpServer | kOptionWebServer,
};

// The user's preferences, section "Options". store (not owned, may be null)
// is where Load and Save go; the destructor saves.
class OptionsRecord {
public:
    explicit OptionsRecord(SettingsStore* store);
    virtual ~OptionsRecord();
    OptionsRecord(const OptionsRecord&) = delete;
    OptionsRecord& operator=(const OptionsRecord&) = delete;

    // Clears both server bits and sets the given one.
    void SetServerKind(uint16_t serverBit);

    void Load();
    void Save() const;

    uint16_t flags;
    // Seconds without a byte from a server after which a conversation is
    // given up ("Timeout"; 0 none). Read only: it is kept as stored.
    uint16_t idleTimeout;
    TextBuffer openHost;  // description of the host the Open dialogs preselect
    TextBuffer saveHost;  // ... the Save As dialog preselects
    SettingsStore* store;
};

#endif
