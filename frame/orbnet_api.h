/*
 * OrbNetN01.dll: the interface a host application programs against.
 * Usable from C and C++. Link with the import library, or load the DLL and
 * take the entry points with GetProcAddress (the Proc types below).
 *
 * Every function uses the WINAPI (stdcall) convention; so must the
 * callbacks a host passes in. Texts are zero-terminated, in the system's
 * ANSI code page. Buffers the library fills are given with their size in
 * bytes; a result that does not fit is cut to size - 1 and terminated; a
 * null buffer or a size of 0 receives nothing.
 */
#ifndef ORBNET_FRAME_ORBNET_API_H
#define ORBNET_FRAME_ORBNET_API_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Results of the exports. */
#define ORBNET_OK 0          /* done */
#define ORBNET_CANCELLED 1   /* the user cancelled */
#define ORBNET_FAILED 2      /* failed; the user has been told why */
#define ORBNET_NO_LANGUAGE 3 /* NETInit: the language module is missing */
#define ORBNET_NO_HOST 4     /* the URL names no host */
#define ORBNET_NO_DIALOG 65535 /* a dialog could not be created */

/* NETSaveAs flags. */
#define ORBNET_SAVE_SHOW_GRAPHICS 1 /* offer "save the page's graphics too" */
#define ORBNET_SAVE_KNOWN_TYPES 2   /* keep an extension any file type knows */
#define ORBNET_SAVE_NAME_FOLLOWS 4  /* a suggested name follows the local path */
#define ORBNET_SAVE_KEEP_LIST 8     /* the host frees the prepare callback's list */

/* NETOpen and NETBrowse caller flags: 0 offers FTP servers only. */
#define ORBNET_OPEN_FTP_ONLY 0
#define ORBNET_OPEN_WEB_TOO 1

/* Asked for help on a dialog: its help id. Any result. */
typedef unsigned short(WINAPI* OrbHelpCallback)(DWORD helpId);

/* Supplies the file types of a file dialog. kind: 1 Open and Browse, 2 Save
 * As. Fill buffer (size bytes, 2048) with fields separated by the character
 * 0x01, taken in pairs: a description, then its extensions (".doc", or
 * several separated by spaces or ";"), e.g. "Documents\1.doc\1Pages\1.htm".
 * *defaultIndex (preset to 0) names the pair chosen first. Return nonzero
 * when the buffer was filled. */
typedef unsigned short(WINAPI* OrbFilterCallback)(WORD kind, char* buffer, WORD size, WORD* defaultIndex);

/* Called by NETSaveAs before a store. localPath (in and out, size bytes,
 * 256) is the file to store and may be rewritten; typeDescription names the
 * chosen file type; graphics is 1 when the user asked for the page's
 * graphics; remoteUrl is where the file goes. *moreFiles (preset to null)
 * may receive further local files to store beside it, in the same
 * directory under their own names: zero-terminated paths one after another,
 * ended by an empty one ("a.gif\0b.gif\0\0"). Allocate that list with
 * GlobalAlloc(GMEM_FIXED, size): the library frees it with GlobalFree once
 * the store has started (or was given up), unless ORBNET_SAVE_KEEP_LIST is
 * set, when the host frees it itself. Return 0 to give the store up. */
typedef unsigned short(WINAPI* OrbPrepareStoreCallback)(char* localPath, WORD size, const char* typeDescription,
                                                        WORD graphics, char** moreFiles, const char* remoteUrl);

/* A login for NETRetrieveFile and the stores, over the stored host's. */
typedef struct OrbLoginInfo {
    const char* userName;
    const char* password;
    WORD passive; /* nonzero: passive data connections */
} OrbLoginInfo;

/* A proxy for NETRetrieveFile and the stores. */
typedef struct OrbProxyInfo {
    const char* host;
    WORD port;
    WORD kind; /* 1: World Wide Web proxy; anything else: FTP proxy */
} OrbProxyInfo;

/* Start and end of a working period; NETInit loads the language module
 * ("en": orbntenn1.dll beside the library). */
