// Faults a server or a person can cause in the Internet file dialog: each
// case works the real dialog against a scripted FTP server (127.0.0.71,
// state in ./scripted/fdf_ftp) or pyftpdlib (127.0.0.8), and checks what the
// person sees, what the export returns and what the server received. The
// library is the test build, whose freed memory faults on any late use.
#include <algorithm>
#include <string>
#include <vector>

#include "file_dialog_fixture.h"

namespace {

const char kFaultFtp[] = "127.0.0.71";
const char kState[] = "scripted\\fdf_ftp\\";

// A LIST reply that sends these listing lines.
std::string ListReply(const std::string& lines) {
    return "{\"send\": \"150 Here comes the listing.\\r\\n\", \"data\": " + Json(lines) + "}";
}
std::string ListReplyWrites(const std::string& writes) {
    return "{\"send\": \"150 Here comes the listing.\\r\\n\", \"data\": " + writes + "}";
}

std::string FileLine(const std::string& name, int size = 5) {
    return "-rw-r--r--   1 ftp ftp " + std::to_string(size) + " Mar  1 10:00 " + name + "\r\n";
}
std::string DirLine(const std::string& name) { return "drwxr-xr-x   2 ftp ftp 4096 Mar  1 10:00 " + name + "\r\n"; }

const std::string kListing = DirLine("docs") + FileLine("new.txt") + FileLine("letter.txt");

// A script: the commands named, the rest answered by the server's defaults.
std::string Script(const std::string& commands) { return "{\"commands\": {" + commands + "}}"; }
std::string Replies(const std::vector<std::string>& lines) {
    std::string out = "[";
    for (size_t i = 0; i < lines.size(); ++i) out += (i ? ", " : "") + Json(lines[i]);
    return out + "]";
}

// The lines the server received, in order.
std::vector<std::string> Received() {
    std::vector<std::string> lines;
    std::string all = ServerTranscript(kState), line;
    for (char c : all) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    return lines;
}
bool ReceivedLine(const std::string& wanted) {
    std::vector<std::string> lines = Received();
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}
bool ReceivedVerb(const std::string& verb) {
    for (const std::string& line : Received())
        if (line.compare(0, verb.size() + 1, verb + " ") == 0 || line == verb) return true;
    return false;
}

class DialogFaults : public FileDialogFixture {
protected:
    void SetUp() override {
        FileDialogFixture::SetUp();
        SetSetting("FTP Hosts", "Host1", EncodedHost("Scripted", kFaultFtp, "u", "p", "", kPassive));
        SetNumberSetting("Options", "List by Description", 1);
    }
    // Connects to the scripted server and waits until its first listing is
    // shown in directory (as the dialog shows it).
    void Connect(const std::string& directory) { ConnectTo("Scripted", directory); }
    void Select(const std::string& name) {
        driver.Add("select " + name, [name](HWND d) { return SelectEntry(d, name); });
    }
    // Selects the entry and presses the action button.
    void Choose(const std::string& name) {
        Select(name);
        Press(ORB_FD_ACTION);
    }
    std::string Browse() {
        std::string url;
        EXPECT_EQ(FileDialogFixture::Browse(url), 0);
        return url;
    }
};

// The cases below rely on a late use of freed memory failing at once.
TEST(TestBuild, FreedMemoryProtectionIsOn) {
    const std::string dll = ReadWholeFile("OrbNetN01.dll");
    ASSERT_FALSE(dll.empty());
    EXPECT_NE(dll.find("OrbNet test build: freed memory faults"), std::string::npos);
}

// ---- the URL handed to the host names the server the person used

TEST_F(DialogFaults, UrlsNameTheConnectedHostWhateverPwdSays) {
    struct Case {
        const char* what;
        std::vector<std::string> pwd;  // PWD's directory, one per use
        std::string enter;             // a directory entered first ("" none)
        std::string name;
        std::string url;
    } cases[] = {
        {"@host", {"@evil.test/x"}, "", "new.txt", "ftp://127.0.0.71/new.txt"},
        {".host", {".evil.test/pub"}, "", "new.txt", "ftp://127.0.0.71/new.txt"},
        {":@host", {":@evil.test/"}, "", "new.txt", "ftp://127.0.0.71/new.txt"},
        {"relative", {"docs"}, "", "new.txt", "ftp://127.0.0.71/new.txt"},
        {"VMS, then a directory entered", {"DISK$USER:[ALICE]", "DISK$USER:[ALICE.DOCS]"}, "docs", "new.txt",
         "ftp://127.0.0.71/docs/new.txt"},
        {"characters a URL must encode", {"/x y/50% #?@"}, "", "letter.txt",
         "ftp://127.0.0.71/x%20y/50%25%20%23%3F%40/letter.txt"},
        {"Windows path", {"C:\\inetpub\\docs"}, "", "new.txt", "ftp://127.0.0.71/inetpub/docs/new.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> replies;
        for (const std::string& directory : c.pwd) replies.push_back("257 \"" + directory + "\" is current.\r\n");
        WriteServerScript(kState, Script("\"PWD\": " + Replies(replies) + ", \"LIST\": " + ListReply(kListing)));
        // The dialog shows the directory as the server named it.
        Connect(c.pwd[0]);
        if (!c.enter.empty()) Enter(c.enter, c.pwd.back());
        Choose(c.name);
        EXPECT_EQ(Browse(), c.url);
        driver = FileDialogDriver();
        Unload();
    }
}

// A name the server lists is sent back as it came, and the URL returned
// for it leads the retrieve to that same name and directory.
TEST_F(DialogFaults, ReturnedUrlsLeadBackToTheSameFile) {
    const std::string name = "a%41 #1.txt";
    WriteServerScript(kState, Script("\"PWD\": \"257 \\\"/pub/a%41\\\" is current.\\r\\n\", \"LIST\": " +
                                     ListReply(FileLine(name)) +
                                     ", \"RETR\": {\"send\": \"150 Opening.\\r\\n\", \"data\": \"hello\"}"));
    Connect("/pub/a%41");
    Choose(name);
    const std::string url = Browse();
    EXPECT_EQ(url, "ftp://127.0.0.71/pub/a%2541/a%2541%20%231.txt");

    WriteServerScript(kState, Script("\"RETR\": {\"send\": \"150 Opening.\\r\\n\", \"data\": \"hello\"}"));
    char local[MAX_PATH] = "fdf_roundtrip.txt";
    OrbLoginInfo login{"u", "p", 1};
    auto retrieve = reinterpret_cast<NETRetrieveFileProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("OrbNetN01.dll"), "NETRetrieveFile")));
    ASSERT_TRUE(retrieve);
    EXPECT_EQ(retrieve(nullptr, url.c_str(), local, sizeof local, nullptr, 0, nullptr, &login), 0);
    EXPECT_EQ(ReadWholeFile(local), "hello");
    EXPECT_TRUE(ReceivedLine("CWD /pub/a%41"));
    EXPECT_TRUE(ReceivedLine("RETR " + name));
    DeleteFileA(local);

    // The directory's URL as a directory browser's start: it starts there.
    WriteServerScript(kState, Script("\"PWD\": \"257 \\\"/pub/a%41\\\" is current.\\r\\n\", \"LIST\": " +
                                     ListReply(FileLine(name))));
    WaitConnected("/pub/a%41");
    Press(ORB_FD_ACTION);
    LONG code = -1;
    std::string chosen;
    Run([&] {
        char buffer[512] = "";
        code = browseDir_(nullptr, buffer, sizeof buffer, "ftp://127.0.0.71/pub/a%2541/", 0, "Pick", nullptr);
        chosen = buffer;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(chosen, "ftp://127.0.0.71/pub/a%2541/");
    EXPECT_TRUE(ReceivedLine("CWD /pub/a%41/"));
}

// CWD succeeded and PWD did not name the directory: the dialog shows, and
// returns URLs of, the directory the server is in.
TEST_F(DialogFaults, DirectoryKnownWhenPwdFails) {
    const std::string deep(3000, 'd');
    struct Case {
        const char* what;
        std::string pwd;    // the reply after entering "docs"
        std::string shown;  // the directory shown afterwards (shortened to fit when long)
        std::string url;
    } cases[] = {
        {"refused", "550 PWD not allowed.", "/docs", "ftp://127.0.0.71/docs/new.txt"},
        {"no quotes", "257 you are somewhere", "/docs", "ftp://127.0.0.71/docs/new.txt"},
        {"longer than a reply line", "257 \"/" + std::string(20000, 'x') + "\" is current.", "/docs",
         "ftp://127.0.0.71/docs/new.txt"},
        {"long but whole", "257 \"/" + deep + "\" is current.", "", "ftp://127.0.0.71/" + deep + "/new.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteServerScript(kState, Script("\"PWD\": " + Replies({"257 \"/\" is current.\r\n", c.pwd + "\r\n"}) +
                                         ", \"LIST\": " + ListReply(kListing)));
        Connect("/");
        driver.Add("enter docs", [](HWND d) { return OpenEntry(d, "docs"); });
        const std::string shown = c.shown;
        driver.Add("in docs", [shown](HWND d) {
            return Connected(d) && HasEntry(d, "new.txt") && (shown.empty() || ItemText(d, ORB_FD_DIRECTORY) == shown);
        });
        Choose("new.txt");
        EXPECT_EQ(Browse(), c.url);
        EXPECT_TRUE(ReceivedLine("CWD docs"));
        driver = FileDialogDriver();
        Unload();
    }
}

