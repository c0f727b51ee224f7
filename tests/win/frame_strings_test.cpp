// String lookup by id and the message-box helpers, on the real resource DLLs.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "frame/module.h"
#include "frame/strings.h"
#include "message_box_answerer.h"

namespace {

class Strings : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryExA("OrbNetN01.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        language = LoadLibraryExA("orbntenn1.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(library);
        ASSERT_TRUE(language);
        ModuleInstance = library;
        ResourceModule = nullptr;
    }
    void TearDown() override {
        ModuleInstance = nullptr;
        ResourceModule = nullptr;
        FreeLibrary(library);
        FreeLibrary(language);
    }
    std::string Load(uint16_t id) {
        char text[kStringArraySize];
        int n = LoadResourceString(id, text, sizeof text);
        EXPECT_EQ(n, static_cast<int>(strlen(text)));
        return text;
    }
    HMODULE library = nullptr;
    HMODULE language = nullptr;
};

TEST_F(Strings, LibraryStringsAreExact) {
    struct {
        uint16_t id;
        const char* text;
    } table[] = {
        {257, "ORBNETAsyncSocketWindow"}, {262, "orbnt%sn1.dll"}, {263, "\r\n"},
        {287, "PASS xxxxx\r\n"}, {290, "Software\\Marlin\\Components\\Internet\\1.0\\"},
        {283, "<-- "}, {284, "--> "}, {513, "USER "}, {515, "QUIT"}, {531, "MKD "},
        {673, "GET "}, {675, "User-Agent: Marlin Internet/v1.0"}, {680, "Content-Type: "},
    };
    for (auto& row : table) EXPECT_EQ(Load(row.id), row.text) << row.id;
}

TEST_F(Strings, IdDecidesTheModule) {
    // Before the language module is loaded, ids from 769 up read as empty.
    EXPECT_EQ(Load(769), "");
    EXPECT_EQ(Load(1291), "");
    ResourceModule = language;
    EXPECT_NE(Load(769), "");
    EXPECT_NE(Load(1295), "");
    EXPECT_EQ(Load(999), "");  // exists nowhere
    // 768 is still looked up in the library, 769 in the language module:
    // swapped handles make both miss.
    ModuleInstance = language;
    ResourceModule = library;
    EXPECT_EQ(Load(290), "");
    EXPECT_EQ(Load(769), "");
}

TEST_F(Strings, LoadStringIntoAndAppendFormatted) {
    ResourceModule = language;
    TextBuffer b(64);
    b.Assign("old");
    EXPECT_EQ(LoadStringInto(999, b), 0);
    EXPECT_STREQ(b.Text(), "");
    EXPECT_EQ(LoadStringInto(264, b), 6);
    EXPECT_STREQ(b.Text(), "ftp://");

    TextBuffer f(64);
    f.Assign("C:\\x\\");
    EXPECT_EQ(AppendFormatted(f, kStrLanguageModule, 1, "en"), 1);
    EXPECT_STREQ(f.Text(), "C:\\x\\orbntenn1.dll");
    TextBuffer raw(64);
    EXPECT_EQ(AppendFormatted(raw, kStrLanguageModule, 0), 1);
    EXPECT_STREQ(raw.Text(), "orbnt%sn1.dll");
    EXPECT_EQ(AppendFormatted(raw, 0, 1), 0);
    EXPECT_EQ(AppendFormatted(raw, 999, 1), 0);

    // Formatting is bounded to 511 characters whatever the argument.
    std::string huge(5000, 'h');
    TextBuffer bounded(64);
    EXPECT_EQ(AppendFormatted(bounded, kMsgCannotConnect, 1, huge.c_str()), 1);
    EXPECT_EQ(bounded.length, 511);
}

TEST_F(Strings, MessageBoxHelpers) {
    ResourceModule = language;
    MessageBoxAnswerer answerer(IDNO);
    char caption[kStringArraySize];
    LoadResourceString(kMsgCaption, caption, sizeof caption);
    EXPECT_EQ(ShowMessageByIds(kMsgCancelTransfer, kMsgCaption, MB_YESNO | MB_ICONQUESTION, nullptr), IDNO);
    EXPECT_EQ(ShowMessageCaptionById("plain text", kMsgCaption, MB_OK, nullptr), IDOK);
    EXPECT_EQ(ShowMessageById(kMsgNoHost, "Title", MB_ICONEXCLAMATION, nullptr), IDOK);
    ASSERT_EQ(answerer.boxes.size(), 3u);
    EXPECT_EQ(answerer.boxes[0].caption, caption);
    EXPECT_EQ(answerer.boxes[1].text, "plain text");
    EXPECT_EQ(answerer.boxes[2].caption, "Title");
}

}  // namespace