LONG WINAPI NETInit(char* languageCode, OrbHelpCallback help);
LONG WINAPI NETClean(void);
/* ORBNET_OK when the network can be used. */
LONG WINAPI NETAvailable(void);
/* The settings dialog. */
LONG WINAPI NETOptions(HWND owner);
/* Picks a remote file and fetches it into a new temporary file: its URL,
 * the temporary file's path (the host's to delete), the date line (an FTP
 * listing line or an HTTP Last-Modified value), and *recordOpen: 1 when the
 * user wants opened documents recorded. */
LONG WINAPI NETOpen(HWND owner, char* url, WORD urlSize, char* localPath, WORD localSize, char* date,
                    WORD dateSize, WORD* recordOpen, OrbFilterCallback filter, WORD callerFlags);
/* Picks a remote file and returns its URL only. */
LONG WINAPI NETBrowse(HWND owner, char* url, WORD urlSize, OrbFilterCallback filter, WORD callerFlags);
/* Picks a remote place and stores localPath there. name: in, a suggested
 * name or "ftp://" URL; out, the URL stored to. With ORBNET_SAVE_NAME_FOLLOWS
 * localPath is followed, after its terminating zero, by the suggested file
 * name. furtherText is kept for the host and never read. */
LONG WINAPI NETSaveAs(HWND owner, char* name, WORD nameSize, const char* localPath, const char* furtherText,
                      OrbFilterCallback filter, OrbPrepareStoreCallback prepare, WORD saveFlags);
LONG WINAPI NETBrowseDirectory(HWND owner, char* url, WORD urlSize, const char* startUrl, WORD hostChoice,
                               const char* prompt, DWORD* browser);
void WINAPI NETCloseBrowseDirectory(HWND browser);
/* Fetches url into localFile (empty: a new temporary file, whose name is
 * returned there). */
LONG WINAPI NETRetrieveFile(HWND owner, const char* url, char* localFile, WORD localSize, char* second,
                            WORD secondSize, const OrbProxyInfo* proxy, const OrbLoginInfo* login);
LONG WINAPI NETStoreFile(HWND owner, const char* url, const char* localFile, const char* unused,
                         const OrbProxyInfo* proxy, const OrbLoginInfo* login);
/* files: count zero-terminated local paths one after another. */
LONG WINAPI NETStoreMultipleFiles(HWND owner, const char* url, const char* files, WORD count,
                                  const OrbProxyInfo* proxy, const OrbLoginInfo* login);

/* The entry points' types, for GetProcAddress. */
typedef LONG(WINAPI* NETInitProc)(char* languageCode, OrbHelpCallback help);
typedef LONG(WINAPI* NETCleanProc)(void);
typedef LONG(WINAPI* NETAvailableProc)(void);
typedef LONG(WINAPI* NETOptionsProc)(HWND owner);
typedef LONG(WINAPI* NETOpenProc)(HWND owner, char* url, WORD urlSize, char* localPath, WORD localSize, char* date,
                                  WORD dateSize, WORD* recordOpen, OrbFilterCallback filter, WORD callerFlags);
typedef LONG(WINAPI* NETBrowseProc)(HWND owner, char* url, WORD urlSize, OrbFilterCallback filter, WORD callerFlags);
typedef LONG(WINAPI* NETSaveAsProc)(HWND owner, char* name, WORD nameSize, const char* localPath,
                                    const char* furtherText, OrbFilterCallback filter, OrbPrepareStoreCallback prepare,
                                    WORD saveFlags);
typedef LONG(WINAPI* NETBrowseDirectoryProc)(HWND owner, char* url, WORD urlSize, const char* startUrl,
                                             WORD hostChoice, const char* prompt, DWORD* browser);
typedef void(WINAPI* NETCloseBrowseDirectoryProc)(HWND browser);
typedef LONG(WINAPI* NETRetrieveFileProc)(HWND owner, const char* url, char* localFile, WORD localSize, char* second,
                                          WORD secondSize, const OrbProxyInfo* proxy, const OrbLoginInfo* login);
typedef LONG(WINAPI* NETStoreFileProc)(HWND owner, const char* url, const char* localFile, const char* unused,
                                       const OrbProxyInfo* proxy, const OrbLoginInfo* login);
typedef LONG(WINAPI* NETStoreMultipleFilesProc)(HWND owner, const char* url, const char* files, WORD count,
                                                const OrbProxyInfo* proxy, const OrbLoginInfo* login);

#ifdef __cplusplus
}
#endif

#endif
