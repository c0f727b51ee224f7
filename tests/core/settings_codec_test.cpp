// Field scrambling, field splitting and the stored list value formats.
#include <gtest/gtest.h>

#include <string>

#include "settings/core/field_codec.h"
#include "settings/core/list_formats.h"

namespace {

std::string Encode(const std::string& text) {
    std::string out(2 * text.size() + 1, '?');
    EXPECT_EQ(EncodeField(text.c_str(), &out[0], out.size()), 1);
    return out.c_str();
}

std::string Decode(const char* hex, size_t size = 1024) {
    std::string out(size, '?');
    uint16_t n = DecodeField(hex, &out[0], out.size());
    std::string text = out.c_str();
    EXPECT_EQ(n, text.size());
    return text;
}

TEST(FieldCodec, EncodesAndDecodesKnownValues) {
    // Hand-computed: (code - 7) rotated right by position mod 8, two hex digits.
    struct {
        const char* text;
        const char* hex;
    } table[] = {
        {"", ""},
        {"abc", "2dd68b"},
        {"\x07", "00"},
        {"A", "1d"},
        {"Work", "281a6d46"},
        {"WORK", "28126944"},
        {"/pub/dir", "145acdb54175c46b"},  // eighth character: no rotation
        {"ftp.example.com", "af5b2d72f2c5b466b459cb72e2a1cc"},
        {"pass word!", "b4968dc6c8c1d06bae86"},
    };
    for (auto& row : table) {
        EXPECT_EQ(Encode(row.text), row.hex) << row.text;
        EXPECT_EQ(Decode(row.hex), row.text) << row.hex;
    }
}

TEST(FieldCodec, DecodesOddAndForeignHexAsStrtolWould) {
    struct {
        const char* hex;
        std::string text;
    } table[] = {
        {"2dd68", "abG"},           // last digit alone: 0x08 at position 3
        {"000000000000000000", std::string(9, '\x07')},  // "00" is code 7 anywhere
        {"zz", "\x07"},             // no digits: 0
        {"2z", "\x0b"},             // digits end at the first non-hex character
        {" a", "\x1b"},             // leading space skipped: 0x0a
        {"-1", "\x06"},             // sign taken: -1 keeps its low byte 0xff
        {"0x1d", "\x07{"},      // "0x" alone reads as 0; 0x1d at position 2
    };
    for (auto& row : table) EXPECT_EQ(Decode(row.hex), row.text) << row.hex;
}

TEST(FieldCodec, EveryByteRoundTripsAndOutputsStayBounded) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(Decode(Encode(all).c_str()), all);

    // Decoding into a small destination cuts the text.
    EXPECT_EQ(Decode("2dd68b", 3), "ab");
    EXPECT_EQ(Decode("2dd68b", 1), "");
    // Encoding into a small destination keeps whole pairs and reports it.
    char small[6] = "#####";
    EXPECT_EQ(EncodeField("abc", small, sizeof small), 0);
    EXPECT_STREQ(small, "2dd6");

    TextBuffer b(4);
    b.Assign("x,");
    EXPECT_EQ(AppendEncodedField(b, all.c_str()), 1);
    EXPECT_EQ(std::string(b.Text()), "x," + Encode(all));
}

TEST(FieldCodec, SplitFieldCutsAtCommas) {
    char text[] = "ab,,c";
    char* p = text;
    char* first = p;
    p = SplitField(p);
    char* second = p;
    p = SplitField(p);
    char* third = p;
    p = SplitField(p);
    EXPECT_STREQ(first, "ab");
    EXPECT_STREQ(second, "");
    EXPECT_STREQ(third, "c");
    EXPECT_EQ(p, text + 5);           // at the terminator
    EXPECT_EQ(SplitField(p), p);      // further fields read as empty
}