// ---- names and listings

TEST_F(DialogFaults, NamesTooLongAreRefusedNeverCut) {
    const std::string huge = std::string(65536, 'n') + ".txt";
    const std::string longDir(5000, 'D');
    const std::string fits = std::string(3990, 'f') + ".txt";
    WriteServerScript(kState, Script("\"LIST\": " + ListReply(FileLine(huge) + DirLine(longDir) + FileLine(fits)) +
                                     ", \"RETR\": {\"send\": \"150 Opening.\\r\\n\", \"data\": \"whole name\"}"));
    Connect("/");
    Choose(huge);
    driver.Add("still here", [](HWND d) { return Connected(d); });
    driver.Add("enter the long directory", [longDir](HWND d) { return OpenEntry(d, longDir); });
    driver.Add("still here", [](HWND d) { return Connected(d); });
    Choose(fits);
    OpenResult r = Open();
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.url, "ftp://127.0.0.71/" + fits);
    EXPECT_EQ(ReadWholeFile(r.local), "whole name");
    DeleteFileA(r.local.c_str());
    ASSERT_EQ(boxes.size(), 2u);
    const std::string headN = "The name " + std::string(60, 'n') + "... is too long";
    const std::string headD = "The name " + std::string(60, 'D') + "... is too long";
    EXPECT_EQ(boxes[0].text.compare(0, headN.size(), headN), 0) << boxes[0].text;
    EXPECT_EQ(boxes[1].text.compare(0, headD.size(), headD), 0) << boxes[1].text;
    EXPECT_NE(boxes[0].text.find("4096 characters"), std::string::npos) << boxes[0].text;
    // Only the name that fits went out, whole.
    EXPECT_TRUE(ReceivedLine("RETR " + fits));
    for (const std::string& line : Received()) {
        if (line.compare(0, 5, "RETR ") == 0) {
            EXPECT_EQ(line, "RETR " + fits) << line.substr(0, 40);
        }
        EXPECT_NE(line.compare(0, 4, "CWD "), 0) << line.substr(0, 40);
    }
}

