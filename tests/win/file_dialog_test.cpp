// NETOpen, NETBrowse and NETSaveAs as a host calls them, the Internet file
// dialog worked as a person works it, against pyftpdlib (127.0.0.8, its
// root ./fdservers/ftproot), the scripted HTTP server and tinyproxy.
#include "file_dialog_fixture.h"
#include "test_ca.h"

extern "C" int CHeaderCallsTheLibrary(void);

namespace {

const char kFtp[] = "127.0.0.8";
const char kRoot[] = "fdservers\\ftproot\\";
const char kHttpState[] = "scripted\\fd_http\\";
const char kProxyState[] = "tinyproxy\\";

class FileDialogTest : public FileDialogFixture {
protected:
    void SetUp() override {
        FileDialogFixture::SetUp();
        SetSetting("FTP Hosts", "Host1", EncodedHost("Test server", kFtp, "alice", "secret", "", kPassive));
        SetSetting("FTP Hosts", "Host2", EncodedHost("Public files", "127.0.0.8:0021", "", "", "/pub",
                                                   kHostAnonymous | kHostStorePasswords));
        SetSetting("FTP Hosts", "Host3", EncodedHost("Ask me", "127.0.0.8:021", "alice", "", "", kPassive));
        SetSetting("FTP Hosts", "Host4", EncodedHost("Wrong password", "127.0.0.8:21", "alice", "nope", "", kPassive));
        CreateDirectoryA((std::string(kRoot) + "pub\\my docs").c_str(), nullptr);
        WriteWholeFile(std::string(kRoot) + "pub\\my docs\\two words.txt", "Two words in a name.\r\n");
    }
};

// ---- the public header

TEST(PublicHeader, UsableFromC) {
    // Built as C: the header, its records and callbacks, and the exports
    // reached through their Proc types.
    EXPECT_EQ(CHeaderCallsTheLibrary(), ORBNET_OK);
}

// ---- layout


// What a person sees of the dialog: no two visible controls overlap (the
// note panel's texts lie on its frame), every label's text fits its
// control, the tab order goes down the rows, the action button is the default.
void CheckLayout(HWND d, const char* mode, int defaultButton = ORB_FD_ACTION) {
    SCOPED_TRACE(mode);
    struct Control {
        HWND window;
        int id;
        RECT r;
        bool frame;  // a group box: it frames the controls inside it
        std::string cls;
    };
    std::vector<Control> shown;
    RECT client;
    GetClientRect(d, &client);
    for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        char cls[32] = "";
        GetClassNameA(c, cls, sizeof cls);
        Control item{c, GetDlgCtrlID(c), {}, false, cls};
        item.frame = lstrcmpiA(cls, "Button") == 0 && (GetWindowLongA(c, GWL_STYLE) & 0x0F) == BS_GROUPBOX;
        GetWindowRect(c, &item.r);
        MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&item.r), 2);
        RECT inside;
        EXPECT_TRUE(IntersectRect(&inside, &item.r, &client) && EqualRect(&inside, &item.r))
            << "control " << item.id << " is cut off by the window";
        shown.push_back(item);
    }
    auto onPanel = [](int id) { return id == ORB_PANEL_FRAME || id == ORB_PANEL_TITLE || id == ORB_PANEL_BODY; };
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t j = i + 1; j < shown.size(); ++j) {
            if (onPanel(shown[i].id) && onPanel(shown[j].id)) continue;
            if (shown[i].frame || shown[j].frame) continue;
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &shown[i].r, &shown[j].r))
                << "controls " << shown[i].id << " and " << shown[j].id << " overlap";
        }
    // Labels and buttons: their text fits in one line, or in the lines
    // the control has room for.
    HDC dc = GetDC(d);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(d, WM_GETFONT, 0, 0)));
    for (const Control& c : shown) {
        if (lstrcmpiA(c.cls.c_str(), "Button") && lstrcmpiA(c.cls.c_str(), "Static")) continue;
        char buffer[512] = "";
        GetWindowTextA(c.window, buffer, sizeof buffer);
        std::string text = buffer;
        if (text.empty() || c.id == ORB_FD_STATUS || (c.id == ORB_FD_DIRECTORY && IsFileDialog(d))) continue;
        std::string shownText;
        for (char ch : text)
            if (ch != '&') shownText += ch;
        LONG style = GetWindowLongA(c.window, GWL_STYLE);
        bool box = lstrcmpiA(c.cls.c_str(), "Button") == 0 && (style & 0x0F) != BS_PUSHBUTTON &&
                   (style & 0x0F) != BS_DEFPUSHBUTTON && !c.frame;
        const LONG width = c.r.right - c.r.left - (box ? 16 : 0) - (c.frame ? 16 : 0);
        RECT need = {0, 0, width, 0};
        DrawTextA(dc, shownText.c_str(), -1, &need, DT_CALCRECT | (c.frame ? DT_SINGLELINE : DT_WORDBREAK));
        if (!c.frame) {
            EXPECT_LE(need.bottom, c.r.bottom - c.r.top) << "the text of " << c.id << " does not fit: " << text;
        }
        EXPECT_LE(need.right, width) << "the text of " << c.id << ": " << text;
    }
    SelectObject(dc, old);
    ReleaseDC(d, dc);
    EXPECT_EQ(LOWORD(SendMessageA(d, DM_GETDEFID, 0, 0)), defaultButton);
}

// The visible controls the Tab key visits, in order, from the first one.
std::vector<int> TabOrder(HWND d) {
    std::vector<int> ids;
    HWND first = GetNextDlgTabItem(d, nullptr, FALSE);
    for (HWND c = first; c; c = GetNextDlgTabItem(d, c, FALSE)) {
        ids.push_back(GetDlgCtrlID(c));
        if (GetNextDlgTabItem(d, c, FALSE) == first || ids.size() > 60) break;
    }
    return ids;
}

TEST_F(FileDialogTest, LayoutOfBothModes) {
    driver.Add("FTP mode", [](HWND d) {
        CheckLayout(d, "FTP");
        const std::vector<int> order = {ORB_FD_FTP, ORB_FD_HOSTS, ORB_FD_CONNECT, ORB_FD_EDIT_HOSTS,
                                        ORB_FD_BY_DESCRIPTION, ORB_FD_LEVELS, ORB_FD_ENTRIES, ORB_FD_NAME,
                                        ORB_FD_TYPES, ORB_FD_ACTION, IDCANCEL, ORB_HELP_BUTTON};
        std::vector<int> tabs = TabOrder(d);
        // Buttons without a use yet (disabled) are passed over.
        std::vector<int> expected;
        for (int id : order)
            if (Enabled(d, id)) expected.push_back(id);
        EXPECT_EQ(tabs, expected);
        return true;
    });
    Shot("layout_ftp");
    driver.Add("World Wide Web mode", [](HWND d) {
        CheckDlgButton(d, ORB_FD_FTP, BST_UNCHECKED);
        CheckDlgButton(d, ORB_FD_WEB, BST_CHECKED);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(ORB_FD_WEB, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, ORB_FD_WEB)));
        CheckLayout(d, "Web");
        CheckDlgButton(d, ORB_FD_USE_PROXY, BST_CHECKED);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(ORB_FD_USE_PROXY, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, ORB_FD_USE_PROXY)));
        std::vector<int> expected = {ORB_FD_WEB, ORB_FD_URL, ORB_FD_USE_PROXY, ORB_FD_PROXIES, ORB_FD_PROXY_PORT,
                                     ORB_FD_EDIT_PROXIES, ORB_FD_ACTION, IDCANCEL, ORB_HELP_BUTTON};
        EXPECT_EQ(TabOrder(d), expected);
        return true;
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open(TwoTypes).code, 1);
    // Cancel kept the server choice: the next dialog opens on the Web.
    driver = FileDialogDriver();
    driver.Add("opens on the Web", [](HWND d) {
        EXPECT_EQ(IsDlgButtonChecked(d, ORB_FD_WEB), BST_CHECKED);
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, ORB_FD_URL)));
        return true;
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open(TwoTypes).code, 1);
}

TEST_F(FileDialogTest, LayoutOfSaveAs) {
    driver.Add("Save As", [](HWND d) {
        CheckLayout(d, "Save As");
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, ORB_FD_GRAPHICS)));
        return true;
    });
    Shot("layout_save");
    Press(IDCANCEL);
    std::string name;
    EXPECT_EQ(SaveAs(name, "C:\\docs\\letter.txt", TwoTypes, nullptr, 1), 1);
}

// ---- Open

