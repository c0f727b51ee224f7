// A stored "URL<n>" value: parsed within the field limits, recorded in a
// history, and built again; a rebuilt value that still loads parses the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/core/list_formats.h"
#include "settings/core/url_history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string value(reinterpret_cast<const char*>(data), size);
    UrlValue u;
    ParseUrlValue(value.c_str(), u);
    if (std::strlen(u.url) > kUrlLimit || std::strlen(u.proxy) > kProxyNameLimit) std::abort();

    UrlHistory history(nullptr);
    history.AddAtEnd("other", nullptr);
    UrlEntry* e = history.AddAtEnd(u.url, u.proxy);
    if (!e || history.Find(u.url) != e) std::abort();
    if (history.Record(u.url, u.proxy) != history.first) std::abort();

    TextBuffer built(64);
    if (!BuildUrlValue(u.url, u.proxy, built)) std::abort();
    if (built.length < 512) {
        UrlValue again;
        ParseUrlValue(built.Text(), again);
        if (std::strcmp(again.url, u.url) || std::strcmp(again.proxy, u.proxy)) std::abort();
    }
    return 0;
}