// A listed name is a name: "a>b" is entered as itself, "star*?.txt" is
// fetched, not taken as a pattern. Only a link goes to its target.
TEST_F(DialogFaults, ListedNamesAreNames) {
    const std::string listing = DirLine("a>b") + DirLine("dir >/etc") + FileLine("star*?.txt") +
                                "lrwxrwxrwx   1 ftp ftp    4 Mar  1 10:00 ln -> real\r\n";
    WriteServerScript(kState, Script("\"LIST\": " + ListReply(listing) +
                                     ", \"RETR\": {\"send\": \"150 Opening.\\r\\n\", \"data\": \"starry\"}"));
    Connect("/");
    const char* entries[][2] = {{"a>b", "CWD a>b"}, {"dir >/etc", "CWD dir >/etc"}, {" ln >real", "CWD real"}};
    for (const auto& entry : entries) {
        std::string name = entry[0], sent = entry[1];
        driver.Add("enter " + name, [name](HWND d) { return OpenEntry(d, name); });
        driver.Add("sent " + sent, [sent](HWND d) { return Connected(d) && ReceivedLine(sent); });
    }
    Choose("star*?.txt");
    OpenResult r = Open();
    EXPECT_EQ(r.code, 0);
    // This server says it is at "/" wherever it went.
    EXPECT_EQ(r.url, "ftp://127.0.0.71/star*%3F.txt");
    EXPECT_EQ(ReadWholeFile(r.local), "starry");
    EXPECT_TRUE(ReceivedLine("RETR star*?.txt"));
    EXPECT_FALSE(ReceivedLine("CWD b"));
    EXPECT_FALSE(ReceivedLine("CWD /etc"));
    DeleteFileA(r.local.c_str());
    EXPECT_TRUE(boxes.empty());
}