TEST_F(FileDialogTest, OpenEntersDirectoriesAndFetchesAFileWhoseNameHasSpaces) {
    ConnectTo("Test server", "/");
    driver.Add("root listed, up disabled", [](HWND d) {
        EXPECT_TRUE(HasEntry(d, "pub"));
        EXPECT_FALSE(HasEntry(d, "readme.txt"));
        EXPECT_FALSE(Enabled(d, ORB_FD_UP));
        EXPECT_EQ(ItemText(d, ORB_FD_CONNECTION), "Connected");
        // The two file types, the second chosen: its pattern in the name field.
        EXPECT_EQ(ItemText(d, ORB_FD_TYPES), "Pages");
        EXPECT_EQ(SendDlgItemMessageA(d, ORB_FD_TYPES, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(ItemText(d, ORB_FD_NAME), "*.htm");
        return true;
    });
    Enter("pub", "/pub");
    driver.Add("up enabled", [](HWND d) { return Enabled(d, ORB_FD_UP); });
    driver.Add("every file", [](HWND d) {
        Type(d, ORB_FD_NAME, "*");
        return true;
    });
    Enter("my docs", "/pub/my docs");
    driver.Add("pick the file", [](HWND d) {
        if (!SelectEntry(d, "two words.txt")) return false;
        EXPECT_EQ(ItemText(d, ORB_FD_NAME), "two words.txt");
        EXPECT_NE(ItemText(d, ORB_FD_STATUS).find("two words.txt"), std::string::npos) << ItemText(d, ORB_FD_STATUS);
        return true;
    });
    Shot("open_ftp");
    Press(ORB_FD_ACTION);
    OpenResult r = Open(TwoTypes);
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.url, "ftp://127.0.0.8/pub/my%20docs/two%20words.txt");
    EXPECT_EQ(r.local.substr(r.local.size() - 4), ".txt") << r.local;
    bool exists = false;
    EXPECT_EQ(ReadWholeFile(r.local, &exists), "Two words in a name.\r\n") << r.local << " exists " << exists;
    EXPECT_NE(r.date.find("two words.txt"), std::string::npos) << r.date;
    EXPECT_EQ(r.record, 0);
    DeleteFileA(r.local.c_str());
}

TEST_F(FileDialogTest, UpButtonLevelListAndThePasswordPrompt) {
    ConnectTo("Ask me", "/");
    Enter("pub", "/pub");
    Enter("docs", "/pub/docs");
    driver.Add("level list to pub", [](HWND d) {
        EXPECT_EQ(SendDlgItemMessageA(d, ORB_FD_LEVELS, CB_GETCOUNT, 0, 0), 3);
        SendDlgItemMessageA(d, ORB_FD_LEVELS, CB_SETCURSEL, 1, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(ORB_FD_LEVELS, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, ORB_FD_LEVELS)));
        return true;
    });
    WaitConnected("/pub");
    Press(ORB_FD_UP);
    WaitConnected("/");
    driver.Add("up disabled at the root", [](HWND d) { return !Enabled(d, ORB_FD_UP) && HasEntry(d, "pub"); });
    Press(IDCANCEL);
    OpenResult r = Open();
    EXPECT_EQ(r.code, 1);
    ASSERT_EQ(driver.prompts.size(), 1u);
    EXPECT_EQ(driver.prompts[0], "Password|Please enter the password for 127.0.0.8:021.");
}

TEST_F(FileDialogTest, PreselectsTheStoredHosts) {
    SetSetting("Options", "Open Host", "Public files");
    SetSetting("Options", "Save Host", "Ask me");
    driver.Add("open host", [](HWND d) {
        EXPECT_EQ(ItemText(d, ORB_FD_HOSTS), "Public files");
        EXPECT_TRUE(Enabled(d, ORB_FD_CONNECT));
        return true;
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open().code, 1);
    // Save As: the host of an "ftp://" name first, else the stored one.
    for (const char* given : {"", "ftp://127.0.0.8:21/x/y.txt"}) {
        driver = FileDialogDriver();
        const std::string expected = given[0] ? "Wrong password" : "Ask me";
        driver.Add("save host", [expected](HWND d) {
            EXPECT_EQ(ItemText(d, ORB_FD_HOSTS), expected);
            return true;
        });
        Press(IDCANCEL);
        std::string name = given;
        EXPECT_EQ(SaveAs(name, "C:\\docs\\letter.txt", nullptr, nullptr, 0), 1);
    }
}

TEST_F(FileDialogTest, HostsListedByName) {
    SetNumberSetting("Options", "List by Description", 0);
    driver.Add("names shown", [](HWND d) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, ORB_FD_HOST_NAMES)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, ORB_FD_HOSTS)));
        return Pick(d, ORB_FD_HOST_NAMES, "127.0.0.8:0021");
    });
    Press(ORB_FD_CONNECT);
    WaitConnected("/pub");
    Press(IDCANCEL);
    EXPECT_EQ(Open().code, 1);
}

TEST_F(FileDialogTest, AnonymousHostStartsInItsDirectoryAndFetchesActively) {
    ConnectTo("Public files", "/pub");
    driver.Add("pub listed", [](HWND d) { return HasEntry(d, "a.txt") && HasEntry(d, "docs"); });
    // The entry has no passive flag: the data connection comes to us.
    driver.Add("open a.txt", [](HWND d) {
        if (!SelectEntry(d, "a.txt")) return false;
        Click(d, ORB_FD_ACTION);
        return true;
    });
    OpenResult r = Open();
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(driver.prompts.empty());
    EXPECT_EQ(r.url, "ftp://127.0.0.8:0021/pub/a.txt");
    EXPECT_EQ(ReadWholeFile(r.local), ReadWholeFile(std::string(kRoot) + "pub\\a.txt"));
    EXPECT_NE(ReadProtocolLog().find("--> PORT "), std::string::npos);
    DeleteFileA(r.local.c_str());
}

TEST_F(FileDialogTest, TypedPatternsAndDirectoryNames) {
    ConnectTo("Test server", "/");
    // A pattern with a directory part changes into that directory.
    driver.Add("type pub/*.txt", [](HWND d) {
        Type(d, ORB_FD_NAME, "pub/*.txt");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    driver.Add("in pub, pattern kept", [](HWND d) {
        return Connected(d) && ItemText(d, ORB_FD_DIRECTORY) == "/pub" && ItemText(d, ORB_FD_NAME) == "*.txt";
    });
    driver.Add("only .txt shown", [](HWND d) { return HasEntry(d, "a.txt") && !HasEntry(d, "one.bin"); });
    // A directory's name: the fetch gets 550, the directory is listed and
    // the type's pattern comes back.
    driver.Add("type docs", [](HWND d) {
        Type(d, ORB_FD_NAME, "docs");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    driver.Add("in docs, pattern back", [](HWND d) {
        return Connected(d) && ItemText(d, ORB_FD_DIRECTORY) == "/pub/docs" && ItemText(d, ORB_FD_NAME) == "*";
    });
    // A name that is neither: 1293, and the directory is listed again.
    driver.Add("type missing", [](HWND d) {
        Type(d, ORB_FD_NAME, "missing");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    driver.Add("listed again", [](HWND d) {
        return ItemText(d, ORB_FD_DIRECTORY) == "/pub/docs" && HasEntry(d, "b.txt") && Enabled(d, ORB_FD_ACTION) &&
               ItemText(d, ORB_FD_STATUS).rfind("Server: ", 0) == 0;
    });
    Press(IDCANCEL);
    OpenResult r = Open();
    EXPECT_EQ(r.code, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "missing could not be transferred to or from 127.0.0.8.");
    EXPECT_EQ(TempFiles(), tempsBefore);
}

TEST_F(FileDialogTest, RefusedLoginAndAnotherHost) {
    boxButton = IDYES;
    // A host chosen with the list closed (the keyboard) is asked about,
    // while disconnected too; Yes connects.
    driver.Add("choose the host", [](HWND d) { return Choose(d, ORB_FD_HOSTS, "Wrong password"); });
    driver.Add("refused", [](HWND d) {
        return ItemText(d, ORB_FD_CONNECTION) == "Not connected" && Enabled(d, ORB_FD_CONNECT);
    });
    ConnectTo("Test server", "/");
    // Another host while connected: asked first, then reconnected.
    driver.Add("choose another", [](HWND d) { return Choose(d, ORB_FD_HOSTS, "Public files"); });
    WaitConnected("/pub");
    Press(IDCANCEL);
    EXPECT_EQ(Open().code, 1);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Do you want to connect to Wrong password?");
    EXPECT_EQ(boxes[1].text, "The server 127.0.0.8:21 refused the login.");
    EXPECT_EQ(boxes[2].text, "Do you want to connect to Public files?");
}

// No keeps the dialog as it was: nothing connects until the person asks.
TEST_F(FileDialogTest, HostChosenWhileDisconnectedAsksFirst) {
    boxButton = IDNO;
    driver.Add("choose a host", [](HWND d) { return Choose(d, ORB_FD_HOSTS, "Test server"); });
    driver.Add("not connected, connect offered", [](HWND d) {
        return ItemText(d, ORB_FD_CONNECTION) == "Not connected" && Enabled(d, ORB_FD_CONNECT) &&
               ItemText(d, ORB_FD_STATUS).empty();
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open().code, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Do you want to connect to Test server?");
    EXPECT_EQ(boxes[0].pressed, IDNO);
}

TEST_F(FileDialogTest, CancelDuringTransferDisconnectsThenCloses) {
    std::string big(6 * 1024 * 1024, 'x');
    WriteWholeFile(std::string(kRoot) + "big.bin", big);
    ConnectTo("Test server", "/");
    driver.Add("fetch big.bin", [](HWND d) {
        Choose(d, ORB_FD_TYPES, "Documents");
        Type(d, ORB_FD_NAME, "big.bin");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    driver.Add("fetching", [](HWND d) { return ItemText(d, ORB_FD_STATUS) == "Fetching the file..."; });
    Press(IDCANCEL);
    driver.Add("disconnected, open", [this](HWND d) {
        return ItemText(d, ORB_FD_CONNECTION) == "Not connected" && IsWindowVisible(d) && TempFiles() == tempsBefore;
    });
    Press(IDCANCEL);
    OpenResult r = Open(TwoTypes);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.local, "");
    EXPECT_EQ(TempFiles(), tempsBefore);
    DeleteFileA((std::string(kRoot) + "big.bin").c_str());
}

// ---- Browse

TEST_F(FileDialogTest, BrowseReturnsTheUrlWithoutFetching) {
    ConnectTo("Test server", "/");
    driver.Add("caption OK", [](HWND d) {
        EXPECT_EQ(ItemText(d, ORB_FD_ACTION), "OK");
        char title[128];
        GetWindowTextA(d, title, sizeof title);
        EXPECT_STREQ(title, "Browse Internet Locations");
        return SelectEntry(d, "readme.txt");
    });
    Press(ORB_FD_ACTION);
    std::string url;
    EXPECT_EQ(Browse(url), 0);
    EXPECT_EQ(url, "ftp://127.0.0.8/readme.txt");
    EXPECT_EQ(TempFiles(), tempsBefore);
}

TEST_F(FileDialogTest, CallerFlagsZeroOffersFtpOnly) {
    driver.Add("no Web choice", [](HWND d) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, ORB_FD_WEB)));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, ORB_FD_ENTRIES)));
        return true;
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open(nullptr, 0).code, 1);
}

// ---- World Wide Web

class FileDialogWeb : public FileDialogTest {
protected:
    void SetUp() override {
        FileDialogTest::SetUp();
        port = ServerPort(kHttpState);
        ASSERT_GT(port, 0);
        SetNumberSetting("Options", "Server Type", 1);
        SetSetting("WWW Proxies", "Proxy1", EncodedProxy("127.0.0.1", ServerPort(kProxyState)));
    }
    void Serve(const std::string& target, const std::string& head, const std::string& body) {
        WriteServerScript(kHttpState, "{\"paths\": {" + Json(target) + ": " +
                                          Json("HTTP/1.0 200 OK\r\n" + head + "\r\n" + body) + "}}");
    }
    std::string Address(const std::string& path) { return "127.0.0.1:" + std::to_string(port) + path; }
    void FetchTyped(const std::string& url) {
        driver.Add("fetch " + url, [url](HWND d) {
            Type(d, ORB_FD_URL, url);
            Click(d, ORB_FD_ACTION);
            return true;
        });
    }
    uint16_t port = 0;
};

TEST_F(FileDialogWeb, FetchesAUrlWithoutSchemeAndItsDate) {
    Serve("/notes.txt", "Content-Type: text/plain\r\nLast-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n",
          "notes by HTTP");
    SetNumberSetting("Options", "Record Open", 1);
    driver.Add("web mode", [](HWND d) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, ORB_FD_URL)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, ORB_FD_ENTRIES)));
        EXPECT_NE(ItemText(d, ORB_PANEL_BODY).find("World Wide Web"), std::string::npos);
        return true;
    });
    // An unsupported scheme is refused in the status line.
    FetchTyped("gopher://gopher.example/1");
    driver.Add("refused", [](HWND d) {
        return ItemText(d, ORB_FD_STATUS) == "No connection could be made to gopher://gopher.example/1.";
    });
    Shot("open_web");
    // A document the server lacks: told, nothing kept, the dialog stays.
    FetchTyped(Address("/missing.txt"));
    driver.Add("failed", [](HWND d) { return Enabled(d, ORB_FD_ACTION); });
    FetchTyped(Address("/notes.txt"));
    OpenResult r = Open();
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Internet");
    EXPECT_EQ(boxes[0].text, "No connection could be made to 127.0.0.1.");
    EXPECT_EQ(TempFiles(), tempsBefore + 1);
    EXPECT_EQ(r.url, "http://" + Address("/notes.txt"));
    EXPECT_EQ(r.date, "Tue, 01 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(r.record, 1);
    EXPECT_EQ(ReadWholeFile(r.local), "notes by HTTP");
    EXPECT_EQ(r.local.substr(r.local.size() - 4), ".txt");
    DeleteFileA(r.local.c_str());
}

