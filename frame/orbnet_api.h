#ifndef ORBNET_FRAME_ORBNET_API_H
#define ORBNET_FRAME_ORBNET_API_H

// The library's exported interface, as host applications see it.
#include <windows.h>

typedef unsigned short (WINAPI *OrbHelpCallback)(DWORD helpId);
typedef unsigned short (WINAPI *OrbFilterCallback)(WORD kind, char* buffer, WORD size, WORD* defaultIndex);
typedef unsigned short (WINAPI *OrbPrepareStoreCallback)(char* localPath, WORD size, const char* typeDescription,
                                                        WORD graphics, char** moreFiles, const char* remoteUrl);

struct OrbLoginInfo {
    const char* userName;
    const char* password;
    WORD passive;  // nonzero: passive data connections
};

struct OrbProxyInfo {
    const char* host;
    WORD port;
    WORD kind;  // 1: World Wide Web proxy; anything else: FTP proxy
};

// Results: 0 success, 1 cancelled, 2 failure, 3 no language module,
// 4 no usable host, 65535 the dialog could not be created.
extern "C" {
typedef LONG (WINAPI *NETInitProc)(char* languageCode, OrbHelpCallback help);
typedef LONG (WINAPI *NETCleanProc)(void);
typedef LONG (WINAPI *NETAvailableProc)(void);
typedef LONG (WINAPI *NETOptionsProc)(HWND owner);
typedef LONG (WINAPI *NETOpenProc)(HWND owner, char* url, WORD urlSize, char* localPath, WORD localSize,
                                   char* date, WORD dateSize, WORD* recordOpen, OrbFilterCallback filter,
                                   WORD callerFlags);
typedef LONG (WINAPI *NETBrowseProc)(HWND owner, char* url, WORD urlSize, OrbFilterCallback filter, WORD callerFlags);
typedef LONG (WINAPI *NETSaveAsProc)(HWND owner, char* name, WORD nameSize, const char* localPath,
                                     const char* furtherText, OrbFilterCallback filter,
                                     OrbPrepareStoreCallback prepare, WORD saveFlags);
typedef LONG (WINAPI *NETBrowseDirectoryProc)(HWND owner, char* url, WORD urlSize, const char* startUrl,
                                              WORD hostChoice, const char* prompt, DWORD* browser);
typedef void (WINAPI *NETCloseBrowseDirectoryProc)(HWND browser);
typedef LONG (WINAPI *NETRetrieveFileProc)(HWND owner, const char* url, char* localFile, WORD localSize,
                                           char* second, WORD secondSize, const OrbProxyInfo* proxy,
                                           const OrbLoginInfo* login);
typedef LONG (WINAPI *NETStoreFileProc)(HWND owner, const char* url, const char* localFile, const char* unused,
                                        const OrbProxyInfo* proxy, const OrbLoginInfo* login);
typedef LONG (WINAPI *NETStoreMultipleFilesProc)(HWND owner, const char* url, const char* files, WORD count,
                                                 const OrbProxyInfo* proxy, const OrbLoginInfo* login);
}

#endif
