#include "settings/core/settings_store.h"

#include <cstdio>

namespace {

void NumberedName(char (&name)[48], const char* prefix, uint32_t number) {
    std::snprintf(name, sizeof name, "%.30s%lu", prefix ? prefix : "",
                  static_cast<unsigned long>(number));
}

}  // namespace

uint16_t ReadNumberedValue(SettingsStore& store, uint16_t section, const char* prefix,
                           uint32_t number, char* value) {
    char name[48];
    NumberedName(name, prefix, number);
    // One byte short of the array: a value of 512 bytes or more does not load.
    uint16_t n = store.ReadString(section, name, "", value, kListValueSize - 1);
    value[kListValueSize - 1] = '\0';
    return n;
}

uint16_t WriteNumberedValue(SettingsStore& store, uint16_t section, const char* prefix,
                            uint32_t number, const char* text) {
    char name[48];
    NumberedName(name, prefix, number);
    return store.WriteString(section, name, text);
}

void DeleteNumberedValuesFrom(SettingsStore& store, uint16_t section, const char* prefix,
                              uint32_t number) {
    for (; number <= kLastListNumber; ++number) {
        char name[48];
        NumberedName(name, prefix, number);
        if (!store.DeleteValue(section, name)) break;
    }
}