// A typed pattern matches without regard to case as the platform folds
// letters: accented ones of the code page too.
TEST_F(DialogFaults, PatternsFoldAccentedLetters) {
    WriteServerScript(kState, Script("\"LIST\": " + ListReply(FileLine("\xe9t\xe9.txt") + FileLine("autre.txt"))));
    Connect("/");
    driver.Add("type \xc9*", [](HWND d) {
        Type(d, ORB_FD_NAME, "\xc9*");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    driver.Add("only \xe9t\xe9.txt shown", [](HWND d) {
        return ShownEntries(d) == std::vector<std::string>{"\xe9t\xe9.txt"};
    });
    Press(IDCANCEL);
    EXPECT_EQ(Open().code, 1);
    EXPECT_FALSE(ReceivedVerb("RETR"));
}

TEST_F(DialogFaults, ListingsAreBoundedAndACutIsSaid) {
    // Long names keep the lists short where the count is not the point
    // (under Wine each list item costs about 0.1 ms). A server that never
    // stops is stopped by the reader, whichever bound it meets first.
    const std::string wide(4000, 'w');
    struct Case {
        const char* what;
        std::string data;       // LIST's data writes
        size_t entries;         // shown afterwards
        std::string lastEntry;  // the last one shown ("" any)
        std::string status;     // the status line
    } cases[] = {
        {"70,000 entries", "{\"repeat\": " + Json(FileLine("f.txt")) + ", \"times\": 70000}", 65534, "",
         "Listing cut: more than 65534 entries."},
        {"50 MB", "{\"repeat\": " + Json(FileLine(wide + ".txt")) + ", \"times\": 13000}", 13000, wide + ".txt", ""},
        {"endless lines that are no entries", "{\"endless\": \"total 0\\r\\n\"}", 0, "",
         "Listing cut: larger than 64 MB."},
        {"one endless line", "[\"-rw-r--r-- 1 ftp ftp 5 Mar 1 10:00 \", {\"endless\": \"x\"}]", 0, "",
         "Listing cut: larger than 64 MB."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteServerScript(kState, Script("\"LIST\": " + ListReplyWrites(c.data)));
        driver.Add("choose the host", [](HWND d) { return Pick(d, ORB_FD_HOSTS, "Scripted"); });
        driver.Add("connect", [](HWND d) {
            if (!Enabled(d, ORB_FD_CONNECT)) return false;
            Click(d, ORB_FD_CONNECT);
            return true;
        });
        const std::string status = c.status, last = c.lastEntry;
        const size_t count = c.entries;
        driver.stepTimeout = 60000;
        driver.Add("listed", [=](HWND d) {
            if (ItemText(d, ORB_FD_CONNECTION) != "Connected" || !Enabled(d, ORB_FD_ACTION) ||
                ItemText(d, ORB_FD_STATUS) != status)
                return false;
            const LRESULT shown = SendDlgItemMessageA(d, ORB_FD_ENTRIES, LB_GETCOUNT, 0, 0);
            if (shown != static_cast<LRESULT>(count)) return false;
            return last.empty() || ShownEntries(d).back() == last;
        });
        if (!status.empty() && c.entries) Shot("listing_cut");
        Press(IDCANCEL);
        EXPECT_EQ(Open().code, 1);
        EXPECT_TRUE(boxes.empty());
        EXPECT_TRUE(ReceivedLine("QUIT"));
        driver = FileDialogDriver();
        Unload();
    }
}

// ---- making folders, saving

TEST_F(DialogFaults, AFolderThatCannotBeMadeIsSaid) {
    WriteServerScript(kState, Script("\"LIST\": " + ListReply(kListing) + ", \"MKD\": \"550 docs: File exists.\\r\\n\""));
    Connect("/");
    Press(ORB_FD_NEW_FOLDER);
    driver.Add("name it docs", [](HWND d) {
        HWND edit = GetDlgItem(d, ORB_FD_FOLDER_EDIT);
        if (!edit) return false;
        SetWindowTextA(edit, "docs");
        Click(d, ORB_FD_ACTION);
        return true;
    });
    driver.Add("told, listing kept", [](HWND d) {
        return ItemText(d, ORB_FD_STATUS) == "Server: 550 docs: File exists." && HasEntry(d, "docs") &&
               HasEntry(d, "new.txt") && Enabled(d, ORB_FD_ACTION);
    });
    Press(IDCANCEL);
    std::string name = "letter.txt";
    EXPECT_EQ(SaveAs(name, "fdf_letter.txt", nullptr, nullptr, 0), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The folder docs could not be made on 127.0.0.71.");
    // MKD, and no listing after it.
    std::vector<std::string> lines = Received();
    auto mkd = std::find(lines.begin(), lines.end(), "MKD docs");
    ASSERT_NE(mkd, lines.end());
    EXPECT_EQ(std::count(mkd, lines.end(), "LIST"), 0);
    // The protocol log shows where the conversation stood: each change of
    // state, and the refused MKD in the middle of a listing.
    const std::string log = ReadProtocolLog();
    size_t at = 0;
    for (const char* step : {"--- file dialog: idle -> connecting", "--- file dialog: connecting -> logging in",
                             "--- file dialog: logging in -> listing", "--- file dialog: listing -> idle",
                             "--> MKD docs", "--- file dialog: idle -> listing", "<-- 550 docs: File exists.",
                             "--- file dialog: listing -> idle", "--- file dialog: idle -> closing"}) {
        at = log.find(step, at);
        ASSERT_NE(at, std::string::npos) << step << "\n" << log;
    }
}

TEST_F(DialogFaults, SaveAsAsksBeforeReplacing) {
    WriteWholeFile("fdf_letter.txt", "my letter");
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        WriteServerScript(kState, Script("\"LIST\": " + ListReply(kListing)));
        boxButton = answer;
        Connect("/");
        driver.Add("type letter.txt", [](HWND d) {
            Type(d, ORB_FD_NAME, "letter.txt");
            Click(d, ORB_FD_ACTION);
            return true;
        });
        if (answer == IDNO) {
            driver.Add("still open", [](HWND d) { return Connected(d) && Enabled(d, ORB_FD_ACTION); });
            Press(IDCANCEL);
        }
        std::string name = "letter.txt";
        LONG code = SaveAs(name, "fdf_letter.txt", nullptr, nullptr, 0);
        EXPECT_EQ(code, answer == IDYES ? 0 : 1);
        ASSERT_GE(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "letter.txt already exists. Do you want to replace it?");
        EXPECT_EQ(ReceivedVerb("STOR"), answer == IDYES);
        if (answer == IDYES) {
            EXPECT_EQ(name, "ftp://127.0.0.71/letter.txt");
            EXPECT_EQ(ReadWholeFile(std::string(kState) + "stored.bin"), "my letter");
        }
        driver = FileDialogDriver();
        Unload();
    }
    DeleteFileA("fdf_letter.txt");
}

// A store that fails says so; Cancel afterwards gives 2, never 1 or 0.
TEST_F(DialogFaults, AFailedSaveAsSaysSo) {
    WriteWholeFile("fdf_big.bin", std::string(3 * 1024 * 1024, 'b'));
    const std::string failed = "big.bin could not be transferred to or from 127.0.0.71.";
    const std::string cut =
        "big.bin was not stored whole on 127.0.0.71: the server ended the data connection before all of it had "
        "been sent.";
    struct Case {
        const char* what;
        std::string stor;
        std::string message;
    } cases[] = {
        {"the control connection closes after 64 KB",
         "{\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\", \"reset_after\": 65536, \"final\": \"\", "
         "\"close\": true}",
         cut},
        {"the control connection is reset after 64 KB",
         "{\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\", \"reset_after\": 65536, \"final\": \"\", "
         "\"reset\": true}",
         cut},
        {"226 after the data connection closed early",
         "{\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\", \"reset_after\": 65536}", cut},
        {"only the control connection closes after 64 KB",
         "{\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\", \"control_end_after\": 65536}", failed},
        {"only the control connection is reset after 64 KB",
         "{\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\", \"control_end_after\": 65536, "
         "\"control_reset\": true}",
         failed},
        {"452 after the data",
         "{\"send\": \"150 Ok.\\r\\n\", \"receive\": \"stored.bin\", "
         "\"final\": \"452 Insufficient storage space.\\r\\n\"}",
         failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // After a 5xx the name is tried as a directory, which it is not.
        WriteServerScript(kState, Script("\"LIST\": " + ListReply(kListing) + ", \"STOR\": " + c.stor +
                                         ", \"CWD\": \"550 No such directory.\\r\\n\""));
        Connect("/");
        driver.Add("type big.bin", [](HWND d) {
            Type(d, ORB_FD_NAME, "big.bin");
            Click(d, ORB_FD_ACTION);
            return true;
        });
        driver.Add("failed, said", [this](HWND d) {
            return answering && !answering->boxes.empty() && Enabled(d, ORB_FD_ACTION) &&
                   ItemText(d, ORB_FD_STATUS) != "Storing the file...";
        });
        Press(IDCANCEL);
        std::string name = "big.bin";
        driver.stepTimeout = 30000;
        EXPECT_EQ(SaveAs(name, "fdf_big.bin", nullptr, nullptr, 0), 2);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        driver = FileDialogDriver();
        Unload();
    }
    DeleteFileA("fdf_big.bin");
}

// NETSaveAs keeps the host's further value without reading it: it may be
// no text at all.
TEST_F(DialogFaults, TheFurtherValueIsNeverRead) {
    Press(IDCANCEL);
    std::string name = "letter.txt";
    EXPECT_EQ(SaveAs(name, "fdf_letter.txt", nullptr, nullptr, 0, reinterpret_cast<const char*>(1)), 1);
}

}  // namespace

// ---- the host the person chose

namespace {

// In the host dialog: chooses the scripted server's entry, deletes it and
// closes the dialog.
bool DeleteTheScriptedHost(HWND d) {
    if (!IsHostDialog(d)) return false;
    SendDlgItemMessageA(d, ORB_HOST_DESCRIPTION, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>("Scripted"));
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(ORB_HOST_DESCRIPTION, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(d, ORB_HOST_DESCRIPTION)));
    Click(d, ORB_HOST_DELETE);
    ClickLater(d, ORB_HOST_CLOSE);
    return true;
}

// The lines the session sent after the last "CWD docs".
bool PassiveAfterEnteringDocs() {
    std::vector<std::string> lines = Received();
    auto cwd = std::find(lines.begin(), lines.end(), "CWD docs");
    return cwd != lines.end() && std::find(cwd, lines.end(), "PASV") != lines.end() &&
           std::find(cwd, lines.end(), "PORT") == lines.end();
}

}  // namespace

// The host dialog deletes the entry the dialog is connected with: the
// dialog goes on with what it copied when it connected (the passive flag
// among it) and never touches the freed entry.
const std::string kRootThenDocs = "\"PWD\": " + Replies({"257 \"/\" is current.\r\n", "257 \"/docs\" is current.\r\n"});

TEST_F(DialogFaults, HostDeletedWhileConnected) {
    WriteServerScript(kState, Script(kRootThenDocs + ", \"LIST\": " + ListReply(kListing)));
    Connect("/");
    PressLater(ORB_FD_EDIT_HOSTS);
    driver.Add("delete it in the host dialog", DeleteTheScriptedHost);
    driver.Add("back, enter docs", [](HWND d) { return IsFileDialog(d) && OpenEntry(d, "docs"); });
    driver.Add("in docs", [](HWND d) {
        return Connected(d) && ItemText(d, ORB_FD_DIRECTORY) == "/docs" && PassiveAfterEnteringDocs();
    });
    Choose("new.txt");
    std::string url;
    EXPECT_EQ(FileDialogFixture::Browse(url), 0);
    EXPECT_EQ(url, "ftp://127.0.0.71/docs/new.txt");
    EXPECT_EQ(GetSetting("FTP Hosts", "Host1"), "<none>");
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;
}

// The same for a modeless directory browser kept between two runs while
// NETOptions deletes its host.
TEST_F(DialogFaults, HostDeletedBetweenBrowserRuns) {
    WriteServerScript(kState, Script(kRootThenDocs + ", \"LIST\": " + ListReply(kListing)));
    HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(parent);
    DWORD handle = 0;
    auto browse = [&](std::string* url) {
        LONG code = -1;
        Run([&] {
            char buffer[512] = "";
            code = browseDir_(parent, buffer, sizeof buffer, "ftp://127.0.0.71/", 0, "Pick", &handle);
            *url = buffer;
        });
        driver = FileDialogDriver();
        return code;
    };
    WaitConnected("/");
    Press(ORB_FD_ACTION);
    std::string url;
    ASSERT_EQ(browse(&url), 0);
    EXPECT_EQ(url, "ftp://127.0.0.71/");

    driver.Add("options: hosts", [](HWND d) {
        if (!IsOptionsDialog(d)) return false;
        ClickLater(d, ORB_OPTIONS_EDIT_HOSTS);
        return true;
    });
    driver.Add("delete the browser's host", DeleteTheScriptedHost);
    driver.Add("options: OK", [](HWND d) {
        if (!IsOptionsDialog(d)) return false;
        Click(d, IDOK);
        return true;
    });
    LONG options = -1;
    Run([&] {
        auto call = reinterpret_cast<NETOptionsProc>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("OrbNetN01.dll"), "NETOptions")));
        options = call(nullptr);
    });
    driver = FileDialogDriver();
    EXPECT_EQ(options, 0);
    EXPECT_EQ(GetSetting("FTP Hosts", "Host1"), "<none>");
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;

    driver.Add("where it was, enter docs", [](HWND d) { return Connected(d) && OpenEntry(d, "docs"); });
    driver.Add("in docs", [](HWND d) { return Connected(d) && PassiveAfterEnteringDocs(); });
    Press(ORB_FD_ACTION);
    EXPECT_EQ(browse(&url), 0);
    EXPECT_EQ(url, "ftp://127.0.0.71/docs/");
    closeDir_(reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(handle))));
    DestroyWindow(parent);
}

