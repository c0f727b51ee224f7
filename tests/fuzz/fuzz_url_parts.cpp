// URL parsing for retrieve and store from arbitrary caller text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "frame/text_buffer.h"
#include "transfer/url_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* url = text.c_str();
    const SchemePrefixes schemes = {{"ftp://", "http://", "gopher://", "wais://"}};

    RetrieveUrl r;
    ParseRetrieveUrl(url, schemes, r);
    if (std::strchr(r.url.Text(), '\\')) __builtin_trap();
    if (r.host.length) {
        if (std::strchr(r.host.Text(), '/') || r.path.Text()[0] != '/' || r.directory.Text()[0] != '/') __builtin_trap();
        if (r.directory.length + r.fileName.length > r.path.length) __builtin_trap();
    }
    uint16_t port = 0;
    SplitHostPort(r.host, &port);
    if (r.host.length != std::strlen(r.host.Text())) __builtin_trap();

    char extension[40];
    FileNameExtension(r.fileName.Text(), extension, sizeof extension);
    if (extension[0] && !IsSafeExtension(extension)) __builtin_trap();

    for (uint16_t several = 0; several < 2; ++several) {
        StoreUrl s;
        ParseStoreUrl(url, several, s);
        if (s.host.length && s.directory.Text()[0] != '/') __builtin_trap();
        if (several && s.directory.length && s.directory.Text()[s.directory.length - 1] != '/') __builtin_trap();
    }
    return 0;
}
