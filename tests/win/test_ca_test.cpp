// How Wine's crypt32 judges the server certificates of
// tests/servers/make_test_ca.sh once the test CA is trusted: the chain the
// default engine builds, and the SSL policy's verdict for a server name.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_ca.h"
#include "test_support.h"

namespace {

const char kTestCa[] = "OrbNet Test CA";

// A file of the certificate folder: ORB_TEST_CA_DIR (a Unix path, found on
// the working directory's drive Z:), else test_ca in the working directory.
std::string CaFile(const char* name) {
    char dir[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("ORB_TEST_CA_DIR", dir, sizeof dir);
    return std::string(n > 0 && n < sizeof dir ? dir : "test_ca") + "/" + name;
}

// The default engine reads the roots once, when it builds its first chain.
class TrustedTestCa : public ::testing::Environment {
public:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(TrustTestCa(CaFile("ca.pem").c_str(), &error)) << error;
    }
};
::testing::Environment* const trusted = ::testing::AddGlobalTestEnvironment(new TrustedTestCa);

struct Verdict {
    DWORD chainErrors = ~0u;  // the chain's TrustStatus.dwErrorStatus
    DWORD policyError = ~0u;  // CERT_CHAIN_POLICY_STATUS.dwError
    std::vector<std::string> subjects;  // leaf first
};

// The chain of the first certificate of a PEM file (the rest given as the
// additional store) by the default engine, checked as a server's of that name.
Verdict Judge(const std::string& pemPath, const wchar_t* serverName) {
    Verdict verdict;
    std::vector<std::string> certs = PemCertificates(ReadWholeFile(pemPath));
    EXPECT_EQ(certs.size(), 2u) << pemPath;
    HCERTSTORE extra = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    PCCERT_CONTEXT leaf = nullptr;
    for (const std::string& der : certs) {
        PCCERT_CONTEXT added = nullptr;
        EXPECT_TRUE(CertAddEncodedCertificateToStore(extra, X509_ASN_ENCODING,
                                                     reinterpret_cast<const BYTE*>(der.data()),
                                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, &added));
        if (!leaf) leaf = added;
        else CertFreeCertificateContext(added);
    }
    if (!leaf) {
        CertCloseStore(extra, 0);
        return verdict;
    }

    LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para = {};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    EXPECT_TRUE(CertGetCertificateChain(HCCE_CURRENT_USER, leaf, nullptr, extra, &para, 0, nullptr, &chain))
        << GetLastError();
    if (chain) {
        verdict.chainErrors = chain->TrustStatus.dwErrorStatus;
        const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
        for (DWORD i = 0; i < simple->cElement; ++i)
            verdict.subjects.push_back(CertificateCommonName(simple->rgpElement[i]->pCertContext));

        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = const_cast<WCHAR*>(serverName);
        CERT_CHAIN_POLICY_PARA policy = {};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS status = {};
        status.cbSize = sizeof status;
        EXPECT_TRUE(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status));
        verdict.policyError = status.dwError;
        CertFreeCertificateChain(chain);
    }
    CertFreeCertificateContext(leaf);
    CertCloseStore(extra, 0);
    return verdict;
}

// A certificate's SHA-1 thumbprint in hex.
std::string Thumbprint(const BYTE* der, DWORD size) {
    BYTE hash[20];
    DWORD n = sizeof hash;
    if (!CryptHashCertificate(0, CALG_SHA1, 0, der, size, hash, &n)) return "<no hash>";
    std::string hex;
    char two[3];
    for (DWORD i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02x", hash[i]);
        hex += two;
    }
    return hex;
}

// The thumbprints of the "OrbNet Test CA" certificates in the registry part
// of a "Root" system store.
std::vector<std::string> TestCasIn(DWORD location) {
    std::vector<std::string> found;
    HCERTSTORE root =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, location | CERT_STORE_READONLY_FLAG, "Root");
    EXPECT_TRUE(root) << GetLastError();
    if (!root) return found;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(root, c)) != nullptr;)
        if (CertificateCommonName(c) == kTestCa)
            found.push_back(Thumbprint(c->pbCertEncoded, c->cbCertEncoded));
    CertCloseStore(root, 0);
    return found;
}

void AddToRoot(DWORD location, const std::string& der) {
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, location, "Root");
    ASSERT_TRUE(root) << GetLastError();
    EXPECT_TRUE(CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                 static_cast<DWORD>(der.size()), CERT_STORE_ADD_NEW, nullptr))
        << GetLastError();
    CertCloseStore(root, 0);
}