// A redirect is followed into the same temporary file, and the document's
// URL is where it was found; one to another kind of address is refused with
// a message and the dialog stays.
TEST_F(FileDialogWeb, FollowsRedirects) {
    WriteServerScript(kHttpState, "{\"paths\": {"
                                  "\"/old/report.txt\": " + Json("HTTP/1.0 301 Moved Permanently\r\nLocation: ../new/report.txt\r\n\r\n") +
                                  ", \"/new/report.txt\": " + Json("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nmoved here") +
                                  ", \"/gone.txt\": " + Json("HTTP/1.0 302 Found\r\nLocation: gopher://g.example/1\r\n\r\n") +
                                  "}}");
    FetchTyped(Address("/gone.txt"));
    driver.Add("refused", [](HWND d) { return Enabled(d, ORB_FD_ACTION); });
    FetchTyped(Address("/old/report.txt"));
    OpenResult r = Open();
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The server sent the request on to gopher://g.example/1, which cannot be fetched.");
    EXPECT_EQ(r.url, "http://" + Address("/new/report.txt"));
    EXPECT_EQ(ReadWholeFile(r.local), "moved here");
    EXPECT_EQ(r.local.substr(r.local.size() - 4), ".txt");
    EXPECT_EQ(TempFiles(), tempsBefore + 1) << "the refused fetch left no file";
    DeleteFileA(r.local.c_str());
}

// A redirect goes on through the proxy the fetch went through, with the
// whole URL as its target, as the requests in the log show.
TEST_F(FileDialogWeb, RedirectFollowedThroughTheProxy) {
    WriteServerScript(kHttpState, "{\"paths\": {"
                                  "\"/old/notes.txt\": " + Json("HTTP/1.0 302 Found\r\nLocation: ../new/notes.txt\r\n\r\n") +
                                  ", \"/new/notes.txt\": " + Json("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nfound again") +
                                  "}}");
    driver.Add("proxy on", [](HWND d) {
        CheckDlgButton(d, 1021, BST_CHECKED);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(1021, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, 1021)));
        return Choose(d, 1059, "127.0.0.1");
    });
    FetchTyped(Address("/old/notes.txt"));
    OpenResult r = Open();
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadWholeFile(r.local), "found again");
    EXPECT_EQ(r.url, "http://" + Address("/new/notes.txt"));
    DeleteFileA(r.local.c_str());
    const std::string log = ReadProtocolLog();
    const size_t first = log.find("--> GET http://" + Address("/old/notes.txt") + " HTTP/1.0");
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find("--> GET http://" + Address("/new/notes.txt") + " HTTP/1.0", first), std::string::npos) << log;
}

// An https document, straight and through the proxy's tunnel; a server
// whose certificate names another host is refused and the dialog stays.
TEST_F(FileDialogWeb, HttpsDocumentsAndAnImpostor) {
    std::string error;
    ASSERT_TRUE(TrustTestCa("test_ca\\ca.pem", &error)) << error;
    const char kHttpsState[] = "scripted\\fd_https\\";
    const std::string port = std::to_string(ServerPort(kHttpsState));
    WriteServerScript(kHttpsState, "{\"paths\": {\"/secure.txt\": " +
                                       Json("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nsecure notes") + "}}");
    FetchTyped("https://127.0.0.1:" + port + "/secure.txt");
    driver.Add("refused", [](HWND d) { return Enabled(d, ORB_FD_ACTION); });
    FetchTyped("https://localhost:" + port + "/secure.txt");
    OpenResult r = Open();
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The identity of the server 127.0.0.1 could not be verified: its certificate was issued "
                             "for another name. Nothing was transferred.");
    EXPECT_EQ(r.url, "https://localhost:" + port + "/secure.txt");
    EXPECT_EQ(ReadWholeFile(r.local), "secure notes");
    EXPECT_EQ(TempFiles(), tempsBefore + 1) << "the refused fetch left no file";
    DeleteFileA(r.local.c_str());
    EXPECT_EQ(ServerTranscript(kHttpsState).find("GET /secure.txt HTTP/1.0\r\nAccept: */*\r\nUser-Agent: "
                                                 "Marlin Internet/v1.0\r\nHost: localhost:" + port + "\r\n"),
              0u);

    driver = FileDialogDriver();
    boxes.clear();
    driver.Add("proxy on", [](HWND d) {
        CheckDlgButton(d, ORB_FD_USE_PROXY, BST_CHECKED);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(ORB_FD_USE_PROXY, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, ORB_FD_USE_PROXY)));
        return Choose(d, ORB_FD_PROXIES, "127.0.0.1");
    });
    FetchTyped("https://localhost:" + port + "/secure.txt");
    r = Open();
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadWholeFile(r.local), "secure notes");
    DeleteFileA(r.local.c_str());
}

TEST_F(FileDialogWeb, ThroughTinyproxyAndRecordedWithIt) {
    Serve("/via.htm", "Content-Type: text/plain\r\n", "through the proxy");
    driver.Add("proxy on", [](HWND d) {
        CheckDlgButton(d, ORB_FD_USE_PROXY, BST_CHECKED);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(ORB_FD_USE_PROXY, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, ORB_FD_USE_PROXY)));
        EXPECT_TRUE(Enabled(d, ORB_FD_PROXIES));
        return Choose(d, ORB_FD_PROXIES, "127.0.0.1");
    });
    FetchTyped("http://" + Address("/via.htm"));
    OpenResult r = Open();
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(ReadWholeFile(r.local), "through the proxy");
    DeleteFileA(r.local.c_str());
    // The next dialog offers the URL, with its proxy.
    driver = FileDialogDriver();
    const std::string url = "http://" + Address("/via.htm");
    driver.Add("history", [url](HWND d) {
        CheckDlgButton(d, ORB_FD_USE_PROXY, BST_UNCHECKED);
        if (!Choose(d, ORB_FD_URL, url)) return false;
        EXPECT_EQ(IsDlgButtonChecked(d, ORB_FD_USE_PROXY), BST_CHECKED);
        EXPECT_EQ(ItemText(d, ORB_FD_PROXIES), "127.0.0.1");
        return true;
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open().code, 1);
}

