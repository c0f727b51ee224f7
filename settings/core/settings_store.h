#ifndef ORBNET_SETTINGS_SETTINGS_STORE_H
#define ORBNET_SETTINGS_SETTINGS_STORE_H

#include <cstdint>

// The per-user value store the settings objects load from and save to.
// Sections are the library's string ids of the section names (kStrSection*).
class SettingsStore {
public:
    virtual ~SettingsStore() {}

    // Reads a string value into dest (at most size bytes). On success the
    // number of bytes stored, terminator included (an empty value gives 1).
    // On any failure (no key, no value, a value that does not fit) the default
    // is copied, cut to fit, and its length returned.
    virtual uint16_t ReadString(uint16_t section, const char* name, const char* defaultText,
                                char* dest, uint16_t size) = 0;
    // Stores text with its terminator; an empty text deletes the value (a
    // missing section counts as success, a missing value as failure).
    virtual uint16_t WriteString(uint16_t section, const char* name, const char* text) = 0;
    // Deletes a value: 1 when it existed and is gone, else 0.
    virtual uint16_t DeleteValue(uint16_t section, const char* name) = 0;
    // Low 16 bits of a 32-bit number value, or the default.
    virtual uint16_t ReadNumber(uint16_t section, const char* name, uint16_t defaultValue) = 0;
    virtual uint16_t WriteNumber(uint16_t section, const char* name, uint16_t value) = 0;
};

// Numbered list values: prefix followed by 1, 2, ... in decimal.
constexpr uint16_t kListValueSize = 512;
constexpr uint32_t kLastListNumber = 65535;

// Reads prefix+number into value (kListValueSize bytes, terminated). 0 when the
// value is missing or 512 bytes or longer: that ends a list.
uint16_t ReadNumberedValue(SettingsStore& store, uint16_t section, const char* prefix,
                           uint32_t number, char* value);
uint16_t WriteNumberedValue(SettingsStore& store, uint16_t section, const char* prefix,
                            uint32_t number, const char* text);
// Deletes prefix+number, prefix+(number+1), ... up to the first that is missing.
void DeleteNumberedValuesFrom(SettingsStore& store, uint16_t section, const char* prefix,
                              uint32_t number);

#endif