TEST(ListFormats, HostValueParsesAndBuilds) {
    // description "Mirror Site A", host "ftp.example.com", user "x@y",
    // passwords "abc" and "pass word!", directory "/pub/dir", flags 8 1 4 2 =
    // 1 0 1 1, proxy "proxy.local".
    const char* stored =
        "23986db643ad324c315bcb91d1,af5b2d72f2c5b466b459cb72e2a1cc,b84e4e,2dd68b,"
        "b4968dc6c8c1d06bae86,145acdb54175c46b,1,0,1,1,b4da0d17939cca682e96ac";
    HostValue h;
    ParseHostValue(stored, h);
    EXPECT_STREQ(h.description, "Mirror Site A");
    EXPECT_STREQ(h.hostName, "ftp.example.com");
    EXPECT_STREQ(h.userName, "x@y");
    EXPECT_STREQ(h.anonymousPassword, "abc");
    EXPECT_STREQ(h.password, "pass word!");
    EXPECT_STREQ(h.initialDirectory, "/pub/dir");
    EXPECT_EQ(h.hostFlags, kHostStorePasswords | kHostPassive | kHostUseProxy);
    EXPECT_STREQ(h.proxyName, "proxy.local");

    HostTexts texts = {h.description, h.hostName, h.userName, h.anonymousPassword,
                       h.password, h.initialDirectory, h.proxyName, h.hostFlags};
    TextBuffer built(64);
    ASSERT_EQ(BuildHostValue(texts, built), 1);
    EXPECT_STREQ(built.Text(), stored);

    // Without "store the passwords" fields 4 and 5 are written empty.
    texts.hostFlags = kHostAnonymous;
    ASSERT_EQ(BuildHostValue(texts, built), 1);
    EXPECT_STREQ(built.Text(),
                 "23986db643ad324c315bcb91d1,af5b2d72f2c5b466b459cb72e2a1cc,b84e4e,,,"
                 "145acdb54175c46b,0,1,0,0,b4da0d17939cca682e96ac");
}

TEST(ListFormats, ShortAndOverlongFieldsStayInBounds) {
    HostValue h;
    ParseHostValue("1d", h);  // only a description: the rest empty, flags clear
    EXPECT_STREQ(h.description, "A");
    EXPECT_STREQ(h.hostName, "");
    EXPECT_STREQ(h.proxyName, "");
    EXPECT_EQ(h.hostFlags, 0);

    // Fields longer than their limits are cut (user name: 63, host: 127).
    std::string user(200, '0');
    std::string host(260, '0');
    ParseHostValue(("1d," + host + "," + user + ",,,,2,1x,1").c_str(), h);
    EXPECT_EQ(std::string(h.hostName), std::string(127, '\x07'));
    EXPECT_EQ(std::string(h.userName).size(), 63u);
    EXPECT_EQ(h.hostFlags, kHostAnonymous | kHostPassive);  // first character decides

    ProxyValue p;
    ParseProxyValue((std::string(400, '0') + ",8080").c_str(), p);
    EXPECT_EQ(std::string(p.name), std::string(127, '\x07'));
    EXPECT_EQ(p.port, 8080);
    ParseProxyValue("1d", p);
    EXPECT_STREQ(p.name, "A");
    EXPECT_EQ(p.port, 0);

    UrlValue u;
    ParseUrlValue((std::string(600, '0') + ",1d").c_str(), u);
    EXPECT_EQ(std::string(u.url), std::string(255, '\x07'));
    EXPECT_STREQ(u.proxy, "");  // the proxy lies beyond the 511 characters read
    ParseUrlValue("9d", u);
    EXPECT_STREQ(u.url, "B");
    EXPECT_STREQ(u.proxy, "");
}

TEST(ListFormats, PortsAndProxyAndUrlValues) {
    struct {
        const char* text;
        uint16_t port;
    } ports[] = {{"21", 21}, {"", 0}, {"http", 0}, {"70000", 4464}, {"8080x", 8080},
                 {"99999999999999999999", 65535}, {"-80", 0}};
    for (auto& row : ports) EXPECT_EQ(ParsePort(row.text), row.port) << row.text;

    TextBuffer b(64);
    ASSERT_EQ(BuildProxyValue("proxy.local", 3128, b), 1);
    EXPECT_STREQ(b.Text(), "b4da0d17939cca682e96ac,3128");
    ASSERT_EQ(BuildUrlValue("http://www.example.com/a.htm", "", b), 1);
    EXPECT_STREQ(b.Text(), "b05bad9699a05070381ce4e58b69cc69b297e4c54399505a9358ad66,");
    ASSERT_EQ(BuildUrlValue("abc", "A", b), 1);
    EXPECT_STREQ(b.Text(), "2dd68b,1d");
}

}  // namespace
