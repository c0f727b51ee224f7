#include "net/security_library.h"

#include "frame/core/string_ids.h"
#include "frame/strings.h"

SecurityEntryPoints SecurityFunctions = {};

namespace {

template <typename T>
bool Bind(HMODULE library, const char* name, T* out) {
    FARPROC proc = library ? GetProcAddress(library, name) : nullptr;
    *out = reinterpret_cast<T>(reinterpret_cast<void*>(proc));
    return proc != nullptr;
}

HMODULE Load(uint16_t nameId) {
    char name[64];
    LoadResourceString(nameId, name, sizeof name);
    UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE library = LoadLibraryA(name);
    SetErrorMode(oldMode);
    return library;
}

bool tried = false;

}  // namespace

uint16_t BindSecurityLibrary() {
    if (SecurityFunctions.sspi) return 1;
    if (tried) return 0;
    tried = true;
    HMODULE security = Load(kStrSecurityLibrary);
    HMODULE certificates = Load(kStrCertificateLibrary);
    INIT_SECURITY_INTERFACE_A init = nullptr;
    SecurityEntryPoints table = {};
    bool ok = Bind(security, SECURITY_ENTRYPOINT_ANSIA, &init) &&
              Bind(certificates, "CertGetCertificateChain", &table.CertGetCertificateChain) &&
              Bind(certificates, "CertVerifyCertificateChainPolicy", &table.CertVerifyCertificateChainPolicy) &&
              Bind(certificates, "CertFreeCertificateChain", &table.CertFreeCertificateChain) &&
              Bind(certificates, "CertFreeCertificateContext", &table.CertFreeCertificateContext);
    if (ok) table.sspi = init();
    ok = ok && table.sspi && table.sspi->AcquireCredentialsHandleA && table.sspi->InitializeSecurityContextA &&
         table.sspi->DeleteSecurityContext && table.sspi->FreeCredentialsHandle && table.sspi->FreeContextBuffer &&
         table.sspi->QueryContextAttributesA && table.sspi->EncryptMessage && table.sspi->DecryptMessage &&
         table.sspi->ApplyControlToken;
    if (!ok) {
        if (security) FreeLibrary(security);
        if (certificates) FreeLibrary(certificates);
        return 0;
    }
    SecurityFunctions = table;
    return 1;
}