// The addresses in the URL list, as stored when the library was unloaded.
std::vector<std::string> StoredUrls() {
    std::vector<std::string> urls;
    for (int i = 1; i <= 50; ++i) {
        const std::string value = GetSetting("URLs", "URL" + std::to_string(i));
        if (value == "<none>") continue;
        UrlValue parsed;
        ParseUrlValue(value.c_str(), parsed);
        urls.push_back(parsed.url);
    }
    return urls;
}

// A login before the host ("user:password@", or "host:port@" as a login)
// is neither host nor port: the document comes from the server after the
// last "@", and the login goes into no request, no Host line, no log line
// sent, no result and no URL list. The same holds for a redirect's Location.
TEST_F(FileDialogWeb, LoginInTheAddressIsNeverTheHost) {
    const std::string server = Address("");
    const std::string proxyPort = std::to_string(ServerPort(kProxyState));
    WriteServerScript(kHttpState, "{\"paths\": {"
                                  "\"/ui.txt\": " + Json("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nthe ui notes") +
                                  ", \"/conf.txt\": " + Json("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nthe conf") +
                                  ", \"/moved.txt\": " + Json("HTTP/1.0 302 Found\r\nLocation: http://u:PASSWORD@" +
                                                             server + "/ui.txt\r\n\r\n") +
                                  "}}");
    const struct {
        std::string typed;
        std::string body;
        std::string url;       // what NETOpen returns and the URL list keeps
        std::string request;   // the last request the server received
    } cases[] = {
        {"http://u:PASSWORD@" + server + "/ui.txt", "the ui notes", "http://" + server + "/ui.txt", "GET /ui.txt "},
        // before the fix the port of the login (tinyproxy's) was taken
        {"http://127.0.0.1:" + proxyPort + "@" + server + "/conf.txt", "the conf", "http://" + server + "/conf.txt",
         "GET /conf.txt "},
        {"u:PASSWORD@" + server + "/moved.txt", "the ui notes", "http://" + server + "/ui.txt", "GET /ui.txt "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        driver = FileDialogDriver();
        WriteServerScript(kHttpState, ReadWholeFile(std::string(kHttpState) + "script.json"));
        FetchTyped(c.typed);
        OpenResult r = Open();
        ASSERT_EQ(r.code, 0);
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(ReadWholeFile(r.local), c.body);
        EXPECT_EQ(r.url, c.url);
        DeleteFileA(r.local.c_str());
        const std::string transcript = ServerTranscript(kHttpState);
        const size_t last = transcript.rfind("GET ");
        ASSERT_NE(last, std::string::npos);
        EXPECT_EQ(transcript.compare(last, c.request.size(), c.request), 0) << transcript;
        EXPECT_NE(transcript.find("\r\nHost: " + server + "\r\n", last), std::string::npos) << transcript;
        EXPECT_EQ(transcript.find("PASSWORD"), std::string::npos) << transcript;
        const std::string log = ReadProtocolLog();
        for (size_t at = log.find("--> "); at != std::string::npos; at = log.find("--> ", at + 1))
            EXPECT_EQ(log.substr(at, log.find('\n', at) - at).find("PASSWORD"), std::string::npos) << log;
        Unload();
        const std::vector<std::string> urls = StoredUrls();
        ASSERT_FALSE(urls.empty());
        EXPECT_EQ(urls[0], c.url);
        for (const std::string& url : urls) EXPECT_EQ(url.find("PASSWORD"), std::string::npos) << url;
    }
}

// A redirect to a port of another protocol's server, or with a Location
// too long to be taken whole, is refused with a message and nothing more
// is requested; the dialog stays. A document whose name ends in an
// extension that Windows runs arrives in a .tmp file.
TEST_F(FileDialogWeb, RefusedRedirectsAndRunnableNames) {
    const std::string longLocation = "/" + std::string(5000, 'a');
    WriteServerScript(kHttpState, "{\"paths\": {"
                                  "\"/to-smtp\": " + Json("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:25/x\r\n\r\n") +
                                  ", \"/to-long\": " + Json("HTTP/1.0 302 Found\r\nLocation: " + longLocation + "\r\n\r\n") +
                                  ", \"/tools/run.bat\": " + Json("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\necho hi") +
                                  "}}");
    FetchTyped(Address("/to-smtp"));
    driver.Add("refused", [](HWND d) { return Enabled(d, ORB_FD_ACTION); });
    FetchTyped(Address("/to-long"));
    driver.Add("refused", [](HWND d) { return Enabled(d, ORB_FD_ACTION); });
    FetchTyped(Address("/tools/run.bat"));
    OpenResult r = Open();
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "The server sent the request on to http://127.0.0.1:25/x, which cannot be fetched.");
    EXPECT_EQ(boxes[1].text,
              "The server sent the request on to /" + std::string(199, 'a') + "..., which cannot be fetched.");
    const std::string transcript = ServerTranscript(kHttpState);
    size_t requests = 0;
    for (size_t at = transcript.find("GET "); at != std::string::npos; at = transcript.find("GET ", at + 1)) ++requests;
    EXPECT_EQ(requests, 3u) << transcript;
    EXPECT_EQ(ReadWholeFile(r.local), "echo hi");
    EXPECT_EQ(r.local.substr(r.local.size() - 4), ".tmp") << r.local;
    EXPECT_EQ(r.url, "http://" + Address("/tools/run.bat"));
    EXPECT_EQ(TempFiles(), tempsBefore + 1) << "a refused fetch left a file";
    DeleteFileA(r.local.c_str());
}

// FTP mode: a file from the listing whose name Windows would run comes as a
// .tmp file too.
TEST_F(FileDialogTest, ListedFileWithRunnableNameArrivesAsTmp) {
    WriteWholeFile(std::string(kRoot) + "pub\\evil.exe", "MZ not to be run");
    ConnectTo("Test server", "/");
    Enter("pub", "/pub");
    driver.Add("pick evil.exe", [](HWND d) { return SelectEntry(d, "evil.exe"); });
    Press(ORB_FD_ACTION);
    OpenResult r = Open();
    DeleteFileA((std::string(kRoot) + "pub\\evil.exe").c_str());
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.url, "ftp://127.0.0.8/pub/evil.exe");
    EXPECT_EQ(r.local.substr(r.local.size() - 4), ".tmp") << r.local;
    EXPECT_EQ(ReadWholeFile(r.local), "MZ not to be run");
    DeleteFileA(r.local.c_str());
}

// ---- Save As

const char kLocalFile[] = "fd_local.txt";
const char kExtraFile[] = "fd_extra.gif";
const char kRewritten[] = "fd_rewritten.txt";

struct PrepareRecord {
    int calls = 0;
    WORD answer = 1;
    bool addFile = false;
    std::string remote, description;
    char* list = nullptr;
};
PrepareRecord prepared;

WORD WINAPI Prepare(char* path, WORD size, const char* description, WORD, char** more, const char* remote) {
    ++prepared.calls;
    prepared.remote = remote;
    prepared.description = description;
    std::snprintf(path, size, "%s", kRewritten);
    if (prepared.addFile) {
        const char files[] = "fd_extra.gif\0";
        char* list = static_cast<char*>(GlobalAlloc(GMEM_FIXED, sizeof files));
        std::memcpy(list, files, sizeof files);
        *more = list;
        prepared.list = list;
    }
    return prepared.answer;
}

class FileDialogSave : public FileDialogTest {
protected:
    void SetUp() override {
        FileDialogTest::SetUp();
        WriteWholeFile(kLocalFile, "stored through Save As\r\n");
        WriteWholeFile(kRewritten, "the callback's file\r\n");
        WriteWholeFile(kExtraFile, "GIF89a picture");
        prepared = PrepareRecord();
    }
    void TearDown() override {
        FileDialogTest::TearDown();
        std::remove(kLocalFile);
        std::remove(kRewritten);
        std::remove(kExtraFile);
    }
    std::string OnServer(const std::string& path) {
        bool exists = false;
        std::string bytes = ReadWholeFile(std::string(kRoot) + path, &exists);
        return exists ? bytes : "<missing>";
    }
};

