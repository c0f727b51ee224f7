// The test certificate authority of tests/servers/make_test_ca.sh, trusted in
// the Wine prefix of the tests (link with crypt32).
#ifndef ORBNET_TESTS_TEST_CA_H
#define ORBNET_TESTS_TEST_CA_H

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

// The DER bytes of each certificate of PEM text, in order.
std::vector<std::string> PemCertificates(const std::string& pem);

// The common name (CN) of a certificate's subject; "" when it has none.
std::string CertificateCommonName(PCCERT_CONTEXT cert);

// Makes the CA certificate of that PEM file a trusted root of the current
// user, after deleting every other "OrbNet Test CA" (earlier runs') from the
// current user's and the local machine's roots. Call it before the first
// chain is built in the process. False, with *error telling why, on failure.
bool TrustTestCa(const char* caPemPath, std::string* error);

#endif
