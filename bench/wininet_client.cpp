// wininet_client: the same transfers as the benchmark runs through the
// library, done with the system's WinINet, one transfer per process.
//
//   wininet_client ftp-get HOST PORT REMOTE LOCAL passive|active [USER PASS]
//   wininet_client ftp-put HOST PORT LOCAL REMOTE passive|active [USER PASS]
//   wininet_client http-get URL LOCAL          (an http:// or https:// URL)
//   wininet_client --trust-ca PEM
//
// Without USER the FTP login is anonymous. --trust-ca adds the test
// certificate authority in PEM to this Wine prefix's trusted roots and does
// nothing else. Exit code 0 on success; on a failure the failing call and its
// error are printed to stderr.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "test_ca.h"  // tests/win

namespace {

int Fail(const char* what) {
    DWORD error = GetLastError();
    std::fprintf(stderr, "wininet_client: %s failed (error %lu)\n", what, static_cast<unsigned long>(error));
    if (error == ERROR_INTERNET_EXTENDED_ERROR) {
        char text[512];
        DWORD code = 0, size = sizeof text;
        if (InternetGetLastResponseInfoA(&code, text, &size)) std::fprintf(stderr, "server: %s\n", text);
    }
    return 1;
}

void Usage() {
    std::fprintf(stderr,
                 "usage: wininet_client [--repeat N] ftp-get HOST PORT REMOTE LOCAL passive|active [USER PASS]\n"
                 "       wininet_client [--repeat N] ftp-put HOST PORT LOCAL REMOTE passive|active [USER PASS]\n"
                 "       wininet_client [--repeat N] http-get URL LOCAL\n"
                 "       wininet_client --trust-ca PEM\n"
                 "  --repeat N: the transfer N times, one after another\n");
}

// Closes an internet handle when it goes out of scope.
struct Handle {
    HINTERNET h;
    explicit Handle(HINTERNET handle) : h(handle) {}
    ~Handle() {
        if (h) InternetCloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

int Ftp(bool put, int argc, char** argv) {
    if (argc != 7 && argc != 9) { Usage(); return 64; }
    const char* host = argv[2];
    int port = std::atoi(argv[3]);
    bool passive = std::strcmp(argv[6], "passive") == 0;
    if (!passive && std::strcmp(argv[6], "active") != 0) { Usage(); return 64; }
    const char* user = argc == 9 ? argv[7] : nullptr;
    const char* password = argc == 9 ? argv[8] : nullptr;

    Handle inet(InternetOpenA("wininet_client", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!inet.h) return Fail("InternetOpen");
    Handle session(InternetConnectA(inet.h, host, static_cast<INTERNET_PORT>(port), user, password,
                                    INTERNET_SERVICE_FTP, passive ? INTERNET_FLAG_PASSIVE : 0, 0));
    if (!session.h) return Fail("InternetConnect");
    if (put) {
        if (!FtpPutFileA(session.h, argv[4], argv[5], FTP_TRANSFER_TYPE_BINARY, 0)) return Fail("FtpPutFile");
    } else {
        if (!FtpGetFileA(session.h, argv[4], argv[5], FALSE, FILE_ATTRIBUTE_NORMAL,
                         FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0))
            return Fail("FtpGetFile");
    }
    return 0;
}

int HttpGet(int argc, char** argv) {
    if (argc != 4) { Usage(); return 64; }
    Handle inet(InternetOpenA("wininet_client", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!inet.h) return Fail("InternetOpen");
    // Straight from the server into the file: no cache copy.
    Handle request(InternetOpenUrlA(inet.h, argv[2], nullptr, 0,
                                    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE,
                                    0));
    if (!request.h) return Fail("InternetOpenUrl");
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return Fail("HttpQueryInfo");
    if (status != 200) {
        std::fprintf(stderr, "wininet_client: HTTP status %lu\n", static_cast<unsigned long>(status));
        return 1;
    }
    HANDLE file = CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail("CreateFile");
    static char buffer[64 * 1024];
    int result = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.h, buffer, sizeof buffer, &got)) { result = Fail("InternetReadFile"); break; }
        if (got == 0) break;
        DWORD written = 0;
        if (!WriteFile(file, buffer, got, &written, nullptr) || written != got) { result = Fail("WriteFile"); break; }
    }
    if (!CloseHandle(file) && result == 0) result = Fail("CloseHandle");
    if (result != 0) DeleteFileA(argv[3]);
    return result;
}

}  // namespace

int Transfer(int argc, char** argv) {
    if (argc < 2) { Usage(); return 64; }
    if (std::strcmp(argv[1], "ftp-get") == 0) return Ftp(false, argc, argv);
    if (std::strcmp(argv[1], "ftp-put") == 0) return Ftp(true, argc, argv);
    if (std::strcmp(argv[1], "http-get") == 0) return HttpGet(argc, argv);
    Usage();
    return 64;
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--trust-ca") == 0) {
        if (argc != 3) { Usage(); return 64; }
        std::string error;
        if (!TrustTestCa(argv[2], &error)) {
            std::fprintf(stderr, "wininet_client: the test CA %s is not trusted: %s\n", argv[2], error.c_str());
            return 1;
        }
        return 0;
    }
    int repeat = 1;
    if (argc >= 3 && std::strcmp(argv[1], "--repeat") == 0) {
        repeat = std::atoi(argv[2]);
        if (repeat < 1) { Usage(); return 64; }
        argc -= 2;
        argv += 2;
    }
    for (int i = 0; i < repeat; ++i) {
        int result = Transfer(argc, argv);
        if (result != 0) return result;
    }
    return 0;
}
