#include "test_ca.h"

#include <cstdio>
#include <cstring>

namespace {

const char kTestCaName[] = "OrbNet Test CA";

// The registry part of each "Root" system store. Wine's "Root" system store
// of the current user is a collection that also holds the local machine's,
// and deleting through it reports success but keeps the certificate.
const DWORD kRootLocations[] = {CERT_SYSTEM_STORE_CURRENT_USER, CERT_SYSTEM_STORE_LOCAL_MACHINE};

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

std::string Failed(const char* call) {
    char text[160];
    std::snprintf(text, sizeof text, "%s failed (error 0x%08lx)", call, GetLastError());
    return text;
}

bool SameEncoding(PCCERT_CONTEXT a, PCCERT_CONTEXT b) {
    return a->cbCertEncoded == b->cbCertEncoded &&
           std::memcmp(a->pbCertEncoded, b->pbCertEncoded, a->cbCertEncoded) == 0;
}

}  // namespace

std::vector<std::string> PemCertificates(const std::string& pem) {
    static const char kBegin[] = "-----BEGIN CERTIFICATE-----";
    static const char kEnd[] = "-----END CERTIFICATE-----";
    std::vector<std::string> certs;
    size_t at = 0;
    while ((at = pem.find(kBegin, at)) != std::string::npos) {
        size_t end = pem.find(kEnd, at);
        if (end == std::string::npos) break;
        end += sizeof kEnd - 1;
        const char* block = pem.c_str() + at;
        DWORD blockSize = static_cast<DWORD>(end - at);
        DWORD size = 0;
        if (CryptStringToBinaryA(block, blockSize, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr) &&
            size > 0) {
            std::string der(size, '\0');
            if (CryptStringToBinaryA(block, blockSize, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(&der[0]),
                                     &size, nullptr, nullptr)) {
                der.resize(size);
                certs.push_back(der);
            }
        }
        at = end;
    }
    return certs;
}

std::string CertificateCommonName(PCCERT_CONTEXT cert) {
    char name[256];
    DWORD n = CertGetNameStringA(cert, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), name, sizeof name);
    return n > 1 ? std::string(name) : std::string();
}

bool TrustTestCa(const char* caPemPath, std::string* error) {
    std::string pem;
    FILE* f = std::fopen(caPemPath, "rb");
    if (!f) return Fail(error, std::string("cannot open ") + caPemPath);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) pem.append(buf, n);
    std::fclose(f);

    std::vector<std::string> certs = PemCertificates(pem);
    if (certs.size() != 1) return Fail(error, std::string("not one PEM certificate in ") + caPemPath);
    PCCERT_CONTEXT ca = CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(certs[0].data()), static_cast<DWORD>(certs[0].size()));
    if (!ca) return Fail(error, Failed("CertCreateCertificateContext"));
    if (CertificateCommonName(ca) != kTestCaName) {
        CertFreeCertificateContext(ca);
        return Fail(error, std::string(caPemPath) + " is not the " + kTestCaName);
    }

    bool ok = true;
    for (DWORD location : kRootLocations) {
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, location, "Root");
        if (!root) {
            ok = Fail(error, Failed("CertOpenStore(Root)"));
            break;
        }
        std::vector<PCCERT_CONTEXT> stale;
        for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(root, c)) != nullptr;)
            if (CertificateCommonName(c) == kTestCaName && !SameEncoding(c, ca))
                stale.push_back(CertDuplicateCertificateContext(c));
        for (PCCERT_CONTEXT c : stale)  // frees c
            if (!CertDeleteCertificateFromStore(c) && ok) ok = Fail(error, Failed("CertDeleteCertificateFromStore"));
        // The default chain engine (HCCE_CURRENT_USER) trusts the current
        // user's roots and the local machine's.
        if (ok && location == CERT_SYSTEM_STORE_CURRENT_USER &&
            !CertAddCertificateContextToStore(root, ca, CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
            ok = Fail(error, Failed("CertAddCertificateContextToStore"));
        CertCloseStore(root, 0);
        if (!ok) break;
    }
    CertFreeCertificateContext(ca);
    return ok;
}
