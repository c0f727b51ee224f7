#ifndef ORBNET_TRANSFER_REDIRECT_RULES_H
#define ORBNET_TRANSFER_REDIRECT_RULES_H

// Where an HTTP redirect leads and whether it is followed.

#include <cstdint>

#include "frame/core/text_buffer.h"

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
    kRedirectBadPort,      // to a port browsers refuse, or one that is no port
};

// Whether a redirect from `from` to `to` (both absolute) is followed after
// `followed` redirects of the same fetch.
RedirectVerdict JudgeRedirect(const char* from, const char* to, uint32_t followed);

// The ports that browsers never fetch from (the "bad ports" of the Fetch
// standard: 25 mail, 110 and 143 mailboxes, 6000 X, ...): a server must not
// send a request on to another protocol's server.
bool IsBadPort(uint32_t port);

// The port an absolute "scheme://[login@]host[:port]..." URL names: 1 with
// *port set when it names one (0 and numbers above 65535 included, as
// they are no port), 0 when it names none ("host" or "host:"), 2 when the
// text after the ":" is not a number.
uint16_t UrlPort(const char* url, uint32_t* port);

// Where a redirect led, for a message: its first kShownTarget characters
// ("..." after them when there were more), less the login of an address
// with "://" ("mailto:a@b" stays as it is).
constexpr uint32_t kShownTarget = 200;
void ShownRedirectTarget(const char* url, TextBuffer& out);

// What a fetch hands its owner with a redirect (kCodeRedirect): the
// Location's value, and whether all of it arrived. A Location longer than
// a header line may be comes cut, whole 0: it is never followed.
struct RedirectNotice {
    const char* location;
    uint16_t whole;
};

// A redirect's Location, from the URL that answered after `followed`
// redirects: 0 when it is to be followed (next holds the resolved URL), else
// the message that refuses it (kMsgRedirectRefused, kMsgTooManyRedirects,
// kMsgRedirectDowngrade). A Location that is not whole is refused. shown
// gets where it led, for either.
uint16_t RedirectRefusal(const char* current, const char* location, uint32_t followed, TextBuffer& next,
                         TextBuffer& shown, uint16_t whole = 1);

// 1 for "http://", 2 for "https://" at the start of url (any case), else 0.
uint16_t WebSchemeOf(const char* url);

// The redirects of one fetch: the URL it stands at (the base of the next
// Location), how many it followed, and the URL of a redirect taken until it
// is followed.
class RedirectTrail {
public:
    RedirectTrail();
    // A new fetch of url: nothing followed, nothing waiting. 0 when url
    // cannot be kept.
    uint16_t Begin(const char* url);
    // A redirect came (its Location, and whether all of it arrived): 0 when
    // it is to be followed (its URL waits from now on), else the message
    // that refuses it (RedirectRefusal's). shown gets where it led.
    uint16_t Take(const char* location, uint16_t whole, TextBuffer& shown);
    // Hands the waiting URL over into next; 0 (next empty) when none waits.
    uint16_t TakeWaiting(TextBuffer& next);
    // The fetch went on to url: one more followed, and url is the base of
    // the next Location. 0 when url cannot be kept.
    uint16_t Followed(const char* url);
    // Forgets the waiting URL: the fetch was stopped.
    void Drop() { next_.Clear(); }

    bool Waiting() const { return !next_.Empty(); }
    const char* Url() const { return url_.Text(); }
    uint32_t Count() const { return followed_; }

private:
    TextBuffer url_;
    TextBuffer next_;
    uint32_t followed_;
};

#endif