// Two stored hosts for one address: the one chosen is the one whose login
// goes out, listed by description or by host name (pyftpdlib, 127.0.0.8).
TEST_F(DialogFaults, TheChosenOfTwoHostsForOneAddressLogsIn) {
    DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Marlin");
    SetSetting("FTP Hosts", "Host1", EncodedHost("Account", "127.0.0.8", "alice", "secret", "", kPassive));
    SetSetting("FTP Hosts", "Host2", EncodedHost("Guest", "127.0.0.8", "", "", "", kHostAnonymous | kPassive));
    for (int byDescription : {1, 0}) {
        for (int at : {0, 1}) {
            SCOPED_TRACE(std::string(byDescription ? "by description" : "by host name") + ", item " +
                         std::to_string(at));
            SetNumberSetting("Options", "List by Description", static_cast<DWORD>(byDescription));
            std::string chosen;
            driver.Add("choose", [&chosen, at, byDescription](HWND d) {
                char description[64] = "";
                SendDlgItemMessageA(d, ORB_FD_HOSTS, CB_GETLBTEXT, static_cast<WPARAM>(at),
                                    reinterpret_cast<LPARAM>(description));
                chosen = description;
                return PickAt(d, byDescription ? ORB_FD_HOSTS : ORB_FD_HOST_NAMES, at);
            });
            driver.Add("connect", [](HWND d) {
                if (!Enabled(d, ORB_FD_CONNECT)) return false;
                Click(d, ORB_FD_CONNECT);
                return true;
            });
            WaitConnected("/");
            Press(IDCANCEL);
            EXPECT_EQ(Open().code, 1);
            const std::string log = ReadProtocolLog();
            const size_t user = log.rfind("--> USER ");
            ASSERT_NE(user, std::string::npos);
            EXPECT_EQ(log.substr(user, log.find_first_of("\r\n", user) - user),
                      chosen == "Account" ? "--> USER alice" : "--> USER anonymous");
            driver = FileDialogDriver();
            Unload();
        }
    }
}
