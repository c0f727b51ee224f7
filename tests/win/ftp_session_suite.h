#ifndef ORBNET_TESTS_FTP_SESSION_SUITE_H
#define ORBNET_TESTS_FTP_SESSION_SUITE_H

#include "ftp/ftp_session.h"
#include "owner_window.h"
#include "test_support.h"

// Suites that drive one FtpSession per test, owned by a recording owner window.
class FtpSessionSuite : public NetworkSuite {
protected:
    void SetUp() override {
        owner = new OwnerWindow();
        session = new FtpSession(owner->Handle());
    }
    void TearDown() override {
        delete session;
        session = nullptr;
        delete owner;
        owner = nullptr;
    }
    // A new session; the notes of the old one are forgotten.
    void NewSession() {
        delete session;
        session = new FtpSession(owner->Handle());
        owner->Clear();
    }
    bool Has(WPARAM code, LPARAM value = -1) const { return owner->Has(code, value); }

    OwnerWindow* owner = nullptr;
    FtpSession* session = nullptr;
};

#endif
