#ifndef ORBNET_SETTINGS_REGISTRY_STORE_H
#define ORBNET_SETTINGS_REGISTRY_STORE_H

#include <windows.h>
#include <cstdint>

#include "settings/core/settings_store.h"

// Values under HKEY_CURRENT_USER, key "Software\Marlin\Components\Internet\1.0\"
// (string 290) followed by the section. Each call opens and closes the key.
// Sections are given as text or as the library's string id of the name.

// Bytes stored, terminator included, when the value was read (at most size
// bytes); otherwise the default, cut to fit, and its length. The value's
// registry type is not looked at; the text read is always terminated.
uint16_t ReadSettingString(const char* section, const char* name, const char* defaultText,
                           char* dest, uint16_t size);
uint16_t ReadSettingString(uint16_t sectionId, const char* name, const char* defaultText,
                           char* dest, uint16_t size);
// Non-empty text: create the key if needed and store it. Empty or null text:
// delete the value (1 when the key is missing; 0 when the value is).
uint16_t WriteSettingString(const char* section, const char* name, const char* text);
uint16_t WriteSettingString(uint16_t sectionId, const char* name, const char* text);
// Low 16 bits of the 32-bit number, or the default on any failure.
uint16_t ReadSettingNumber(const char* section, const char* name, uint16_t defaultValue);
uint16_t ReadSettingNumber(uint16_t sectionId, const char* name, uint16_t defaultValue);
uint16_t WriteSettingNumber(const char* section, const char* name, uint16_t value);
uint16_t WriteSettingNumber(uint16_t sectionId, const char* name, uint16_t value);
// 1 when the value existed and has been deleted, else 0.
uint16_t DeleteSettingValue(const char* section, const char* name);
uint16_t DeleteSettingValue(uint16_t sectionId, const char* name);

// The settings objects' view of the registry.
class RegistryStore : public SettingsStore {
public:
    ~RegistryStore() override {}
    uint16_t ReadString(uint16_t section, const char* name, const char* defaultText, char* dest,
                        uint16_t size) override;
    uint16_t WriteString(uint16_t section, const char* name, const char* text) override;
    uint16_t DeleteValue(uint16_t section, const char* name) override;
    uint16_t ReadNumber(uint16_t section, const char* name, uint16_t defaultValue) override;
    uint16_t WriteNumber(uint16_t section, const char* name, uint16_t value) override;
};

#endif
