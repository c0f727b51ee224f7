#ifndef ORBNET_UI_FILEDIALOG_REMOTE_LOCATION_H
#define ORBNET_UI_FILEDIALOG_REMOTE_LOCATION_H

#include <cstdint>

#include "frame/core/text_buffer.h"

// The longest name or directory the dialogs send in one command; a longer
// one is refused with a message, never cut.
constexpr uint32_t kMaxRemoteName = 4096;

// Where the file dialog stands on a server: a path of segments, absolute
// (from the root) or relative to the login directory. It follows each
// directory change the person makes and takes the server's own absolute
// path whenever PWD names one, so it holds where the server is even when
// PWD is refused, unreadable or in a form that is no path (VMS).
class RemoteLocation {
public:
    RemoteLocation();

    // The login directory.
    void Reset();
    // A change of directory with this argument succeeded: "/a/b" from the
    // root ("\a\b", "C:\a" and "C:/a" too, the drive left out), "x/y"
    // below here, "." and "" stay, ".." goes one up (at the login
    // directory it is kept as a segment: the login directory's parent). 0
    // when the result does not fit (unchanged).
    uint16_t Enter(const char* argument);
    // What PWD named. An absolute path, in the forms Enter takes, replaces
    // the record and returns 1; anything else leaves it and returns 0.
    uint16_t TakeServerPath(const char* pwd);

    bool Absolute() const { return absolute_; }
    // The segments joined by "/", without a leading or trailing one; ""
    // at the root or the login directory.
    const char* Path() const { return path_.Text(); }
    // "/a/b" ("/" for the root) or "a/b" ("" for the login directory).
    void Display(TextBuffer& out) const;

private:
    bool absolute_;
    TextBuffer path_;
};

// Appends one segment of an ftp URL's path, percent-encoded: every byte but
// letters, digits and -._~!$&'()*+,= becomes "%XX" ("%", "/", "\", "?",
// "#", "@", ":", ";", blanks, control bytes and bytes of 0x80 and above
// among them). 0 when it does not fit (out unchanged).
uint16_t AppendUrlSegment(const char* bytes, uint32_t length, TextBuffer& out);

// The URL of a name at location on host: "ftp://", the host as the session
// connected to it (a name or address and an optional ":port"; one holding
// anything else, such as "@", "/", "?", "#", "\", blanks or control bytes,
// is refused), "/", the location's segments each followed by "/", then the
// name encoded with its own "/" kept as separators. Without a name (null
// or "") the URL names the directory and ends in "/". 0 when refused or it
// does not fit (out unchanged).
uint16_t BuildRemoteUrl(const char* host, const RemoteLocation& location, const char* name, TextBuffer& out);

#endif
