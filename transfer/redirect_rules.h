#ifndef ORBNET_TRANSFER_REDIRECT_RULES_H
#define ORBNET_TRANSFER_REDIRECT_RULES_H

// Where an HTTP redirect leads and whether it is followed.

#include <cstdint>

#include "frame/text_buffer.h"

// The longest URL a redirect may lead to.
constexpr uint32_t kMaxRedirectUrl = 4096;
// Redirects followed in a row; the next one ends the fetch.
constexpr uint32_t kMaxRedirects = 5;

// 301, 302, 303, 307 and 308: the document is elsewhere, at the Location.
bool IsRedirectStatus(uint16_t status);

// The URL that location (a Location header's value) names, taken against
// base (the absolute http:// or https:// URL that answered): an absolute URL
// as it is, "//host/x" with base's scheme, "/x" on base's host, "x" and
// "../x" beside base's path, "?q" on base's path; dot segments removed, the
// fragment left out. 0 (out empty) when location is empty, holds a control
// byte (CR, LF, zero...), base is no http(s) URL, or the result would be
// longer than kMaxRedirectUrl.
uint16_t ResolveLocation(const char* base, const char* location, uint32_t locationLength, TextBuffer& out);

enum RedirectVerdict : uint16_t {
    kRedirectFollow = 0,
    kRedirectTooMany,      // the (kMaxRedirects + 1)th in a row
    kRedirectDowngrade,    // from https to http
    kRedirectOtherScheme,  // to anything but http or https
};

// Whether a redirect from `from` to `to` (both absolute) is followed after
// `followed` redirects of the same fetch.
RedirectVerdict JudgeRedirect(const char* from, const char* to, uint32_t followed);

// Where a redirect led, for a message: its first kShownTarget characters
// ("..." after them when there were more), less the password of a login
// in an address with "://" ("mailto:a@b" stays as it is).
constexpr uint32_t kShownTarget = 200;
void ShownRedirectTarget(const char* url, TextBuffer& out);

// A redirect's Location, from the URL that answered after `followed`
// redirects: 0 when it is to be followed (next holds the resolved URL), else
// the message that refuses it (kMsgRedirectRefused, kMsgTooManyRedirects,
// kMsgRedirectDowngrade). shown gets where it led, for either.
uint16_t RedirectRefusal(const char* current, const char* location, uint32_t followed, TextBuffer& next,
                         TextBuffer& shown);

// 1 for "http://", 2 for "https://" at the start of url (any case), else 0.
uint16_t WebSchemeOf(const char* url);

#endif
