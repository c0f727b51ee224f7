#ifndef ORBNET_SETTINGS_LIST_FORMATS_H
#define ORBNET_SETTINGS_LIST_FORMATS_H

#include <cstddef>
#include <cstdint>

#include "frame/core/text_buffer.h"

// Longest texts of the stored list fields (terminator excluded).
constexpr size_t kDescriptionLimit = 511;
constexpr size_t kHostNameLimit = 127;
constexpr size_t kUserNameLimit = 63;
constexpr size_t kPasswordLimit = 64;  // as long as the host dialog's password fields
constexpr size_t kDirectoryLimit = 255;
constexpr size_t kProxyNameLimit = 127;
constexpr size_t kUrlLimit = 255;

// Bits of HostEntry::hostFlags.
enum HostFlag : uint16_t {
    kHostAnonymous = 1,       // log in as "anonymous" with anonymousPassword
    kHostUseProxy = 2,        // connect through the FTP proxy named proxyName
    kHostPassive = 4,         // PASV data connections
    kHostStorePasswords = 8,  // the passwords are written to the store
};

// "Host<n>" value: eleven fields; texts scrambled, flags 1/0 in the order of
// bits 8, 1, 4, 2.
struct HostValue {
    char description[kDescriptionLimit + 1];
    char hostName[kHostNameLimit + 1];
    char userName[kUserNameLimit + 1];
    char anonymousPassword[kPasswordLimit + 1];
    char password[kPasswordLimit + 1];
    char initialDirectory[kDirectoryLimit + 1];
    char proxyName[kProxyNameLimit + 1];
    uint16_t hostFlags;
};

struct HostTexts {
    const char* description;
    const char* hostName;
    const char* userName;
    const char* anonymousPassword;
    const char* password;
    const char* initialDirectory;
    const char* proxyName;
    uint16_t hostFlags;
};

// 1 when every text is within its limit and the value BuildHostValue makes of
// them is short enough to be loaded again (shorter than kListValueSize bytes
// with its terminator): a host that does not fit would be lost, and with it
// every host stored after it.
uint16_t HostValueFits(const HostTexts& host);

// "Proxy<n>" value: scrambled name, comma, port in decimal.
struct ProxyValue {
    char name[kProxyNameLimit + 1];
    uint16_t port;
};

// "URL<n>" value: scrambled address, comma, scrambled proxy name.
struct UrlValue {
    char url[kUrlLimit + 1];
    char proxy[kProxyNameLimit + 1];
};

// Parsers take any text; only its first kListValueSize - 1 characters are
// read (longer values never load). Decoded texts are cut to the limits.
void ParseHostValue(const char* value, HostValue& out);
void ParseProxyValue(const char* value, ProxyValue& out);
void ParseUrlValue(const char* value, UrlValue& out);

// Leading decimal digits, low 16 bits kept; none gives 0.
uint16_t ParsePort(const char* text);

// Builders replace out's text; 1 on success, 0 when out cannot grow.
// Fields 4 and 5 (the passwords) stay empty unless kHostStorePasswords is set.
uint16_t BuildHostValue(const HostTexts& host, TextBuffer& out);
uint16_t BuildProxyValue(const char* name, uint16_t port, TextBuffer& out);
uint16_t BuildUrlValue(const char* url, const char* proxy, TextBuffer& out);

#endif