TEST_F(FileDialogSave, StoresIntoANewFolderWithTheDefaultExtension) {
    RemoveDirectoryA((std::string(kRoot) + "new folder").c_str());
    ConnectTo("Test server", "/");
    driver.Add("suggested name", [](HWND d) {
        EXPECT_EQ(ItemText(d, ORB_FD_NAME), "fd_local.txt");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, ORB_FD_FTP)));
        return true;
    });
    Press(ORB_FD_NEW_FOLDER);
    driver.Add("name the folder", [](HWND d) {
        HWND edit = GetDlgItem(d, ORB_FD_FOLDER_EDIT);
        if (!edit) return false;
        EXPECT_EQ(ItemText(d, ORB_FD_FOLDER_EDIT), "New Folder");
        EXPECT_EQ(ItemText(d, ORB_FD_ACTION), "Create");
        SetWindowTextA(edit, "new folder");
        return true;
    });
    Shot("save_as");
    Press(ORB_FD_ACTION);
    driver.Add("folder made", [](HWND d) { return Connected(d) && HasEntry(d, "new folder"); });
    Enter("new folder", "/new folder");
    driver.Add("type page", [](HWND d) {
        EXPECT_EQ(ItemText(d, ORB_FD_ACTION), "&Save");
        Type(d, ORB_FD_NAME, "page");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    // The suggestion comes from the local path's last component.
    char full[MAX_PATH];
    GetFullPathNameA(kLocalFile, sizeof full, full, nullptr);
    std::string name;
    ASSERT_EQ(SaveAs(name, full, TwoTypes, nullptr, 0), 0);
    EXPECT_EQ(name, "ftp://127.0.0.8/new%20folder/page.htm");
    EXPECT_EQ(OnServer("new folder\\page.htm"), "stored through Save As\r\n");
}

TEST_F(FileDialogSave, PrepareCallbackRewritesThePathAndAddsAFile) {
    prepared.addFile = true;
    ConnectTo("Test server", "/");
    Enter("pub", "/pub");
    driver.Add("save", [](HWND d) {
        Type(d, ORB_FD_NAME, "report.doc");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    std::string name = "ftp://127.0.0.8/";
    ASSERT_EQ(SaveAs(name, kLocalFile, TwoTypes, Prepare, 0), 0);
    EXPECT_EQ(name, "ftp://127.0.0.8/pub/report.doc.htm");
    EXPECT_EQ(prepared.calls, 1);
    EXPECT_EQ(prepared.remote, "ftp://127.0.0.8/pub/report.doc.htm");
    EXPECT_EQ(prepared.description, "Pages");
    EXPECT_EQ(OnServer("pub\\report.doc.htm"), "the callback's file\r\n");
    EXPECT_EQ(OnServer("pub\\fd_extra.gif"), "GIF89a picture");
}

TEST_F(FileDialogSave, PrepareCallbackCancelsAndTheCallerKeepsItsList) {
    prepared.answer = 0;
    prepared.addFile = true;
    ConnectTo("Test server", "/");
    driver.Add("save", [](HWND d) {
        Type(d, ORB_FD_NAME, "never.txt");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    driver.Add("still open", [](HWND d) { return prepared.calls == 1 && Enabled(d, ORB_FD_ACTION); });
    Press(IDCANCEL);
    std::string name;
    EXPECT_EQ(SaveAs(name, kLocalFile, nullptr, Prepare, 8), 1);
    EXPECT_EQ(OnServer("never.txt"), "<missing>");
    // Bit 8: the list is still the caller's to free.
    ASSERT_NE(prepared.list, nullptr);
    EXPECT_EQ(GlobalSize(GlobalHandle(prepared.list)), 14u);
    GlobalFree(GlobalHandle(prepared.list));
}

// ---- the directory browser

class DirectoryBrowser : public FileDialogTest {
protected:
    void SetUp() override {
        FileDialogTest::SetUp();
        parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_TRUE(parent);
    }
    void TearDown() override {
        FileDialogTest::TearDown();
        DestroyWindow(parent);
    }
    // One call: modal when handle is null.
    LONG Browse(const std::string& start, WORD choice, DWORD* handle, std::string* url = nullptr) {
        LONG code = -1;
        Run([&] {
            char buffer[512] = "unchanged";
            code = browseDir_(parent, buffer, sizeof buffer, start.c_str(), choice, "Pick the folder", handle);
            if (url) *url = buffer;
        });
        driver = FileDialogDriver();
        return code;
    }
    // Logins the server has seen so far.
    int Logins() {
        std::string log = ReadWholeFile("fdservers\\ftp.log");
        int n = 0;
        for (size_t at = log.find("logged in"); at != std::string::npos; at = log.find("logged in", at + 1)) ++n;
        return n;
    }
    HWND parent = nullptr;
};

TEST_F(DirectoryBrowser, ModalFixedHostShowsDirectoriesAndReturnsTheCurrentOne) {
    WaitConnected("/pub");
    driver.Add("directories only", [](HWND d) {
        EXPECT_TRUE(HasEntry(d, "docs"));
        EXPECT_TRUE(HasEntry(d, "my docs"));
        EXPECT_FALSE(HasEntry(d, "a.txt"));
        EXPECT_FALSE(Enabled(d, ORB_FD_HOSTS));
        EXPECT_FALSE(Enabled(d, ORB_FD_CONNECT));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, ORB_FD_NAME)));
        EXPECT_EQ(ItemText(d, ORB_PANEL_TITLE), "Pick the folder");
        EXPECT_EQ(ItemText(d, ORB_FD_BROWSE_NOTE), "Choose a directory on the FTP server.");
        EXPECT_EQ(ItemText(d, ORB_FD_ACTION), "OK");
        CheckLayout(d, "browser");
        return true;
    });
    Enter("docs", "/pub/docs");
    Shot("browse_directory");
    Press(ORB_FD_ACTION);
    std::string url;
    EXPECT_EQ(Browse("ftp://127.0.0.8/pub", 0, nullptr, &url), 0);
    EXPECT_EQ(url, "ftp://127.0.0.8/pub/docs/");
    EXPECT_TRUE(IsWindowEnabled(parent));
}

TEST_F(DirectoryBrowser, ModalCancelUnknownHostAndChoosingUnconnected) {
    WaitConnected("/");
    Press(IDCANCEL);
    std::string url;
    EXPECT_EQ(Browse("ftp://127.0.0.8/", 0, nullptr, &url), 1);
    EXPECT_EQ(url, "unchanged");
    // A host the list lacks, fixed: 4 at once, nothing shown.
    EXPECT_EQ(Browse("ftp://unknown.example/x", 0, nullptr), 4);
    // ... that the user may change: shown unconnected, the hosts offered.
    driver.Add("unconnected", [](HWND d) {
        EXPECT_EQ(ItemText(d, ORB_FD_CONNECTION), "Not connected");
        EXPECT_TRUE(Enabled(d, ORB_FD_HOSTS));
        Click(d, ORB_FD_ACTION);  // choosing now fails, and the run goes on
        return IsWindowVisible(d) != FALSE;
    });
    Press(IDCANCEL);
    EXPECT_EQ(Browse("unknown.example", 1, nullptr), 1);
}

TEST_F(DirectoryBrowser, ModelessKeepsItsPlaceAndItsConnection) {
    const int loginsBefore = Logins();
    DWORD handle = 0;
    WaitConnected("/pub");
    Enter("docs", "/pub/docs");
    Press(ORB_FD_ACTION);
    std::string url;
    ASSERT_EQ(Browse("ftp://127.0.0.8/pub", 0, &handle, &url), 0);
    EXPECT_EQ(url, "ftp://127.0.0.8/pub/docs/");
    ASSERT_NE(handle, 0u);
    HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowEnabled(parent));

    // Again: the same window, still in docs, no new login; Cancel keeps it.
    driver.Add("where it was", [window](HWND d) {
        EXPECT_EQ(d, window);
        return Connected(d) && ItemText(d, ORB_FD_DIRECTORY) == "/pub/docs";
    });
    Press(IDCANCEL);
    const DWORD first = handle;
    EXPECT_EQ(Browse("ftp://127.0.0.8/pub", 0, &handle, &url), 1);
    EXPECT_EQ(handle, first);
    WaitConnected("/pub/docs");
    Press(ORB_FD_ACTION);
    EXPECT_EQ(Browse("ftp://127.0.0.8/pub", 0, &handle, &url), 0);
    EXPECT_EQ(url, "ftp://127.0.0.8/pub/docs/");
    EXPECT_EQ(Logins(), loginsBefore + 1);

    // Closed: window gone; the next call makes a new browser.
    closeDir_(window);
    EXPECT_FALSE(IsWindow(window));
    // Its connection said goodbye.
    const std::string log = ReadProtocolLog();
    EXPECT_NE(log.find("--> QUIT"), std::string::npos) << log;
    EXPECT_TRUE(IsWindowEnabled(parent));
    WaitConnected("/pub");
    Press(IDCANCEL);
    EXPECT_EQ(Browse("ftp://127.0.0.8/pub", 0, &handle, &url), 1);
    EXPECT_EQ(Logins(), loginsBefore + 2);
    // NETClean closes it too.
    window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
    EXPECT_TRUE(IsWindow(window));
    Unload();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(IsWindowEnabled(parent));
}

TEST_F(DirectoryBrowser, QuitMessageEndsTheRunWithItsCode) {
    DWORD handle = 0;
    driver.Add("choose unconnected, then quit", [](HWND d) {
        Click(d, ORB_FD_ACTION);
        PostQuitMessage(7);
        return true;
    });
    EXPECT_EQ(Browse("elsewhere", 1, &handle), 2);
    EXPECT_TRUE(IsWindowEnabled(parent));
    // The quit message is passed on to the application.
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

// ---- the settings dialogs

// A stored number ("<none>" when absent).
std::string NumberSetting(const char* section, const char* name) {
    std::string path = std::string(kSettingsRoot) + section;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<none>";
    DWORD value = 0, size = sizeof value, type = 0;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS && type == REG_DWORD ? std::to_string(value) : "<none>";
}

// The stored host of that description, decoded; hostFlags 0xFFFF when none.
HostValue StoredHost(const char* description) {
    HostValue found{};
    found.hostFlags = 0xFFFF;
    for (int n = 1; n <= 20; ++n) {
        std::string value = GetSetting("FTP Hosts", "Host" + std::to_string(n));
        if (value == "<none>") break;
        HostValue host{};
        ParseHostValue(value.c_str(), host);
        if (std::strcmp(host.description, description) == 0) return host;
    }
    return found;
}

void Select(HWND d, int id, const char* text, WORD notification) {
    SendDlgItemMessageA(d, id, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
}

// As typed by a person: the edit knows it was changed.
void TypeChanged(HWND d, int id, const char* text) {
    SetDlgItemTextA(d, id, text);
    SendDlgItemMessageA(d, id, EM_SETMODIFY, TRUE, 0);
}

// Types as a person does: the old text selected, then one key after another
// (for a combo box, into its own edit, which tells the box).
void TypeKeys(HWND d, int id, const std::string& text) {
    HWND control = GetDlgItem(d, id);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    HWND edit = GetComboBoxInfo(control, &info) && info.hwndItem ? info.hwndItem : control;
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CLEAR, 0, 0);
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

// Chooses an item as a click does: the list dropped, the item picked in it;
// the box announces the choice and fills its edit in its own order.
bool ChooseFromList(HWND d, int id, const char* text) {
    HWND combo = GetDlgItem(d, id);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!GetComboBoxInfo(combo, &info) || !info.hwndList) return false;
    LRESULT at = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    if (at == CB_ERR) return false;
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(info.hwndList, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageA(combo, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(info.hwndList), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(info.hwndList));
    return true;
}

// Clicks a button that should end the dialog; when it stays open, says so
// and cancels it, so that the run goes on.
void CloseWith(HWND d, int id) {
    Click(d, id);
    if (IsWindowVisible(d)) {
        ADD_FAILURE() << "the dialog stayed open after " << id;
        Click(d, IDCANCEL);
    }
}

// Every stored host: description -> "host|user|anonymous password|password|directory|flags".
std::map<std::string, std::string> StoredHosts() {
    std::map<std::string, std::string> hosts;
    for (int n = 1;; ++n) {
        std::string value = GetSetting("FTP Hosts", "Host" + std::to_string(n));
        if (value == "<none>") break;
        HostValue h{};
        ParseHostValue(value.c_str(), h);
        hosts[h.description] = std::string(h.hostName) + "|" + h.userName + "|" + h.anonymousPassword + "|" +
                               h.password + "|" + h.initialDirectory + "|" + std::to_string(h.hostFlags);
    }
    return hosts;
}

// Every stored proxy of a section: name -> port.
std::map<std::string, int> StoredProxies(const char* section) {
    std::map<std::string, int> proxies;
    for (int n = 1;; ++n) {
        std::string value = GetSetting(section, "Proxy" + std::to_string(n));
        if (value == "<none>") break;
        ProxyValue p{};
        ParseProxyValue(value.c_str(), p);
        proxies[p.name] = p.port;
    }
    return proxies;
}

class SettingsDialogs : public FileDialogTest {
protected:
    LONG Options() {
        LONG code = -1;
        Run([&] {
            auto options = reinterpret_cast<NETOptionsProc>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleA("OrbNetN01.dll"), "NETOptions")));
            code = options(nullptr);
        });
        prompts = driver.prompts;
        driver = FileDialogDriver();
        return code;
    }
    std::vector<std::string> prompts;  // of the last run
    void Step(const std::string& label, FileDialogDriver::Step step) { driver.Add(label, std::move(step)); }
};

