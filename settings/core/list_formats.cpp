#include "settings/core/list_formats.h"

#include <cstdio>
#include <cstring>

#include "settings/core/field_codec.h"
#include "settings/core/settings_store.h"

namespace {

// A writable, bounded copy of a stored value for SplitField.
struct ValueCopy {
    explicit ValueCopy(const char* value) {
        size_t n = 0;
        if (value)
            while (n < sizeof text - 1 && value[n]) ++n;
        if (n) std::memcpy(text, value, n);
        text[n] = '\0';
    }
    char text[kListValueSize];
};

char* Next(char*& position) {
    char* field = position;
    position = SplitField(position);
    return field;
}

}  // namespace

uint16_t ParsePort(const char* text) {
    uint32_t port = 0;
    if (text)
        for (; *text >= '0' && *text <= '9'; ++text) port = (port * 10 + uint32_t(*text - '0')) & 0xFFFF;
    return static_cast<uint16_t>(port);
}

void ParseHostValue(const char* value, HostValue& out) {
    ValueCopy copy(value);
    char* p = copy.text;
    DecodeField(Next(p), out.description, sizeof out.description);
    DecodeField(Next(p), out.hostName, sizeof out.hostName);
    DecodeField(Next(p), out.userName, sizeof out.userName);
    DecodeField(Next(p), out.anonymousPassword, sizeof out.anonymousPassword);
    DecodeField(Next(p), out.password, sizeof out.password);
    DecodeField(Next(p), out.initialDirectory, sizeof out.initialDirectory);
    static const uint16_t kFlagOrder[] = {kHostStorePasswords, kHostAnonymous, kHostPassive, kHostUseProxy};
    out.hostFlags = 0;
    for (uint16_t bit : kFlagOrder)
        if (Next(p)[0] == '1') out.hostFlags |= bit;
    DecodeField(Next(p), out.proxyName, sizeof out.proxyName);
}

void ParseProxyValue(const char* value, ProxyValue& out) {
    ValueCopy copy(value);
    char* p = copy.text;
    DecodeField(Next(p), out.name, sizeof out.name);
    out.port = ParsePort(p);
}

void ParseUrlValue(const char* value, UrlValue& out) {
    ValueCopy copy(value);
    char* p = copy.text;
    DecodeField(Next(p), out.url, sizeof out.url);
    DecodeField(Next(p), out.proxy, sizeof out.proxy);
}

namespace {

// Appends pieces in order; remembers whether any append failed.
class ValueWriter {
public:
    explicit ValueWriter(TextBuffer& out) : out_(out), ok_(1) { out_.Clear(); }
    ValueWriter& Field(const char* text) {
        if (!AppendEncodedField(out_, text)) ok_ = 0;
        return *this;
    }
    ValueWriter& Plain(const char* text) {
        if (!out_.Append(text)) ok_ = 0;
        return *this;
    }
    ValueWriter& Flag(uint16_t flags, uint16_t bit) { return Plain((flags & bit) ? "1" : "0"); }
    ValueWriter& Comma() { return Plain(","); }
    uint16_t ok() const { return ok_; }

private:
    TextBuffer& out_;
    uint16_t ok_;
};

}  // namespace

uint16_t BuildHostValue(const HostTexts& host, TextBuffer& out) {
    bool store = (host.hostFlags & kHostStorePasswords) != 0;
    ValueWriter w(out);
    w.Field(host.description).Comma().Field(host.hostName).Comma().Field(host.userName).Comma();
    w.Field(store ? host.anonymousPassword : "").Comma().Field(store ? host.password : "").Comma();
    w.Field(host.initialDirectory).Comma();
    w.Flag(host.hostFlags, kHostStorePasswords).Comma().Flag(host.hostFlags, kHostAnonymous).Comma();
    w.Flag(host.hostFlags, kHostPassive).Comma().Flag(host.hostFlags, kHostUseProxy).Comma();
    w.Field(host.proxyName);
    return w.ok();
}

uint16_t HostValueFits(const HostTexts& host) {
    const bool store = (host.hostFlags & kHostStorePasswords) != 0;
    const struct {
        const char* text;
        size_t limit;
        bool stored;
    } fields[] = {{host.description, kDescriptionLimit, true}, {host.hostName, kHostNameLimit, true},
                  {host.userName, kUserNameLimit, true},       {host.anonymousPassword, kPasswordLimit, store},
                  {host.password, kPasswordLimit, store},      {host.initialDirectory, kDirectoryLimit, true},
                  {host.proxyName, kProxyNameLimit, true}};
    // Ten commas and four flag characters besides the fields.
    size_t length = 14;
    for (const auto& f : fields) {
        const size_t n = f.text ? std::strlen(f.text) : 0;
        if (n > f.limit) return 0;
        if (f.stored) length += 2 * n;  // two hex digits a character
    }
    return length + 1 < kListValueSize ? 1 : 0;
}

uint16_t BuildProxyValue(const char* name, uint16_t port, TextBuffer& out) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%u", unsigned(port));
    ValueWriter w(out);
    w.Field(name).Comma().Plain(digits);
    return w.ok();
}

uint16_t BuildUrlValue(const char* url, const char* proxy, TextBuffer& out) {
    ValueWriter w(out);
    w.Field(url).Comma().Field(proxy);
    return w.ok();
}