// A self-signed "OrbNet Test CA" of a key of its own, as an earlier run's.
std::string OtherTestCa() {
    std::string der;
    HCRYPTPROV prov = 0;
    HCRYPTKEY key = 0;
    EXPECT_TRUE(CryptAcquireContextA(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) << GetLastError();
    EXPECT_TRUE(prov && CryptGenKey(prov, AT_SIGNATURE, 1024u << 16, &key)) << GetLastError();
    BYTE name[128];
    CERT_NAME_BLOB subject = {sizeof name, name};
    EXPECT_TRUE(CertStrToNameA(X509_ASN_ENCODING, "CN=OrbNet Test CA", CERT_X500_NAME_STR, nullptr, name,
                               &subject.cbData, nullptr));
    PCCERT_CONTEXT cert = key ? CertCreateSelfSignCertificate(prov, &subject, CERT_CREATE_SELFSIGN_NO_KEY_INFO,
                                                              nullptr, nullptr, nullptr, nullptr, nullptr)
                              : nullptr;
    EXPECT_TRUE(cert) << GetLastError();
    if (cert) {
        der.assign(reinterpret_cast<const char*>(cert->pbCertEncoded), cert->cbCertEncoded);
        CertFreeCertificateContext(cert);
    }
    if (key) CryptDestroyKey(key);
    if (prov) CryptReleaseContext(prov, 0);
    return der;
}

std::string TestCaThumbprint() {
    std::vector<std::string> certs = PemCertificates(ReadWholeFile(CaFile("ca.pem")));
    if (certs.empty()) return "<no ca.pem>";
    return Thumbprint(reinterpret_cast<const BYTE*>(certs[0].data()), static_cast<DWORD>(certs[0].size()));
}

// Wine 8's verdicts: the expired certificate's chain has only
// CERT_TRUST_IS_NOT_TIME_VALID (not CERT_TRUST_IS_NOT_TIME_NESTED, though it
// lies outside its CA's validity), the rogue CA's only
// CERT_TRUST_IS_UNTRUSTED_ROOT; the server name matches the DNS name in any
// case, an address does not match it, and without a name none is compared.
TEST(TestCa, ServerCertificatesAsJudged) {
    struct Case {
        const char* name;
        const char* pem;
        const wchar_t* server;
        DWORD chainErrors;
        DWORD policyError;
        const char* root;
    };
    const Case cases[] = {
        {"trusted, its name", "localhost.pem", L"localhost", CERT_TRUST_NO_ERROR, 0, kTestCa},
        {"trusted, its name in capitals", "localhost.pem", L"LOCALHOST", CERT_TRUST_NO_ERROR, 0, kTestCa},
        {"trusted, no name to compare", "localhost.pem", nullptr, CERT_TRUST_NO_ERROR, 0, kTestCa},
        {"trusted, by address", "localhost.pem", L"127.0.0.1", CERT_TRUST_NO_ERROR, DWORD(CERT_E_CN_NO_MATCH),
         kTestCa},
        {"trusted, another name", "localhost.pem", L"www.localhost", CERT_TRUST_NO_ERROR,
         DWORD(CERT_E_CN_NO_MATCH), kTestCa},
        {"expired", "expired.pem", L"localhost", CERT_TRUST_IS_NOT_TIME_VALID, DWORD(CERT_E_EXPIRED), kTestCa},
        {"rogue CA", "untrusted.pem", L"localhost", CERT_TRUST_IS_UNTRUSTED_ROOT, DWORD(CERT_E_UNTRUSTEDROOT),
         "OrbNet Rogue CA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Verdict v = Judge(CaFile(c.pem), c.server);
        std::printf("%-30s chain errors 0x%08lx, SSL policy 0x%08lx\n", c.name, v.chainErrors, v.policyError);
        EXPECT_EQ(v.chainErrors, c.chainErrors);
        EXPECT_EQ(v.policyError, c.policyError);
        EXPECT_EQ(v.subjects, (std::vector<std::string>{"localhost", c.root}));
    }
}

TEST(TestCa, TrustedOnceHowOftenItIsAdded) {
    std::string error;
    ASSERT_TRUE(TrustTestCa(CaFile("ca.pem").c_str(), &error)) << error;
    ASSERT_TRUE(TrustTestCa(CaFile("ca.pem").c_str(), &error)) << error;
    EXPECT_EQ(TestCasIn(CERT_SYSTEM_STORE_CURRENT_USER), std::vector<std::string>{TestCaThumbprint()});
    EXPECT_TRUE(TestCasIn(CERT_SYSTEM_STORE_LOCAL_MACHINE).empty());
}

TEST(TestCa, EarlierTestCasReplaced) {
    std::string stale = OtherTestCa();
    ASSERT_FALSE(stale.empty());
    std::string staleThumbprint =
        Thumbprint(reinterpret_cast<const BYTE*>(stale.data()), static_cast<DWORD>(stale.size()));
    ASSERT_NE(staleThumbprint, TestCaThumbprint());
    AddToRoot(CERT_SYSTEM_STORE_CURRENT_USER, stale);
    AddToRoot(CERT_SYSTEM_STORE_LOCAL_MACHINE, stale);
    ASSERT_EQ(TestCasIn(CERT_SYSTEM_STORE_LOCAL_MACHINE), std::vector<std::string>{staleThumbprint});

    std::string error;
    ASSERT_TRUE(TrustTestCa(CaFile("ca.pem").c_str(), &error)) << error;
    EXPECT_EQ(TestCasIn(CERT_SYSTEM_STORE_CURRENT_USER), std::vector<std::string>{TestCaThumbprint()});
    EXPECT_TRUE(TestCasIn(CERT_SYSTEM_STORE_LOCAL_MACHINE).empty());
}

TEST(TestCa, OnlyTheTestCaTrusted) {
    std::string error;
    EXPECT_FALSE(TrustTestCa(CaFile("rogue_ca.pem").c_str(), &error));
    EXPECT_NE(error.find("is not the OrbNet Test CA"), std::string::npos) << error;
    EXPECT_FALSE(TrustTestCa(CaFile("no_such.pem").c_str(), &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    EXPECT_FALSE(TrustTestCa(CaFile("localhost.pem").c_str(), &error));
    EXPECT_NE(error.find("not one PEM certificate"), std::string::npos) << error;
}

}  // namespace