TEST_F(SettingsDialogs, ProxyDialogFromTheFileDialog) {
    SetNumberSetting("Options", "Server Type", 1);
    boxButton = IDYES;
    PressLater(ORB_FD_EDIT_PROXIES);
    Step("proxy dialog, New", [](HWND d) {
        if (!IsProxyDialog(d)) return false;
        CheckLayout(d, "proxy dialog", ORB_PROXY_CLOSE);
        Click(d, ORB_PROXY_NEW);
        EXPECT_EQ(ItemText(d, ORB_PROXY_PORT), "80");
        return true;
    });
    Step("a default typed as a URL, port 70000", [](HWND d) {
        SetDlgItemTextA(d, ORB_PROXY_NAME, "http://cache.example");
        SetDlgItemTextA(d, ORB_PROXY_PORT, "70000");
        CheckDlgButton(d, ORB_PROXY_IS_DEFAULT, BST_CHECKED);
        Click(d, ORB_PROXY_STORE);
        EXPECT_EQ(ItemText(d, ORB_PROXY_NAME), "cache.example");
        EXPECT_EQ(ItemText(d, ORB_PROXY_PORT), "4464");
        EXPECT_EQ(ItemText(d, ORB_PROXY_DEFAULT_SHOWN), "cache.example");
        return true;
    });
    Shot("proxy_dialog");
    Step("a second one", [](HWND d) {
        Click(d, ORB_PROXY_NEW);
        SetDlgItemTextA(d, ORB_PROXY_NAME, "second.example");
        SetDlgItemTextA(d, ORB_PROXY_PORT, "3128");
        Click(d, ORB_PROXY_STORE);
        EXPECT_EQ(ItemText(d, ORB_PROXY_DEFAULT_SHOWN), "cache.example");
        return true;
    });
    Step("the default stored without its box", [](HWND d) {
        Select(d, ORB_PROXY_NAME, "cache.example", CBN_CLOSEUP);
        EXPECT_EQ(IsDlgButtonChecked(d, ORB_PROXY_IS_DEFAULT), BST_CHECKED);
        CheckDlgButton(d, ORB_PROXY_IS_DEFAULT, BST_UNCHECKED);
        Click(d, ORB_PROXY_STORE);
        EXPECT_EQ(ItemText(d, ORB_PROXY_DEFAULT_SHOWN), "(none)");
        return true;
    });
    Step("remove keeps the default", [](HWND d) {
        CheckDlgButton(d, ORB_PROXY_IS_DEFAULT, BST_CHECKED);
        Click(d, ORB_PROXY_STORE);
        Select(d, ORB_PROXY_NAME, "cache.example", CBN_CLOSEUP);
        Click(d, ORB_PROXY_REMOVE);
        EXPECT_EQ(ItemText(d, ORB_PROXY_DEFAULT_SHOWN), "cache.example");
        EXPECT_EQ(SendDlgItemMessageA(d, ORB_PROXY_NAME, CB_GETCOUNT, 0, 0), 1);
        return true;
    });
    Step("an unstored change, then Cancel", [](HWND d) {
        Select(d, ORB_PROXY_NAME, "second.example", CBN_CLOSEUP);
        SetDlgItemTextA(d, ORB_PROXY_PORT, "8080");
        Click(d, IDCANCEL);
        return true;
    });
    Step("back in the file dialog", [](HWND d) {
        if (IsProxyDialog(d)) return false;
        EXPECT_NE(SendDlgItemMessageA(d, ORB_FD_PROXIES, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>("second.example")),
                  CB_ERR);
        EXPECT_EQ(ItemText(d, ORB_FD_PROXIES), "second.example");
        EXPECT_EQ(ItemText(d, ORB_FD_PROXY_PORT), "8080");
        return true;
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open().code, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Do you want to store the changes to second.example?");
    // Written at once: the one proxy left, and the default the list kept.
    ProxyValue stored{};
    ParseProxyValue(GetSetting("WWW Proxies", "Proxy1").c_str(), stored);
    EXPECT_STREQ(stored.name, "second.example");
    EXPECT_EQ(stored.port, 8080);
    EXPECT_EQ(GetSetting("WWW Proxies", "Proxy2"), "<none>");
    EXPECT_NE(GetSetting("WWW Proxies", "Default Proxy"), "<none>");
}

TEST_F(SettingsDialogs, HostDialogConfirmsPasswordsAndAsksBeforeLeaving) {
    PressLater(ORB_OPTIONS_EDIT_HOSTS);
    Step("New", [](HWND d) {
        if (!IsHostDialog(d)) return false;
        Click(d, ORB_HOST_NEW);
        EXPECT_EQ(IsDlgButtonChecked(d, ORB_HOST_ANONYMOUS), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(d, ORB_HOST_STORE_PASSWORDS), BST_CHECKED);
        EXPECT_EQ(ItemText(d, ORB_HOST_ANONYMOUS_PASSWORD), "visit");
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, ORB_HOST_ANONYMOUS_USER)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, ORB_HOST_USER)));
        CheckLayout(d, "host dialog, anonymous", ORB_HOST_CLOSE);
        return true;
    });
    Shot("host_dialog_anonymous");
    Step("a named login", [](HWND d) {
        SetDlgItemTextA(d, ORB_HOST_DESCRIPTION, "New server");
        SetDlgItemTextA(d, ORB_HOST_NAME, "ftp://new.example");
        Click(d, ORB_HOST_ANONYMOUS);
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, ORB_HOST_PASSWORD)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, ORB_HOST_ANONYMOUS_PASSWORD)));
        SetDlgItemTextA(d, ORB_HOST_USER, "bob");
        TypeChanged(d, ORB_HOST_PASSWORD, "pw1");
        CheckLayout(d, "host dialog, named", ORB_HOST_CLOSE);
        return true;
    });
    Shot("host_dialog");
    Step("store, the prompt cancelled", [this](HWND d) {
        driver.passwordButton = IDCANCEL;
        Click(d, ORB_HOST_STORE);
        EXPECT_EQ(GetFocus(), GetDlgItem(d, ORB_HOST_PASSWORD));
        EXPECT_TRUE(SendDlgItemMessageA(d, ORB_HOST_PASSWORD, EM_GETMODIFY, 0, 0));
        return true;
    });
    Step("store, typed differently", [this](HWND d) {
        driver.passwordButton = IDOK;
        driver.password = "pw2";
        Click(d, ORB_HOST_STORE);
        return true;
    });
    Step("store, typed again", [this](HWND d) {
        driver.password = "pw1";
        Click(d, ORB_HOST_STORE);
        EXPECT_EQ(ItemText(d, ORB_HOST_NAME), "new.example");
        return true;
    });
    Step("leaving an edited host: Cancel keeps the form", [this](HWND d) {
        SetDlgItemTextA(d, ORB_HOST_DIRECTORY, "/incoming");
        answering->SetButton(IDCANCEL);
        Select(d, ORB_HOST_DESCRIPTION, "Public files", CBN_SELCHANGE);
        EXPECT_EQ(ItemText(d, ORB_HOST_DIRECTORY), "/incoming");
        EXPECT_EQ(ItemText(d, ORB_HOST_NAME), "new.example");
        answering->SetButton(IDYES);
        Click(d, ORB_HOST_CLOSE);
        return true;
    });
    Step("back in Options", [](HWND d) {
        if (!IsOptionsDialog(d)) return false;
        Click(d, IDOK);
        return true;
    });
    EXPECT_EQ(Options(), 0);
    // The changed password was asked for again at each Store.
    EXPECT_EQ(prompts.size(), 3u);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "The passwords do not match. Please type the password again.");
    EXPECT_EQ(boxes[1].text, "Do you want to store the changes to New server?");
    EXPECT_EQ(boxes[2].text, "Do you want to store the changes to New server?");
    HostValue host = StoredHost("New server");
    EXPECT_STREQ(host.hostName, "new.example");
    EXPECT_STREQ(host.userName, "bob");
    EXPECT_STREQ(host.password, "pw1");
    EXPECT_STREQ(host.initialDirectory, "/incoming");
    // A named login that stores its passwords; New kept the passive box.
    EXPECT_EQ(host.hostFlags & ~kHostPassive, kHostStorePasswords);
}

