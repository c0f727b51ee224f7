#ifndef ORBNET_FRAME_STRING_IDS_H
#define ORBNET_FRAME_STRING_IDS_H

// The library's own string table (resources/orbnet.rc).
enum LibraryString : unsigned short {
    kStrSocketWindowClass = 257,  // "ORBNETAsyncSocketWindow"
    kStrAnonymous = 258,          // "anonymous"
    kStrVisit = 259,              // "visit"
    kStrLanguageModule = 262,     // "orbnt%sn1.dll"
    kStrLineEnd = 263,            // "\r\n"
    kStrFtpScheme = 264,          // "ftp://"
    kStrSectionHosts = 265,       // "FTP Hosts"
    kStrSectionOptions = 266,     // "Options"
    kStrSocketLibrary = 273,      // "wsock32.dll"
    kStrSectionFtpProxies = 275,  // "FTP Proxies"
    kStrSectionWwwProxies = 277,  // "WWW Proxies"
    kStrHttpScheme = 278,         // "http://"
    kStrHost = 279,               // "host"
    kStrSectionUrls = 281,        // "URLs"
    kStrLogFile = 282,            // "orbnet.log"
    kStrLogIn = 283,              // "<-- "
    kStrLogOut = 284,             // "--> "
    kStrGopherScheme = 285,       // "gopher://"
    kStrWaisScheme = 286,         // "wais://"
    kStrLogPass = 287,            // "PASS xxxxx\r\n"
    kStrHttpsScheme = 288,        // "https://"
    kStrSettingsRoot = 290,       // "Software\Marlin\Components\Internet\1.0\"
    kStrSecurityLibrary = 291,    // "secur32.dll"
    kStrCertificateLibrary = 292, // "crypt32.dll"

    kStrUser = 513, kStrPass = 514, kStrQuit = 515, kStrPasv = 516, kStrType = 517,
    kStrList = 518, kStrPwd = 519, kStrCwd = 520, kStrRetr = 528, kStrPort = 529,
    kStrStor = 530, kStrMkd = 531,

    kStrHttpVersionPrefix = 672,  // "HTTP/"
    kStrGet = 673,                // "GET "
    kStrAccept = 674,             // "Accept: */*"
    kStrUserAgent = 675,          // "User-Agent: Marlin Internet/v1.0"
    kStrHttpVersion = 676,        // "1.0"
    kStrLastModified = 677,       // "Last-Modified:"
    kStrContentType = 680,        // "Content-Type: "
};

// Texts of the language resource module (ids from 769 up).
enum LanguageString : unsigned short {
    kMsgReceiving = 769, kMsgBytesReceived = 770, kMsgCaption = 771, kMsgTempPrefix = 772,
    kMsgSending = 773, kMsgBytesSent = 774, kMsgPasswordTitle = 776, kMsgPasswordText = 777,
    kMsgNoDefaultProxy = 778, kMsgFtpModeNote = 780, kMsgWebModeNote = 781, kMsgSaveWebNote = 783,
    kMsgBrowseAction = 788, kMsgBrowseTitle = 789, kMsgNewFolder = 790, kMsgCreateAction = 791,
    kMsgChooseDirectory = 792, kMsgSeveralFiles = 793,
    // The progress window's readable texts.
    kMsgCountOfTotal = 794, kMsgReceivedReadable = 795, kMsgSentReadable = 796, kMsgPercent = 797,
    kMsgRate = 798, kMsgRateAndLeft = 799, kMsgSizeBytes = 800, kMsgSizeKilobytes = 801,
    kMsgSizeMegabytes = 802, kMsgSizeGigabytes = 803, kMsgSizeTerabytes = 804, kMsgDecimalPoint = 805,
    kMsgSeconds = 806, kMsgMinutesSeconds = 807, kMsgMinutes = 808, kMsgHoursMinutes = 809,
    kStatusClosing = 1025, kStatusConnecting = 1026, kStatusLoggingIn = 1027,
    kStatusDisconnected = 1028, kStatusListing = 1029, kStatusTransferFailed = 1030,
    kStatusReply = 1031, kStatusConnected = 1032, kStatusFetching = 1033,
    kStatusPreparing = 1040, kStatusStoring = 1041, kStatusLoginAbandoned = 1042,
    kStatusCreatingFolder = 1043,
    kMsgCancelTransfer = 1281, kMsgConnectOther = 1282, kMsgLoadFailed = 1284,
    kMsgSocketUnusable = 1285, kMsgTooFewSockets = 1286, kMsgPasswordMismatch = 1287,
    kMsgStoreChanges = 1288, kMsgProxyMissing = 1289, kMsgCannotConnect = 1291,
    kMsgLoginRefused = 1292, kMsgTransferFailed = 1293, kMsgListingFailed = 1294,
    kMsgNoHost = 1295,
    kMsgServerSilent = 1296,  // host, seconds: the server fell silent
    // A redirect not followed, with the address it named.
    kMsgTooManyRedirects = 1297, kMsgRedirectDowngrade = 1298, kMsgRedirectRefused = 1299,
    // https: the server's identity and the secure connection.
    kMsgUntrustedServer = 1300, kMsgServerNameMismatch = 1301, kMsgCertificateDates = 1302,
    kMsgServerNotVerified = 1303, kMsgSecureFailed = 1304, kMsgNoSecurityProvider = 1305,
    kMsgProxyRefusedTunnel = 1306,
    // The file dialog: names too long to send, folders not made, a document
    // replaced, a listing cut short (status line).
    kMsgNameTooLong = 1307, kMsgFolderNotMade = 1308, kMsgReplaceDocument = 1309,
    kStatusListingCutLines = 1310, kStatusListingCutSize = 1311, kStatusListingCutTime = 1312,
    // An FTP login that cannot go to a Web proxy in the URL: host, proxy.
    kMsgLoginNotCarried = 1330,
    // A store the server did not get whole (file, host).
    kMsgStoreAnsweredEarly = 1340, kMsgStoreDataCut = 1341,
    // The settings dialogs: a new entry to store, texts too long to keep.
    kMsgStoreNewHost = 1320, kMsgStoreNewProxy = 1321, kMsgPasswordTooLong = 1322,
    kMsgHostTooLong = 1323, kMsgProxyNameTooLong = 1324,
};

#endif
