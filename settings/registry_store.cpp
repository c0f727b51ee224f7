#include "settings/registry_store.h"

#include <cstring>

#include "frame/core/string_ids.h"
#include "frame/strings.h"

namespace {

constexpr int kNameSize = 128;

// Root key path and section; false when the root string is unavailable.
bool SectionPath(const char* section, char (&path)[2 * kNameSize]) {
    int n = LoadResourceString(kStrSettingsRoot, path, kNameSize);
    if (n <= 0) return false;
    size_t used = static_cast<size_t>(n);
    size_t add = section ? strnlen(section, kNameSize - 1) : 0;
    if (add == 0) return false;  // never the root key itself
    std::memcpy(path + used, section, add);
    path[used + add] = '\0';
    return true;
}

struct SectionName {
    explicit SectionName(uint16_t id) { LoadResourceString(id, text, sizeof text); }
    char text[kNameSize];
};

class Key {
public:
    Key() : handle_(nullptr) {}
    ~Key() {
        if (handle_) RegCloseKey(handle_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    LONG Open(const char* section, REGSAM access) {
        char path[2 * kNameSize];
        if (!SectionPath(section, path)) return ERROR_FILE_NOT_FOUND;
        return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &handle_);
    }
    LONG Create(const char* section) {
        char path[2 * kNameSize];
        if (!SectionPath(section, path)) return ERROR_FILE_NOT_FOUND;
        return RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE, nullptr, &handle_, nullptr);
    }
    HKEY handle() const { return handle_; }

private:
    HKEY handle_;
};

uint16_t CopyDefault(const char* defaultText, char* dest, uint16_t size) {
    size_t n = defaultText ? strnlen(defaultText, size - 1u) : 0;
    if (n) std::memcpy(dest, defaultText, n);
    dest[n] = '\0';
    return static_cast<uint16_t>(n);
}

}  // namespace

uint16_t ReadSettingString(const char* section, const char* name, const char* defaultText,
                           char* dest, uint16_t size) {
    if (!dest || size == 0) return 0;
    Key key;
    if (key.Open(section, KEY_QUERY_VALUE) == ERROR_SUCCESS) {
        DWORD count = size;
        LONG r = RegQueryValueExA(key.handle(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(dest), &count);
        if (r == ERROR_SUCCESS && count <= size) {
            // A value stored without its terminator still reads as text when
            // there is room for one.
            if (count == 0 || dest[count - 1] != '\0') {
                if (count < size) {
                    dest[count] = '\0';
                    return static_cast<uint16_t>(count);
                }
            } else {
                return static_cast<uint16_t>(count);
            }
        }
    }
    return CopyDefault(defaultText, dest, size);
}

uint16_t WriteSettingString(const char* section, const char* name, const char* text) {
    Key key;
    if (!text || !text[0]) {
        if (key.Open(section, KEY_SET_VALUE) != ERROR_SUCCESS) return 1;
        return RegDeleteValueA(key.handle(), name) == ERROR_SUCCESS ? 1 : 0;
    }
    if (key.Create(section) != ERROR_SUCCESS) return 0;
    DWORD bytes = static_cast<DWORD>(std::strlen(text) + 1);
    return RegSetValueExA(key.handle(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS ? 1 : 0;
}

uint16_t ReadSettingNumber(const char* section, const char* name, uint16_t defaultValue) {
    Key key;
    if (key.Open(section, KEY_QUERY_VALUE) != ERROR_SUCCESS) return defaultValue;
    DWORD value = 0;
    DWORD count = sizeof value;
    if (RegQueryValueExA(key.handle(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &count) != ERROR_SUCCESS)
        return defaultValue;
    return static_cast<uint16_t>(value & 0xFFFF);
}

uint16_t WriteSettingNumber(const char* section, const char* name, uint16_t value) {
    Key key;
    if (key.Create(section) != ERROR_SUCCESS) return 0;
    DWORD number = value;
    return RegSetValueExA(key.handle(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) == ERROR_SUCCESS ? 1 : 0;
}

uint16_t DeleteSettingValue(const char* section, const char* name) {
    Key key;
    if (key.Open(section, KEY_SET_VALUE) != ERROR_SUCCESS) return 0;
    return RegDeleteValueA(key.handle(), name) == ERROR_SUCCESS ? 1 : 0;
}

uint16_t ReadSettingString(uint16_t sectionId, const char* name, const char* defaultText, char* dest, uint16_t size) {
    SectionName section(sectionId);
    return ReadSettingString(section.text, name, defaultText, dest, size);
}
uint16_t WriteSettingString(uint16_t sectionId, const char* name, const char* text) {
    SectionName section(sectionId);
    return WriteSettingString(section.text, name, text);
}
uint16_t ReadSettingNumber(uint16_t sectionId, const char* name, uint16_t defaultValue) {
    SectionName section(sectionId);
    return ReadSettingNumber(section.text, name, defaultValue);
}
uint16_t WriteSettingNumber(uint16_t sectionId, const char* name, uint16_t value) {
    SectionName section(sectionId);
    return WriteSettingNumber(section.text, name, value);
}
uint16_t DeleteSettingValue(uint16_t sectionId, const char* name) {
    SectionName section(sectionId);
    return DeleteSettingValue(section.text, name);
}

uint16_t RegistryStore::ReadString(uint16_t section, const char* name, const char* defaultText, char* dest, uint16_t size) {
    return ReadSettingString(section, name, defaultText, dest, size);
}
uint16_t RegistryStore::WriteString(uint16_t section, const char* name, const char* text) {
    return WriteSettingString(section, name, text);
}
uint16_t RegistryStore::DeleteValue(uint16_t section, const char* name) {
    return DeleteSettingValue(section, name);
}
uint16_t RegistryStore::ReadNumber(uint16_t section, const char* name, uint16_t defaultValue) {
    return ReadSettingNumber(section, name, defaultValue);
}
uint16_t RegistryStore::WriteNumber(uint16_t section, const char* name, uint16_t value) {
    return WriteSettingNumber(section, name, value);
}