// A person's edits in the host dialog (opened from Options, closed with
// Close or Cancel): what was asked, and every host the registry holds after.
TEST_F(SettingsDialogs, HostDialogStoresWhatWasTypedWhereItWasMeant) {
    const std::string test = "127.0.0.8|alice|guest@|secret||12", pub = "127.0.0.8:0021||guest@||/pub|9",
                      ask = "127.0.0.8:021|alice|guest@|||12", wrong = "127.0.0.8:21|alice|guest@|nope||12";
    const std::map<std::string, std::string> four = {
        {"Test server", test}, {"Public files", pub}, {"Ask me", ask}, {"Wrong password", wrong}};
    auto with = [&four](std::map<std::string, std::string> changes) {
        std::map<std::string, std::string> hosts = four;
        for (auto& c : changes) {
            if (c.second.empty()) hosts.erase(c.first);
            else hosts[c.first] = c.second;
        }
        return hosts;
    };
    const std::string longest(64, 'k'), longDescription(240, 'x');
    const std::string newMirror = "Do you want to store the new host Mirror?";
    using Work = std::function<void(HWND, MessageBoxAnswerer*)>;
    struct Case {
        const char* label;
        bool onlyHost;        // "Test server" alone instead of the four
        std::string confirm;  // typed into the password prompt
        std::vector<Work> steps;  // from "Test server" shown, one after another; the last ends the dialog
        std::vector<std::string> asked;
        std::map<std::string, std::string> stored;
    } cases[] = {
        {"a new description, Yes: a new host beside the shown one", false, "", {[&](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_HOST_DESCRIPTION, "Mirror");
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {newMirror}, with({{"Mirror", test}})},
        {"a new description, No: nothing stored", false, "", {[&](HWND d, MessageBoxAnswerer* a) {
             TypeKeys(d, ORB_HOST_DESCRIPTION, "Mirror");
             a->SetButton(IDNO);
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {newMirror}, four},
        {"a new description and directory, Yes", false, "", {[&](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_HOST_DESCRIPTION, "Mirror");
             TypeKeys(d, ORB_HOST_DIRECTORY, "/incoming");
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {newMirror}, with({{"Mirror", "127.0.0.8|alice|guest@|secret|/incoming|12"}})},
        {"a new description and directory, another host chosen, Yes", false, "",
         {[&](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_HOST_DESCRIPTION, "Mirror");
             TypeKeys(d, ORB_HOST_DIRECTORY, "/incoming");
             ASSERT_TRUE(ChooseFromList(d, ORB_HOST_DESCRIPTION, "Public files"));
             EXPECT_EQ(ItemText(d, ORB_HOST_DESCRIPTION), "Public files");
             EXPECT_EQ(ItemText(d, ORB_HOST_DIRECTORY), "/pub");
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {newMirror}, with({{"Mirror", "127.0.0.8|alice|guest@|secret|/incoming|12"}})},
        {"the same, Cancel keeps the form, then No", false, "", {[&](HWND d, MessageBoxAnswerer* a) {
             TypeKeys(d, ORB_HOST_DESCRIPTION, "Mirror");
             TypeKeys(d, ORB_HOST_DIRECTORY, "/incoming");
             a->SetButton(IDCANCEL);
             ASSERT_TRUE(ChooseFromList(d, ORB_HOST_DESCRIPTION, "Public files"));
         }, [&](HWND d, MessageBoxAnswerer* a) {
             EXPECT_EQ(ItemText(d, ORB_HOST_DESCRIPTION), "Mirror");
             EXPECT_EQ(ItemText(d, ORB_HOST_DIRECTORY), "/incoming");
             EXPECT_EQ(ItemText(d, ORB_HOST_NAME), "127.0.0.8");
             a->SetButton(IDNO);
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {newMirror, newMirror}, four},
        {"the shown host changed, another chosen, Yes", false, "", {[&](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_HOST_DIRECTORY, "/incoming");
             ASSERT_TRUE(ChooseFromList(d, ORB_HOST_DESCRIPTION, "Ask me"));
             EXPECT_EQ(ItemText(d, ORB_HOST_NAME), "127.0.0.8:021");
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {"Do you want to store the changes to Test server?"},
         with({{"Test server", "127.0.0.8|alice|guest@|secret|/incoming|12"}})},
        {"the shown host deleted: the next one shown", false, "", {[&](HWND d, MessageBoxAnswerer*) {
             Click(d, ORB_HOST_DELETE);
             EXPECT_NE(ItemText(d, ORB_HOST_DESCRIPTION), "");
             EXPECT_NE(ItemText(d, ORB_HOST_DESCRIPTION), "Test server");
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {}, with({{"Test server", ""}})},
        {"the only host deleted: an empty form", true, "", {[&](HWND d, MessageBoxAnswerer*) {
             Click(d, ORB_HOST_DELETE);
             EXPECT_EQ(ItemText(d, ORB_HOST_DESCRIPTION), "");
             EXPECT_EQ(ItemText(d, ORB_HOST_NAME), "");
             EXPECT_EQ(SendDlgItemMessageA(d, ORB_HOST_DESCRIPTION, CB_GETCOUNT, 0, 0), 0);
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {}, {}},
        {"the only host changed, then deleted", true, "", {[&](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_HOST_DIRECTORY, "/incoming");
             Click(d, ORB_HOST_DELETE);
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {}, {}},
        {"a 64-character password, confirmed whole", false, longest, {[&](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_HOST_PASSWORD, longest);
             CloseWith(d, ORB_HOST_CLOSE);
         }}, {"Do you want to store the changes to Test server?"},
         with({{"Test server", "127.0.0.8|alice|guest@|" + longest + "||12"}})},
        {"a 64-character password confirmed with 63", false, longest.substr(0, 63),
         {[&](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_HOST_PASSWORD, longest);
             Click(d, ORB_HOST_CLOSE);
             EXPECT_EQ(GetFocus(), GetDlgItem(d, ORB_HOST_PASSWORD));
             Click(d, IDCANCEL);
         }}, {"The passwords do not match. Please type the password again."}, four},
        {"a host too long to keep", false, longest, {[&](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_HOST_DESCRIPTION, longDescription);
             TypeKeys(d, ORB_HOST_PASSWORD, longest);
             Click(d, ORB_HOST_STORE);
             EXPECT_EQ(ItemText(d, ORB_HOST_DESCRIPTION), longDescription);
             Click(d, IDCANCEL);
         }}, {"The host " + longDescription + " cannot be stored: its description, host name, directory and "
             "passwords are too long to be kept together. Please shorten them."}, four},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Unload();
        DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Marlin");
        SetSetting("FTP Hosts", "Host1", EncodedHost("Test server", kFtp, "alice", "secret", "", kPassive));
        if (!c.onlyHost) {
            SetSetting("FTP Hosts", "Host2", EncodedHost("Public files", "127.0.0.8:0021", "", "", "/pub",
                                                       kHostAnonymous | kHostStorePasswords));
            SetSetting("FTP Hosts", "Host3", EncodedHost("Ask me", "127.0.0.8:021", "alice", "", "", kPassive));
            SetSetting("FTP Hosts", "Host4",
                       EncodedHost("Wrong password", "127.0.0.8:21", "alice", "nope", "", kPassive));
        }
        driver.password = c.confirm;
        driver.stepTimeout = 5000;  // a dialog that stays open fails the case soon
        Step("open the hosts", [](HWND d) {
            if (!IsOptionsDialog(d)) return false;
            ClickLater(d, ORB_OPTIONS_EDIT_HOSTS);
            return true;
        });
        Step("work the host dialog", [this, &c](HWND d) {
            if (!IsHostDialog(d)) return false;
            if (!c.onlyHost) {
                EXPECT_TRUE(ChooseFromList(d, ORB_HOST_DESCRIPTION, "Test server"));
            }
            EXPECT_EQ(ItemText(d, ORB_HOST_DESCRIPTION), "Test server");
            c.steps[0](d, answering);
            return true;
        });
        for (size_t i = 1; i < c.steps.size(); ++i) {
            Step("then", [this, &c, i](HWND d) {
                if (!IsHostDialog(d)) return false;
                c.steps[i](d, answering);
                return true;
            });
        }
        Step("back in Options", [](HWND d) {
            if (!IsOptionsDialog(d)) return false;
            Click(d, IDCANCEL);
            return true;
        });
        boxButton = IDYES;
        EXPECT_EQ(Options(), 1);
        std::vector<std::string> asked;
        for (const auto& box : boxes) asked.push_back(box.text);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(prompts.size(), c.confirm.empty() ? 0u : 1u);
        EXPECT_EQ(StoredHosts(), c.stored);
    }
}

// A person's edits in the proxy dialog (the World Wide Web proxies, from
// the file dialog): what was asked, and every proxy stored after Close.
TEST_F(SettingsDialogs, ProxyDialogStoresWhatWasTypedWhereItWasMeant) {
    using Proxies = std::map<std::string, int>;
    const Proxies two = {{"proxy-a", 3128}, {"proxy-c", 8000}};
    auto with = [&two](Proxies more) {
        Proxies all = two;
        for (auto& p : more) all[p.first] = p.second;
        return all;
    };
    using Work = std::function<void(HWND, MessageBoxAnswerer*)>;
    struct Case {
        const char* label;
        bool onlyOne;  // proxy-a alone
        Work work;     // from proxy-a shown; ends with Close
        std::vector<std::string> asked;
        Proxies stored;
    } cases[] = {
        {"name:port typed over the shown one, Yes", false, [](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_PROXY_NAME, "proxy-b:8080");
             Click(d, ORB_PROXY_CLOSE);
         }, {"Do you want to store the new proxy proxy-b with port 8080?"}, with({{"proxy-b", 8080}})},
        {"name and port typed, No", false, [](HWND d, MessageBoxAnswerer* a) {
             TypeKeys(d, ORB_PROXY_NAME, "proxy-b");
             TypeKeys(d, ORB_PROXY_PORT, "8080");
             a->SetButton(IDNO);
             Click(d, ORB_PROXY_CLOSE);
         }, {"Do you want to store the new proxy proxy-b with port 8080?"}, two},
        {"an address typed and stored", false, [](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_PROXY_NAME, "HTTP://proxy-b:8080/");
             Click(d, ORB_PROXY_STORE);
             EXPECT_EQ(ItemText(d, ORB_PROXY_NAME), "proxy-b");
             EXPECT_EQ(ItemText(d, ORB_PROXY_PORT), "8080");
             Click(d, ORB_PROXY_CLOSE);
         }, {}, with({{"proxy-b", 8080}})},
        {"a name typed, another chosen from the list, Yes", false, [](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_PROXY_NAME, "proxy-b");
             ASSERT_TRUE(ChooseFromList(d, ORB_PROXY_NAME, "proxy-c"));
             EXPECT_EQ(ItemText(d, ORB_PROXY_NAME), "proxy-c");
             EXPECT_EQ(ItemText(d, ORB_PROXY_PORT), "8000");
             Click(d, ORB_PROXY_CLOSE);
         }, {"Do you want to store the new proxy proxy-b with port 3128?"}, with({{"proxy-b", 3128}})},
        {"the port changed, another chosen from the list, Yes", false, [](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_PROXY_PORT, "8081");
             ASSERT_TRUE(ChooseFromList(d, ORB_PROXY_NAME, "proxy-c"));
             Click(d, ORB_PROXY_CLOSE);
         }, {"Do you want to store the changes to proxy-a?"}, with({{"proxy-a", 8081}})},
        {"the shown one removed: the other shown", false, [](HWND d, MessageBoxAnswerer*) {
             Click(d, ORB_PROXY_REMOVE);
             EXPECT_EQ(ItemText(d, ORB_PROXY_NAME), "proxy-c");
             EXPECT_EQ(ItemText(d, ORB_PROXY_PORT), "8000");
             Click(d, ORB_PROXY_CLOSE);
         }, {}, {{"proxy-c", 8000}}},
        {"the only one removed, after a change: an empty form", true, [](HWND d, MessageBoxAnswerer*) {
             TypeKeys(d, ORB_PROXY_PORT, "3129");
             Click(d, ORB_PROXY_REMOVE);
             EXPECT_EQ(ItemText(d, ORB_PROXY_NAME), "");
             EXPECT_EQ(ItemText(d, ORB_PROXY_PORT), "80");
             EXPECT_EQ(SendDlgItemMessageA(d, ORB_PROXY_NAME, CB_GETCOUNT, 0, 0), 0);
             Click(d, ORB_PROXY_CLOSE);
         }, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Unload();
        DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Marlin");
        SetNumberSetting("Options", "Server Type", 1);
        // Loaded last first: proxy-a heads the list.
        if (!c.onlyOne) SetSetting("WWW Proxies", "Proxy1", EncodedProxy("proxy-c", 8000));
        SetSetting("WWW Proxies", c.onlyOne ? "Proxy1" : "Proxy2", EncodedProxy("proxy-a", 3128));
        driver.stepTimeout = 5000;  // a dialog that stays open fails the case soon
        PressLater(ORB_FD_EDIT_PROXIES);
        Step("work the proxy dialog", [this, &c](HWND d) {
            if (!IsProxyDialog(d)) return false;
            EXPECT_EQ(ItemText(d, ORB_PROXY_NAME), "proxy-a");
            EXPECT_EQ(ItemText(d, ORB_PROXY_PORT), "3128");
            c.work(d, answering);
            return true;
        });
        Press(IDCANCEL);
        boxButton = IDYES;
        EXPECT_EQ(Open().code, 1);
        driver = FileDialogDriver();
        std::vector<std::string> asked;
        for (const auto& box : boxes) asked.push_back(box.text);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(StoredProxies("WWW Proxies"), c.stored);
    }
}

TEST_F(SettingsDialogs, OptionsStoreTheirChoicesAndCancelChangesNothing) {
    SetNumberSetting("Options", "List by Description", 0);
    Step("by host name", [](HWND d) {
        if (!IsOptionsDialog(d)) return false;
        CheckLayout(d, "options", IDOK);
        EXPECT_NE(SendDlgItemMessageA(d, ORB_OPTIONS_OPEN_HOST, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>("127.0.0.8:0021")),
                  CB_ERR);
        Select(d, ORB_OPTIONS_SAVE_HOST, "127.0.0.8:0021", CBN_SELCHANGE);
        SetDlgItemTextA(d, ORB_OPTIONS_OPEN_HOST, "nowhere");
        CheckDlgButton(d, ORB_OPTIONS_AUTO_OPEN, BST_CHECKED);
        CheckDlgButton(d, ORB_OPTIONS_RECORD_OPEN, BST_CHECKED);
        SaveWindowPicture(d, std::string(kShots) + "options_dialog.bmp");
        Click(d, IDOK);
        return true;
    });
    EXPECT_EQ(Options(), 0);
    EXPECT_EQ(GetSetting("Options", "Open Host"), "<none>") << "an empty text is no value";
    EXPECT_EQ(GetSetting("Options", "Save Host"), "Public files");
    EXPECT_EQ(NumberSetting("Options", "Auto Open"), "1");
    EXPECT_EQ(NumberSetting("Options", "Record Open"), "1");
    EXPECT_EQ(NumberSetting("Options", "Auto Save"), "0");

    // By description the typed text is kept as it is.
    Unload();
    SetNumberSetting("Options", "List by Description", 1);
    Step("by description", [](HWND d) {
        if (!IsOptionsDialog(d)) return false;
        SetDlgItemTextA(d, ORB_OPTIONS_OPEN_HOST, "Typed text");
        Click(d, IDOK);
        return true;
    });
    EXPECT_EQ(Options(), 0);
    EXPECT_EQ(GetSetting("Options", "Open Host"), "Typed text");

    // Cancel after deleting a host: the host list is written, the options not.
    Step("delete a host", [](HWND d) {
        if (!IsOptionsDialog(d)) return false;
        CheckDlgButton(d, ORB_OPTIONS_AUTO_OPEN, BST_UNCHECKED);
        ClickLater(d, ORB_OPTIONS_EDIT_HOSTS);
        return true;
    });
    Step("in the host dialog", [](HWND d) {
        if (!IsHostDialog(d)) return false;
        Select(d, ORB_HOST_DESCRIPTION, "Wrong password", CBN_SELCHANGE);
        Click(d, ORB_HOST_DELETE);
        Click(d, ORB_HOST_CLOSE);
        return true;
    });
    Step("cancel the options", [](HWND d) {
        if (!IsOptionsDialog(d)) return false;
        Click(d, IDCANCEL);
        return true;
    });
    EXPECT_EQ(Options(), 1);
    EXPECT_EQ(NumberSetting("Options", "Auto Open"), "1");
    EXPECT_EQ(StoredHost("Wrong password").hostFlags, 0xFFFF);
    EXPECT_NE(StoredHost("Test server").hostFlags, 0xFFFF);
}

TEST_F(SettingsDialogs, HostDialogFromTheFileDialogSelectsItsHost) {
    Step("open the hosts", [](HWND d) {
        ClickLater(d, ORB_FD_EDIT_HOSTS);
        return true;
    });
    Step("choose one and close", [](HWND d) {
        if (!IsHostDialog(d)) return false;
        Select(d, ORB_HOST_DESCRIPTION, "Public files", CBN_SELCHANGE);
        Click(d, ORB_HOST_CLOSE);
        return true;
    });
    Step("it is the chosen host", [](HWND d) {
        if (IsHostDialog(d)) return false;
        EXPECT_EQ(ItemText(d, ORB_FD_HOSTS), "Public files");
        EXPECT_TRUE(Enabled(d, ORB_FD_CONNECT));
        return true;
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open().code, 1);
}

}  // namespace
